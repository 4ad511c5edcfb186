#include "network/untMTU.h"

#include <string>
#include <vector>

#include "base/untGlobal.h"
#include "base/untReg.h"
#include "network/untMTURules.h"

namespace {

const std::wstring kInterfacesKey = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

std::vector<std::wstring> InterfaceNames() {
  TReg reg(HKEY_LOCAL_MACHINE);
  // Without administrator rights the key does not open and there is nothing to change.
  return reg.OpenKey(kInterfacesKey, false) ? reg.GetKeyNames() : std::vector<std::wstring>();
}

// Acts on one interface's key as decided; true when its MTU value was written or deleted.
bool AdjustInterface(TReg& reg, std::int32_t mtu) {
  std::vector<std::wstring> addresses;
  reg.ReadStringList(L"IPAddress", &addresses);
  addresses.push_back(reg.ReadString(L"DhcpIPAddress"));
  const TMTUAction action = DecideInterfaceMTU(
      addresses, mtu, reg.ValueExists(L"MTU"), [&reg] { return reg.ReadInteger(L"MTU"); },
      [](const std::wstring& address) { WriteLog(L"SetAllMTU checking interface ip " + address); });
  switch (action) {
    case TMTUAction::Write:
      WriteLog(L"SetAllMTU update MTU to " + std::to_wstring(mtu));
      reg.WriteInteger(L"MTU", mtu);
      return true;
    case TMTUAction::SkipExisting:
      WriteLog(L"SetAllMTU update MTU skip, existed");
      return false;
    case TMTUAction::Delete:
      WriteLog(L"SetAllMTU remove MTU");
      // A deletion the registry refuses must not be reported as a change.
      if (!reg.DeleteValue(L"MTU")) throw ERegistryException("Failed to delete 'MTU'");
      return true;
    case TMTUAction::SkipMissing:
      WriteLog(L"SetAllMTU remove MTU skip, not existed");
      return false;
    case TMTUAction::NotLan:
      break;
  }
  return false;
}

}  // namespace

bool SetAllMTU(std::int32_t mtu, const TSkippedInterface& skipped) {
  bool changed = false;
  for (const std::wstring& name : InterfaceNames()) {
    WriteLog(L"SetAllMTU checking interface " + name);
    TReg reg(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(kInterfacesKey + L"\\" + name, false)) continue;
    try {
      if (AdjustInterface(reg, mtu)) changed = true;
    } catch (const ERegistryException& error) {
      if (!skipped) throw;
      skipped(name, error);
    }
  }
  return changed;
}
