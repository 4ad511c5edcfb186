#pragma once
// The rules of the MTU adjustment and of the registry's multi-string layout, free of any platform call,
// so that the Windows side only reads and writes what these rules decide.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// REG_MULTI_SZ data (UTF-16LE bytes) as a list: each NUL ends a string (an empty one too), a NUL right
// after a NUL ends the walk, a last string without its NUL is dropped, an odd last byte is ignored.
std::vector<std::wstring> ParseMultiString(const std::uint8_t* data, std::size_t size);

// The list in that layout: each string and a NUL, then one more NUL. Strings hold UTF-16 code units.
std::vector<std::uint8_t> BuildMultiString(const std::vector<std::wstring>& list);

enum class TMtuAction {
  NotLan,        // no 192.168. address: the interface is left alone
  Write,         // write the asked MTU
  SkipExisting,  // an MTU at or below the asked one is already set
  Delete,        // remove the MTU value
  SkipMissing    // nothing to remove
};

// What to do with one interface. mtu above 0 sets, 0 or below removes. Each address looked at is passed to
// onAddress first, in order, up to the first 192.168. one. readMtu is called only when the interface has an
// MTU value and its number matters (setting on a 192.168. interface); it may throw.
TMtuAction DecideInterfaceMtu(const std::vector<std::wstring>& addresses, std::int32_t mtu, bool hasMtu,
                              const std::function<std::int32_t()>& readMtu,
                              const std::function<void(const std::wstring&)>& onAddress);
