#include "network/untMTURules.h"

namespace {

const std::wstring kLanPrefix = L"192.168.";

}  // namespace

TMTUAction DecideInterfaceMTU(const std::vector<std::wstring>& addresses, std::int32_t mtu, bool hasMTU,
                              const std::function<std::int32_t()>& readMTU,
                              const std::function<void(const std::wstring&)>& onAddress) {
  for (const std::wstring& address : addresses) {
    onAddress(address);
    if (address.compare(0, kLanPrefix.size(), kLanPrefix) != 0) continue;
    if (mtu > 0) return hasMTU && readMTU() <= mtu ? TMTUAction::SkipExisting : TMTUAction::Write;
    return hasMTU ? TMTUAction::Delete : TMTUAction::SkipMissing;
  }
  return TMTUAction::NotLan;
}
