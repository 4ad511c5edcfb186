#pragma once
// A file opened for sequential reading while others may read it but not write it.

#include <cstddef>
#include <stdexcept>
#include <string>

class EFileReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSharedReadFile {
 public:
  // Raises EFileReadError when the file cannot be opened.
  explicit TSharedReadFile(const std::wstring& fileName);
  ~TSharedReadFile();
  TSharedReadFile(const TSharedReadFile&) = delete;
  TSharedReadFile& operator=(const TSharedReadFile&) = delete;

  // Returns the number of bytes read, 0 at the end of the file; raises EFileReadError on failure.
  size_t Read(void* buffer, size_t size);

 private:
  void* FHandle;
};
