// GetTickCount64 came with Vista, and the static thread library calls it through its import slot. The slot is
// defined here, so that the linker takes it and no import of the function is made: the loader of XP would
// refuse the whole program over it. It points to a function that calls the system's GetTickCount64 where
// there is one and extends XP's GetTickCount otherwise. This file is linked as an object into every program,
// since the thread library asks for the slot after the libraries were searched.
#include "base/untWindowsXP.h"

#include <windows.h>

#include <atomic>

bool IsWindowsVistaOrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);
  return version.dwMajorVersion > 5;
}

uint64_t ExtendTickCount(uint64_t previous, uint32_t now) {
  uint64_t extended = (previous & ~uint64_t{0xFFFFFFFF}) | now;
  if (now < static_cast<uint32_t>(previous)) extended += uint64_t{1} << 32;
  return extended;
}

namespace {

using TGetTickCount64 = ULONGLONG(WINAPI*)();

// Every thread carries the wrap-arounds over through the last value any thread was handed; a count that is not
// asked for during 49.7 days misses one.
ULONGLONG WINAPI TickCountOfXP() {
  static std::atomic<uint64_t> last{0};
  uint64_t previous = last.load();
  uint64_t next;
  do {
    next = ExtendTickCount(previous, GetTickCount());
  } while (!last.compare_exchange_weak(previous, next));
  return next;
}

// No function-local static with a guard: the guard's wait would come back here through the thread library.
ULONGLONG WINAPI TickCount64() {
  static std::atomic<TGetTickCount64> found{nullptr};
  TGetTickCount64 function = found.load(std::memory_order_acquire);
  if (!function) {
    // Threads that race here store the same answer.
    FARPROC system = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    function = system ? reinterpret_cast<TGetTickCount64>(reinterpret_cast<void (*)()>(system)) : TickCountOfXP;
    found.store(function, std::memory_order_release);
  }
  return function();
}

}  // namespace

// kernel32's import slot as the compiler names it: decorated with the stdcall argument size on i686.
#if defined(__i386__)
extern "C" TGetTickCount64 gGetTickCount64Slot __asm__("__imp__GetTickCount64@0");
#else
extern "C" TGetTickCount64 gGetTickCount64Slot __asm__("__imp_GetTickCount64");
#endif
TGetTickCount64 gGetTickCount64Slot = TickCount64;
