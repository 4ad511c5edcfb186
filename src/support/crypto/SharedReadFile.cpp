#include "support/crypto/SharedReadFile.h"

// The one place where reading a file differs between Windows and POSIX: Windows needs an explicit
// share mode to keep writers out while the file is read.
#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#endif

namespace {
std::string DisplayName(const std::wstring& name) {
  std::string text;
  for (wchar_t c : name) text += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
  return text;
}
}  // namespace

#ifdef _WIN32

TSharedReadFile::TSharedReadFile(const std::wstring& fileName) {
  HANDLE handle = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    throw EFileReadError("cannot open " + DisplayName(fileName) + " (error " + std::to_string(GetLastError()) + ")");
  FHandle = handle;
}

TSharedReadFile::~TSharedReadFile() { CloseHandle(static_cast<HANDLE>(FHandle)); }

size_t TSharedReadFile::Read(void* buffer, size_t size) {
  DWORD done = 0;
  DWORD want = size > 0x40000000 ? 0x40000000 : DWORD(size);
  if (!ReadFile(static_cast<HANDLE>(FHandle), buffer, want, &done, nullptr))
    throw EFileReadError("read failed (error " + std::to_string(GetLastError()) + ")");
  return done;
}

#else

TSharedReadFile::TSharedReadFile(const std::wstring& fileName) {
  std::FILE* file = std::fopen(std::filesystem::path(fileName).c_str(), "rb");
  if (!file) throw EFileReadError("cannot open " + DisplayName(fileName) + " (" + std::strerror(errno) + ")");
  FHandle = file;
}

TSharedReadFile::~TSharedReadFile() { std::fclose(static_cast<std::FILE*>(FHandle)); }

size_t TSharedReadFile::Read(void* buffer, size_t size) {
  std::FILE* file = static_cast<std::FILE*>(FHandle);
  size_t done = std::fread(buffer, 1, size, file);
  if (done == 0 && std::ferror(file)) throw EFileReadError(std::string("read failed (") + std::strerror(errno) + ")");
  return done;
}

#endif
