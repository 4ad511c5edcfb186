#pragma once
// MTU of the computer's 192.168.* interfaces in the TCP/IP parameters of the registry.
#include <cstdint>

// mtu above 0: sets it on every 192.168.* interface that has none or a higher one; 0 or below: removes
// the setting from those interfaces. True when some interface's value was written or deleted.
// Raises ERegistryException on a value of the wrong type or a refused change; earlier changes stay.
bool SetAllMTU(std::int32_t mtu);
