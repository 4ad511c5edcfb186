#include "testkit/UrlCacheEntries.h"

#include <wininet.h>

#include "base/untHandle.h"

bool MakeCacheEntry(const std::wstring& url, DWORD type) {
  wchar_t file[MAX_PATH + 1] = {};
  if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
  {
    const TFileHandle handle(CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!handle) return false;
    DWORD written = 0;
    WriteFile(handle.Get(), "cached", 6, &written, nullptr);
  }
  FILETIME never = {};
  return CommitUrlCacheEntryW(url.c_str(), file, never, never, type, nullptr, 0, L"txt", nullptr) != FALSE;
}

bool CacheEntryExists(const std::wstring& url) {
  DWORD size = 0;
  GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}
