#include "support/http/Multipart.h"

#include <chrono>
#include <random>

namespace {
// Quotes and line ends would end the parameter early; they are percent-escaped as browsers do.
std::string QuotedParameter(const std::string& value) {
  std::string text = "\"";
  for (char c : value) {
    if (c == '"')
      text += "%22";
    else if (c == '\r')
      text += "%0D";
    else if (c == '\n')
      text += "%0A";
    else
      text += c;
  }
  return text + "\"";
}

std::string NewBoundary() {
  // One generator per thread: uploads build their forms on workers of their own.
  thread_local std::mt19937_64 generator(std::random_device{}() ^
                                         uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string boundary = "----------TovlaneBoundary";
  for (int i = 0; i < 24; ++i) boundary += kDigits[generator() % 36];
  return boundary;
}
}  // namespace

void TMultipartFormData::AddText(const std::string& name, const std::wstring& value, const std::string& contentType) {
  std::string ascii;
  ascii.reserve(value.size());
  for (wchar_t c : value) ascii += (unsigned(c) < 0x80) ? char(c) : '?';
  FParts.push_back({name, "", contentType, ascii});
}

void TMultipartFormData::AddBytes(const std::string& name, const std::string& fileName, const std::string& contentType,
                                  const std::vector<uint8_t>& content) {
  FParts.push_back({name, fileName, contentType, std::string(content.begin(), content.end())});
}

std::string TMultipartFormData::Body() {
  bool clash;
  do {
    FBoundary = NewBoundary();
    clash = false;
    for (const TPart& part : FParts) clash = clash || part.Content.find(FBoundary) != std::string::npos;
  } while (clash);
  std::string body;
  for (const TPart& part : FParts) {
    body += "--" + FBoundary + "\r\nContent-Disposition: form-data; name=" + QuotedParameter(part.Name);
    if (!part.FileName.empty()) body += "; filename=" + QuotedParameter(part.FileName);
    body += "\r\n";
    if (!part.ContentType.empty()) body += "Content-Type: " + part.ContentType + "\r\n";
    body += "\r\n" + part.Content + "\r\n";
  }
  return body + "--" + FBoundary + "--\r\n";
}

std::string TMultipartFormData::ContentType() const { return "multipart/form-data; boundary=" + FBoundary; }
