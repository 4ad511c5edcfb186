#pragma once
// Faults of the wave devices, put in place through the engine's winmm tables for the life of one object. The
// faulty calls answer with a code of their own; every other call, and the calls before the fault begins, reach
// the real driver, so that what the components believe stays what the driver holds.
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <string>

enum TWaveCall : unsigned {
  wcDevCaps = 1,
  wcQuery = 2,  // the open that only asks whether the format is taken
  wcOpen = 4,
  wcPrepare = 8,
  wcQueue = 16,  // waveInAddBuffer, waveOutWrite
  wcUnprepare = 32,
  wcStart = 64,
  wcReset = 128,
  wcClose = 256,
};

struct TWaveFault {
  unsigned calls;  // TWaveCall values
  MMRESULT code;
  int passes = 0;  // calls of those kinds that still succeed before the fault begins
  int times = -1;  // calls that fail once it has begun; -1: every one
};

class TWaveFaults {
 public:
  explicit TWaveFaults(const TWaveFault& fault);
  TWaveFaults(const TWaveFaults&) = delete;
  TWaveFaults& operator=(const TWaveFaults&) = delete;
  // Puts the real functions back, then resets and closes at the driver what a refused call left open there.
  ~TWaveFaults();

  // Devices opened that the components have not asked to close (a close refused here counts as asked).
  int OpenDevices() const;
  int Failures() const;
};

// The device error text of a code, as the components raise it.
std::wstring WaveInErrorText(MMRESULT code);
std::wstring WaveOutErrorText(MMRESULT code);
