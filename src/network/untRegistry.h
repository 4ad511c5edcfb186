#pragma once
// A registry key opened under a root key, with the value operations the program needs. Failures that a
// caller cannot sensibly go on from (wrong data type, refused write) raise ERegistryException.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  explicit TRegistry(HKEY rootKey, REGSAM access = KEY_ALL_ACCESS);
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  virtual ~TRegistry();

  // Opens path below the root key as the current key (closing the previous one); false on failure.
  bool OpenKey(const std::wstring& path, bool canCreate);
  void CloseKey();

  bool ValueExists(const std::wstring& name) const;
  // Size in bytes of the value's data, -1 when it is missing.
  long GetDataSize(const std::wstring& name) const;
  // A REG_SZ or REG_EXPAND_SZ value; empty when it is missing.
  std::wstring ReadString(const std::wstring& name) const;
  std::int32_t ReadInteger(const std::wstring& name) const;  // a REG_DWORD value
  void WriteInteger(const std::wstring& name, std::int32_t value);
  bool DeleteValue(const std::wstring& name);
  // Names of the current key's subkeys in the registry's order.
  std::vector<std::wstring> GetKeyNames() const;

 protected:
  HKEY CurrentKey() const { return fCurrentKey; }
  // Reads the raw data; false when the value is missing or larger than its size said a moment ago.
  bool ReadRaw(const std::wstring& name, DWORD& type, std::vector<BYTE>& data) const;

 private:
  HKEY fRootKey;
  REGSAM fAccess;
  HKEY fCurrentKey = nullptr;
};
