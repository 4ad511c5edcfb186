#pragma once
// MTU of the computer's 192.168.* interfaces in the TCP/IP parameters of the registry.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

// The MTU the repair sets, from the tools window and the silent command line alike.
inline constexpr std::int32_t kLoweredMTU = 1417;

// mtu above 0: sets it on every 192.168.* interface that has none or a higher one; 0 or below: removes
// the setting from those interfaces. True when some interface's value was written or deleted.
// Raises ERegistryException on a value of the wrong type or a refused change; earlier changes stay. With
// skipped given, such an interface is handed to it instead and the others are still adjusted.
using TSkippedInterface = std::function<void(const std::wstring& interfaceName, const std::exception& error)>;
bool SetAllMTU(std::int32_t mtu, const TSkippedInterface& skipped = nullptr);
