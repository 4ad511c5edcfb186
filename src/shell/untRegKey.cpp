#include "shell/untRegKey.h"

#include <vector>

std::unique_ptr<TRegKey> TRegKey::OpenOrCreate(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return std::unique_ptr<TRegKey>(new TRegKey(key));
}

TRegKey::~TRegKey() { RegCloseKey(fKey); }

bool TRegKey::ReadString(const std::wstring& name, std::wstring& value) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(fKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  // One more character than stored: the stored text need not end with a terminator.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = size;
  if (RegQueryValueExW(fKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
      ERROR_SUCCESS)
    return false;
  value = buffer.data();
  return true;
}

bool TRegKey::ReadInteger(const std::wstring& name, int32_t& value) const {
  DWORD type = 0, number = 0, size = sizeof(number);
  if (RegQueryValueExW(fKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return false;
  value = static_cast<int32_t>(number);
  return true;
}

bool TRegKey::WriteString(const std::wstring& name, const std::wstring& value) {
  return RegSetValueExW(fKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}
