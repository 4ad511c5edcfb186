#pragma once
// The client runs on Windows XP as on every later Windows: what came with Vista is asked for at run time, with
// XP's way beside it.
#include <cstdint>

// Windows Vista or later (major version 6 and above), the systems with Core Audio and elevation by "runas".
bool IsWindowsVistaOrLater();

// The 64-bit tick count made from XP's 32-bit GetTickCount: previous is the last value handed out, now the
// count read after it. A count below the previous one's lower half has wrapped around (every 49.7 days).
uint64_t ExtendTickCount(uint64_t previous, uint32_t now);
