#include "base/untReg.h"

#include <cstring>

#include "base/untMultiString.h"
#include "base/untText.h"

namespace {

[[noreturn]] void RaiseFor(const char* what, const std::wstring& name) {
  throw ERegistryException(std::string(what) + " '" + WideToAnsi(name) + "'");
}

}  // namespace

TRegCalls RegCalls = {RegCreateKeyExW, RegOpenKeyExW, RegSetValueExW, RegDeleteValueW};

TReg::TReg(HKEY rootKey, REGSAM access) : fRootKey(rootKey), fAccess(access) {}

bool TReg::OpenKey(const std::wstring& path, bool canCreate) {
  CloseKey();
  const LONG status = canCreate ? RegCalls.createKey(fRootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     fAccess, nullptr, fCurrentKey.Receive(), nullptr)
                                : RegCalls.openKey(fRootKey, path.c_str(), 0, fAccess, fCurrentKey.Receive());
  if (status != ERROR_SUCCESS) fCurrentKey.Release();
  return fCurrentKey.Valid();
}

bool TReg::ValueExists(const std::wstring& name) const { return GetDataSize(name) >= 0; }

std::optional<DWORD> TReg::ValueType(const std::wstring& name) const {
  DWORD type = 0;
  if (!fCurrentKey ||
      RegQueryValueExW(fCurrentKey.Get(), name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  return type;
}

long TReg::GetDataSize(const std::wstring& name) const {
  DWORD size = 0;
  if (!fCurrentKey ||
      RegQueryValueExW(fCurrentKey.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<long>(size);
}

bool TReg::ReadRaw(const std::wstring& name, DWORD& type, std::vector<BYTE>& data) const {
  const long size = GetDataSize(name);
  if (size < 0) return false;
  data.assign(static_cast<size_t>(size), 0);
  DWORD got = static_cast<DWORD>(size);
  if (RegQueryValueExW(fCurrentKey.Get(), name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &got) !=
      ERROR_SUCCESS)
    return false;
  data.resize(got);
  return true;
}

bool TReg::WriteRaw(const std::wstring& name, DWORD type, const void* data, size_t size) {
  return fCurrentKey && RegCalls.setValue(fCurrentKey.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

std::optional<std::wstring> TReg::StoredString(const std::wstring& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  // The stored text need not end with a NUL; it ends at the first one when it does.
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
  return text.substr(0, text.find(L'\0'));
}

std::optional<std::int32_t> TReg::StoredInteger(const std::wstring& name) const {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  memcpy(&value, data.data(), sizeof(value));
  return static_cast<std::int32_t>(value);
}

std::wstring TReg::ReadString(const std::wstring& name) const {
  if (!ValueExists(name)) return std::wstring();
  const std::optional<std::wstring> text = StoredString(name);
  if (!text) RaiseFor("Invalid data type for", name);
  return *text;
}

std::int32_t TReg::ReadInteger(const std::wstring& name) const {
  if (!ValueExists(name)) RaiseFor("Failed to get data for", name);
  const std::optional<std::int32_t> value = StoredInteger(name);
  if (!value) RaiseFor("Invalid data type for", name);
  return *value;
}

void TReg::WriteString(const std::wstring& name, const std::wstring& value) {
  if (!WriteRaw(name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t)))
    RaiseFor("Failed to set data for", name);
}

void TReg::WriteInteger(const std::wstring& name, std::int32_t value) {
  const DWORD data = static_cast<DWORD>(value);
  if (!WriteRaw(name, REG_DWORD, &data, sizeof(data))) RaiseFor("Failed to set data for", name);
}

bool TReg::DeleteValue(const std::wstring& name) {
  return fCurrentKey && RegCalls.deleteValue(fCurrentKey.Get(), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TReg::GetKeyNames() const {
  std::vector<std::wstring> names;
  DWORD count = 0, longest = 0;
  if (!fCurrentKey || RegQueryInfoKeyW(fCurrentKey.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::vector<wchar_t> buffer(longest + 1);
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumKeyExW(fCurrentKey.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS)
      names.emplace_back(buffer.data(), length);
  }
  return names;
}

bool TReg::ReadStringList(const std::wstring& name, std::vector<std::wstring>* list) const {
  if (!list || GetDataSize(name) <= 0) return false;
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data) || type != REG_MULTI_SZ) return false;
  *list = ParseMultiString(data.data(), data.size());
  return true;
}

bool TReg::WriteStringList(const std::wstring& name, const std::vector<std::wstring>& list) {
  const std::vector<std::uint8_t> data = BuildMultiString(list);
  return WriteRaw(name, REG_MULTI_SZ, data.data(), data.size());
}
