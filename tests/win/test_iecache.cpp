// Clearing the URL cache of the test prefix: entries of every kind are made, the chosen kinds must go.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <string>

#include "network/untIECache.h"

namespace {

using O = TIECacheEntryOption;

TIECache ToolsCache() {
  return TIECache({O::NORMAL_ENTRY, O::STICKY_ENTRY, O::URLHISTORY_ENTRY, O::TRACK_OFFLINE_ENTRY,
                   O::TRACK_ONLINE_ENTRY});
}

// Makes a cache entry of the given type with a small local file behind it.
bool MakeEntry(const std::wstring& url, DWORD type) {
  wchar_t file[MAX_PATH + 1] = {};
  if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
  HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(handle, "cached", 6, &written, nullptr);
  CloseHandle(handle);
  FILETIME never = {};
  return CommitUrlCacheEntryW(url.c_str(), file, never, never, type, nullptr, 0, L"txt", nullptr) != FALSE;
}

bool EntryExists(const std::wstring& url) {
  DWORD size = 0;
  GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace

TEST(IECache, FilterIsTheSumOfTheChosenKinds) {
  EXPECT_EQ(0x200035u, ToolsCache().Filter());
  EXPECT_EQ(0u, TIECache({}).Filter());
}

TEST(IECache, ClearingKeepsCookiesAndRemovesTheChosenKinds) {
  const std::wstring normal = L"http://127.0.0.1/tovlane-cache/page.html";
  const std::wstring sticky = L"http://127.0.0.1/tovlane-cache/sticky.js";
  const std::wstring history = L"Visited: pupil@http://127.0.0.1/tovlane-cache/visited.html";
  const std::wstring cookie = L"Cookie:pupil@127.0.0.1/tovlane-cache/";
  ASSERT_TRUE(MakeEntry(normal, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(MakeEntry(sticky, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
  ASSERT_TRUE(MakeEntry(history, URLHISTORY_CACHE_ENTRY));
  ASSERT_TRUE(MakeEntry(cookie, COOKIE_CACHE_ENTRY));
  for (const std::wstring& url : {normal, sticky, history, cookie}) ASSERT_TRUE(EntryExists(url));

  ToolsCache().ClearAllEntries();
  EXPECT_FALSE(EntryExists(normal));
  EXPECT_FALSE(EntryExists(sticky));
  EXPECT_FALSE(EntryExists(history));
  EXPECT_TRUE(EntryExists(cookie));

  TIECache({O::COOKIE_ENTRY}).ClearAllEntries();
  EXPECT_FALSE(EntryExists(cookie));
  ToolsCache().ClearAllEntries();  // an empty cache is no error
}
