#pragma once
// The rules of the MTU adjustment, free of any platform call, so that the Windows side only reads and
// writes what these rules decide.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TMTUAction {
  NotLan,        // no 192.168. address: the interface is left alone
  Write,         // write the asked MTU
  SkipExisting,  // an MTU at or below the asked one is already set
  Delete,        // remove the MTU value
  SkipMissing    // nothing to remove
};

// What to do with one interface. mtu above 0 sets, 0 or below removes. Each address looked at is passed to
// onAddress first, in order, up to the first 192.168. one. readMTU is called only when the interface has an
// MTU value and its number matters (setting on a 192.168. interface); it may throw.
TMTUAction DecideInterfaceMTU(const std::vector<std::wstring>& addresses, std::int32_t mtu, bool hasMTU,
                              const std::function<std::int32_t()>& readMTU,
                              const std::function<void(const std::wstring&)>& onAddress);
