#pragma once
// The registry class: a root key and one open current key, with the value operations the program needs,
// multi-string (REG_MULTI_SZ) values included. Reads and writes that a caller cannot sensibly go on from
// (wrong data type, refused write) raise ERegistryException; the Stored... reads ask without raising.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/untHandle.h"

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The registry calls that create, open or change a key of TReg; RegCreateKeyExW and the others unless a test puts
// its own in their place to have the registry refuse them.
struct TRegCalls {
  LONG(WINAPI* createKey)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
  LONG(WINAPI* openKey)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
  LONG(WINAPI* setValue)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
  LONG(WINAPI* deleteValue)(HKEY, LPCWSTR);
};
extern TRegCalls RegCalls;

class TReg {
 public:
  explicit TReg(HKEY rootKey, REGSAM access = KEY_ALL_ACCESS);

  // Opens path below the root key as the current key (closing the previous one); false on failure.
  bool OpenKey(const std::wstring& path, bool canCreate);
  void CloseKey() { fCurrentKey.Reset(); }

  bool ValueExists(const std::wstring& name) const;
  // The value's registry type (REG_SZ, REG_DWORD, ...), nullopt when it is missing.
  std::optional<DWORD> ValueType(const std::wstring& name) const;
  // Size in bytes of the value's data, -1 when it is missing.
  long GetDataSize(const std::wstring& name) const;
  // A REG_SZ or REG_EXPAND_SZ value; empty when it is missing.
  std::wstring ReadString(const std::wstring& name) const;
  std::int32_t ReadInteger(const std::wstring& name) const;  // a REG_DWORD value
  // The value when it is stored with that type; nullopt when it is missing or of another type.
  std::optional<std::wstring> StoredString(const std::wstring& name) const;
  std::optional<std::int32_t> StoredInteger(const std::wstring& name) const;
  void WriteString(const std::wstring& name, const std::wstring& value);
  void WriteInteger(const std::wstring& name, std::int32_t value);
  bool DeleteValue(const std::wstring& name);
  // Names of the current key's subkeys in the registry's order.
  std::vector<std::wstring> GetKeyNames() const;

  // Reads the REG_MULTI_SZ value into list. False, with list untouched, when list is null, the value is
  // missing, empty, unreadable or of another type.
  bool ReadStringList(const std::wstring& name, std::vector<std::wstring>* list) const;
  // Stores list as the REG_MULTI_SZ value; whether the registry accepted it.
  bool WriteStringList(const std::wstring& name, const std::vector<std::wstring>& list);

 private:
  // Reads the raw data; false when the value is missing or larger than its size said a moment ago.
  bool ReadRaw(const std::wstring& name, DWORD& type, std::vector<BYTE>& data) const;
  bool WriteRaw(const std::wstring& name, DWORD type, const void* data, size_t size);

  HKEY fRootKey;
  REGSAM fAccess;
  TRegKeyHandle fCurrentKey;
};
