#include "network/untRegistry.h"

#include <cstring>

#include "app/untGlobal.h"

namespace {

[[noreturn]] void RaiseFor(const char* what, const std::wstring& name) {
  throw ERegistryException(std::string(what) + " '" + WideToAnsi(name) + "'");
}

}  // namespace

TRegistry::TRegistry(HKEY rootKey, REGSAM access) : fRootKey(rootKey), fAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const std::wstring& path, bool canCreate) {
  CloseKey();
  LONG status = canCreate ? RegCreateKeyExW(fRootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, fAccess,
                                            nullptr, &fCurrentKey, nullptr)
                          : RegOpenKeyExW(fRootKey, path.c_str(), 0, fAccess, &fCurrentKey);
  if (status != ERROR_SUCCESS) fCurrentKey = nullptr;
  return fCurrentKey != nullptr;
}

void TRegistry::CloseKey() {
  if (fCurrentKey) RegCloseKey(fCurrentKey);
  fCurrentKey = nullptr;
}

bool TRegistry::ValueExists(const std::wstring& name) const { return GetDataSize(name) >= 0; }

long TRegistry::GetDataSize(const std::wstring& name) const {
  DWORD size = 0;
  if (!fCurrentKey || RegQueryValueExW(fCurrentKey, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<long>(size);
}

bool TRegistry::ReadRaw(const std::wstring& name, DWORD& type, std::vector<BYTE>& data) const {
  const long size = GetDataSize(name);
  if (size < 0) return false;
  data.assign(static_cast<size_t>(size), 0);
  DWORD got = static_cast<DWORD>(size);
  if (RegQueryValueExW(fCurrentKey, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &got) !=
      ERROR_SUCCESS)
    return false;
  data.resize(got);
  return true;
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data)) return std::wstring();
  if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseFor("Invalid data type for", name);
  // The stored text need not end with a NUL; it ends at the first one when it does.
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
  return text.substr(0, text.find(L'\0'));
}

std::int32_t TRegistry::ReadInteger(const std::wstring& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data)) RaiseFor("Failed to get data for", name);
  if (type != REG_DWORD || data.size() != sizeof(DWORD)) RaiseFor("Invalid data type for", name);
  DWORD value = 0;
  memcpy(&value, data.data(), sizeof(value));
  return static_cast<std::int32_t>(value);
}

void TRegistry::WriteInteger(const std::wstring& name, std::int32_t value) {
  const DWORD data = static_cast<DWORD>(value);
  if (!fCurrentKey || RegSetValueExW(fCurrentKey, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                     sizeof(data)) != ERROR_SUCCESS)
    RaiseFor("Failed to set data for", name);
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  return fCurrentKey && RegDeleteValueW(fCurrentKey, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TRegistry::GetKeyNames() const {
  std::vector<std::wstring> names;
  DWORD count = 0, longest = 0;
  if (!fCurrentKey || RegQueryInfoKeyW(fCurrentKey, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::vector<wchar_t> buffer(longest + 1);
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumKeyExW(fCurrentKey, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.emplace_back(buffer.data(), length);
  }
  return names;
}
