#include "testkit/MTUInterfaces.h"

#include <stdexcept>

#include "base/untHandle.h"

const std::wstring TTestInterfaces::KeyPath = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

namespace {

TRegKeyHandle OpenInterface(const std::wstring& name, bool create) {
  HKEY key = nullptr;
  const std::wstring path = TTestInterfaces::KeyPath + L"\\" + name;
  LONG status =
      create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
             : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  return TRegKeyHandle(status == ERROR_SUCCESS ? key : nullptr);
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
  const TRegKeyHandle key = OpenInterface(name, true);
  if (!key) throw std::runtime_error("cannot create a test interface");
  fNames.push_back(name);
  if (ipAddress) {
    std::wstring layout;
    for (const std::wstring& address : *ipAddress) layout += address + L'\0';
    layout += L'\0';
    SetValue(key.Get(), L"IPAddress", REG_MULTI_SZ, layout.data(), layout.size() * sizeof(wchar_t));
  }
  if (dhcpIpAddress)
    SetValue(key.Get(), L"DhcpIPAddress", REG_SZ, dhcpIpAddress->c_str(),
             (dhcpIpAddress->size() + 1) * sizeof(wchar_t));
  if (mtu) SetValue(key.Get(), L"MTU", REG_DWORD, &*mtu, sizeof(DWORD));
}

void TTestInterfaces::SetRaw(const std::wstring& name, const std::wstring& value, DWORD type,
                             const std::vector<BYTE>& data) {
  const TRegKeyHandle key = OpenInterface(name, false);
  if (!key) throw std::runtime_error("no such test interface");
  SetValue(key.Get(), value, type, data.data(), data.size());
}

std::optional<DWORD> TTestInterfaces::MTU(const std::wstring& name) const {
  const TRegKeyHandle key = OpenInterface(name, false);
  if (!key) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG status = RegQueryValueExW(key.Get(), L"MTU", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return value;
}
