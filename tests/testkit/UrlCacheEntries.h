#pragma once
// Entries of the Internet Explorer URL cache made and looked up by the tests.
#include <windows.h>

#include <string>

// Makes a cache entry of the given type with a small local file behind it.
bool MakeCacheEntry(const std::wstring& url, DWORD type);
bool CacheEntryExists(const std::wstring& url);
