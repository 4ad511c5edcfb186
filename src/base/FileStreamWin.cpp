// The file stream over a Win32 file handle, so that the share modes reach the system.
#include <windows.h>

#include <algorithm>

#include "base/Streams.h"
#include "base/untText.h"

namespace {

std::string SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", length);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  return WideToAnsi(message);
}

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

}  // namespace

TFileStream::TFileStream(const std::wstring& fileName, uint32_t mode) {
  const bool create = (mode & fmCreate) == fmCreate;
  const DWORD accessModes[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  const DWORD access = create ? GENERIC_READ | GENERIC_WRITE : accessModes[std::min<uint32_t>(mode & 3, 2)];
  // Without a share value an opened file is shared fully and a created one not at all.
  const uint32_t shareMode = mode & 0xF0;
  const DWORD share = shareMode == fmShareDenyNone    ? FILE_SHARE_READ | FILE_SHARE_WRITE
                      : shareMode == fmShareDenyWrite ? FILE_SHARE_READ
                      : shareMode == fmShareExclusive ? 0
                      : create                        ? 0
                                                      : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD disposition = create ? CREATE_ALWAYS : OPEN_EXISTING;
  const HANDLE handle =
      CreateFileW(fileName.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const std::string reason = SystemErrorText(GetLastError());
    const std::string name = WideToAnsi(fileName);
    if (create) throw EFCreateError("Cannot create file \"" + name + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + name + "\". " + reason);
  }
  fHandle = handle;
}

TFileStream::~TFileStream() { CloseHandle(AsHandle(fHandle)); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(AsHandle(fHandle), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(AsHandle(fHandle), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(AsHandle(fHandle), distance, &result, methods[static_cast<int>(origin)]))
    throw EStreamError("Stream seek error");
  return result.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
  const int64_t position = Position();
  SetPosition(size);
  if (!SetEndOfFile(AsHandle(fHandle))) throw EStreamError("Stream size error");
  if (position < size) SetPosition(position);
}
