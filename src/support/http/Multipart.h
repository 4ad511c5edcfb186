#pragma once
// A multipart/form-data body. Parts carry no Content-Transfer-Encoding header: text goes out as
// ASCII with every other character as "?", bytes go out unchanged.

#include <cstdint>
#include <string>
#include <vector>

class TMultipartFormData {
 public:
  void AddText(const std::string& name, const std::wstring& value, const std::string& contentType);
  // fileName may be empty: the part then has no filename parameter.
  void AddBytes(const std::string& name, const std::string& fileName, const std::string& contentType,
                const std::vector<uint8_t>& content);

  // Builds the body with a boundary that occurs in none of the parts.
  std::string Body();
  // "multipart/form-data; boundary=..." for the body last built.
  std::string ContentType() const;

 private:
  struct TPart {
    std::string Name;
    std::string FileName;
    std::string ContentType;
    std::string Content;
  };
  std::vector<TPart> FParts;
  std::string FBoundary;
};
