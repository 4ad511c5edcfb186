#pragma once
// Network interfaces made under the TCP/IP parameters of the test prefix's registry for one test, and
// removed again with the object.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TTestInterfaces {
 public:
  TTestInterfaces() = default;
  TTestInterfaces(const TTestInterfaces&) = delete;
  TTestInterfaces& operator=(const TTestInterfaces&) = delete;
  ~TTestInterfaces();

  // A new interface; each value is stored only when given.
  void Add(const std::wstring& name, const std::optional<std::vector<std::wstring>>& ipAddress,
           const std::optional<std::wstring>& dhcpIpAddress, std::optional<DWORD> mtu = std::nullopt);
  // Stores any value as it stands, e.g. one of the wrong type.
  void SetRaw(const std::wstring& name, const std::wstring& value, DWORD type, const std::vector<BYTE>& data);
  std::optional<DWORD> MTU(const std::wstring& name) const;  // nullopt when missing or not a DWORD

  static const std::wstring KeyPath;

 private:
  std::vector<std::wstring> fNames;
};
