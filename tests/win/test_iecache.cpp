// Clearing the URL cache of the test prefix: entries of every kind are made, the chosen kinds must go.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <string>

#include "network/untIECache.h"
#include "support/UrlCacheEntries.h"

namespace {

using O = TIECacheEntryOption;

TIECache ToolsCache() {
  return TIECache(
      {O::NORMAL_ENTRY, O::STICKY_ENTRY, O::URLHISTORY_ENTRY, O::TRACK_OFFLINE_ENTRY, O::TRACK_ONLINE_ENTRY});
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
  ASSERT_TRUE(MakeCacheEntry(normal, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(sticky, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(history, URLHISTORY_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(cookie, COOKIE_CACHE_ENTRY));
  for (const std::wstring& url : {normal, sticky, history, cookie}) ASSERT_TRUE(CacheEntryExists(url));

  ToolsCache().ClearAllEntries();
  EXPECT_FALSE(CacheEntryExists(normal));
  EXPECT_FALSE(CacheEntryExists(sticky));
  EXPECT_FALSE(CacheEntryExists(history));
  EXPECT_TRUE(CacheEntryExists(cookie));

  TIECache({O::COOKIE_ENTRY}).ClearAllEntries();
  EXPECT_FALSE(CacheEntryExists(cookie));
  ToolsCache().ClearAllEntries();  // an empty cache is no error
}
