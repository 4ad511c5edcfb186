#include "network/untIECache.h"

#include <wininet.h>

#include <vector>

#include "base/untHandle.h"

namespace {

struct TUrlCacheFindTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static void Close(Type find) { FindCloseUrlCache(find); }
};

// A fetch of the next entry that fails for a reason other than the end is tried this often before the
// clearing gives up, so that a broken cache cannot hold the window.
constexpr int kMaxFetchAttempts = 3;

// Cache groups and the extended enumeration came with Internet Explorer 5; their presence is looked up
// once and a positive answer kept for the run.
bool CacheGroupFunctionsAvailable() {
  static bool available = false;
  if (available) return true;
  // The program imports wininet.dll, so it is loaded for the whole run.
  HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  if (!wininet) return false;
  for (const char* name : {"FindFirstUrlCacheGroup", "FindNextUrlCacheGroup", "GetUrlCacheGroupAttributeA",
                           "SetUrlCacheGroupAttributeA", "FindFirstUrlCacheEntryExA"})
    if (!GetProcAddress(wininet, name)) return false;
  available = true;
  return true;
}

// The entries of the filter's kinds that belong to no cache group, each fetched in two calls: its size,
// then its information. Where the system offers the extended enumeration only as a stub (Wine), the plain
// enumeration of all entries stands in and the filter is applied here.
class TCacheEnumeration {
 public:
  explicit TCacheEnumeration(DWORD filter) : fFilter(filter) {}

  // Starts with the first entry; false when there is none.
  bool First() {
    DWORD size = 0;
    FindFirstUrlCacheEntryExW(nullptr, 0, fFilter, 0, nullptr, &size, nullptr, nullptr, nullptr);
    const DWORD error = GetLastError();
    if (error == ERROR_NO_MORE_ITEMS) return false;
    if (error == ERROR_INSUFFICIENT_BUFFER) {
      Reserve(size);
      fHandle.Reset(FindFirstUrlCacheEntryExW(nullptr, 0, fFilter, 0, Entry(), &size, nullptr, nullptr, nullptr));
      return fHandle.Valid();
    }
    fExtended = false;
    size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    Reserve(size);
    fHandle.Reset(FindFirstUrlCacheEntryW(nullptr, Entry(), &size));
    return fHandle.Valid();
  }

  // Moves to the next entry; false with the reason in GetLastError.
  bool Next() {
    DWORD size = 0;
    if (FetchNext(nullptr, size)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    Reserve(size);
    return FetchNext(Entry(), size);
  }

  // Whether the current entry is one of the filter's kinds: the plain enumeration returns every kind, and an
  // entry of mixed kinds is taken only when all of its kinds are chosen (so a cookie is never taken).
  bool Selected() {
    const DWORD type = Entry()->CacheEntryType;
    return fExtended || (type != 0 && (type & ~fFilter) == 0);
  }

  const wchar_t* SourceUrl() { return Entry()->lpszSourceUrlName; }

 private:
  bool FetchNext(INTERNET_CACHE_ENTRY_INFOW* entry, DWORD& size) {
    return (fExtended ? FindNextUrlCacheEntryExW(fHandle.Get(), entry, &size, nullptr, nullptr, nullptr)
                      : FindNextUrlCacheEntryW(fHandle.Get(), entry, &size)) != FALSE;
  }
  void Reserve(DWORD size) {
    // Whole elements of a type aligned like the entry structure.
    fBuffer.assign(size / sizeof(ULONGLONG) + 1, 0);
  }
  INTERNET_CACHE_ENTRY_INFOW* Entry() { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(fBuffer.data()); }

  DWORD fFilter;
  bool fExtended = true;
  THandle<TUrlCacheFindTraits> fHandle;
  std::vector<ULONGLONG> fBuffer;
};

// The next entry, a failing fetch tried again up to the bound; false at the end or when giving up.
bool FetchNextEntry(TCacheEnumeration& entries) {
  for (int attempt = 0; attempt < kMaxFetchAttempts; ++attempt) {
    if (entries.Next()) return true;
    if (GetLastError() == ERROR_NO_MORE_ITEMS) return false;
  }
  return false;
}

}  // namespace

TIECache::TIECache(std::initializer_list<TIECacheEntryOption> filterOptions) {
  for (TIECacheEntryOption option : filterOptions) fFilter |= static_cast<DWORD>(option);
}

void TIECache::ClearAllEntries() {
  if (!CacheGroupFunctionsAvailable()) return;
  TCacheEnumeration entries(fFilter);
  if (!entries.First()) return;
  do {
    // A deletion that fails (an entry in use, say) is passed over.
    if (entries.Selected()) DeleteUrlCacheEntryW(entries.SourceUrl());
  } while (FetchNextEntry(entries));
}
