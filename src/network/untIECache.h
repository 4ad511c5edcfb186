#pragma once
// The Internet Explorer URL cache, which the embedded browser shares: removal of the entries of chosen kinds.
#include <windows.h>

#include <initializer_list>

// Kinds of cache entries, each standing for its WinINet entry-type flag.
enum class TIECacheEntryOption : DWORD {
  NORMAL_ENTRY = 0x1,
  STABLE_ENTRY = 0x2,
  STICKY_ENTRY = 0x4,
  TRACK_OFFLINE_ENTRY = 0x10,
  TRACK_ONLINE_ENTRY = 0x20,
  SPARSE_ENTRY = 0x10000,
  OCX_ENTRY = 0x20000,
  COOKIE_ENTRY = 0x100000,
  URLHISTORY_ENTRY = 0x200000
};

class TIECache {
 public:
  // Works on all entries (no URL pattern) of the chosen kinds that belong to no cache group.
  explicit TIECache(std::initializer_list<TIECacheEntryOption> filterOptions);

  DWORD Filter() const { return fFilter; }

  // Deletes every entry the filter selects; entries that refuse deletion stay. Does nothing where the
  // cache-group functions of WinINet are missing.
  void ClearAllEntries();

 private:
  DWORD fFilter = 0;
};
