#include "support/MtuInterfaces.h"

#include <stdexcept>

const std::wstring TTestInterfaces::KeyPath = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

namespace {

struct TKey {
  HKEY handle = nullptr;
  TKey(HKEY key) : handle(key) {}
  TKey(const TKey&) = delete;
  ~TKey() {
    if (handle) RegCloseKey(handle);
  }
};

HKEY OpenInterface(const std::wstring& name, bool create) {
  HKEY key = nullptr;
  const std::wstring path = TTestInterfaces::KeyPath + L"\\" + name;
  LONG status = create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                         &key, nullptr)
                       : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  return status == ERROR_SUCCESS ? key : nullptr;
}

void SetValue(HKEY key, const std::wstring& value, DWORD type, const void* data, size_t size) {
  if (RegSetValueExW(key, value.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot prepare a registry value");
}

}  // namespace

TTestInterfaces::~TTestInterfaces() {
  for (const std::wstring& name : fNames) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (KeyPath + L"\\" + name).c_str());
  }
}

void TTestInterfaces::Add(const std::wstring& name, const std::optional<std::vector<std::wstring>>& ipAddress,
                          const std::optional<std::wstring>& dhcpIpAddress, std::optional<DWORD> mtu) {
  TKey key(OpenInterface(name, true));
  if (!key.handle) throw std::runtime_error("cannot create a test interface");
  fNames.push_back(name);
  if (ipAddress) {
    std::wstring layout;
    for (const std::wstring& address : *ipAddress) layout += address + L'\0';
    layout += L'\0';
    SetValue(key.handle, L"IPAddress", REG_MULTI_SZ, layout.data(), layout.size() * sizeof(wchar_t));
  }
  if (dhcpIpAddress)
    SetValue(key.handle, L"DhcpIPAddress", REG_SZ, dhcpIpAddress->c_str(), (dhcpIpAddress->size() + 1) * sizeof(wchar_t));
  if (mtu) SetValue(key.handle, L"MTU", REG_DWORD, &*mtu, sizeof(DWORD));
}

void TTestInterfaces::SetRaw(const std::wstring& name, const std::wstring& value, DWORD type,
                             const std::vector<BYTE>& data) {
  TKey key(OpenInterface(name, false));
  if (!key.handle) throw std::runtime_error("no such test interface");
  SetValue(key.handle, value, type, data.data(), data.size());
}

std::optional<DWORD> TTestInterfaces::Mtu(const std::wstring& name) const {
  TKey key(OpenInterface(name, false));
  if (!key.handle) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG status = RegQueryValueExW(key.handle, L"MTU", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return value;
}
