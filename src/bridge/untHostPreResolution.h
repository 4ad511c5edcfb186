#pragma once
// The start-up lookup of the platform's hosts (kPlatformHosts) into the host cache, on a thread of its own that
// frees itself and logs "cache domains done" at its end. The main window makes it before it gathers the
// environment information and starts it after; made and never started, the thread ends without a lookup.
#include <memory>

#include "base/untHandle.h"

class THostPreResolution {
 public:
  // A thread that cannot be made is logged; the requests then look their hosts up themselves.
  THostPreResolution();
  ~THostPreResolution();
  THostPreResolution(const THostPreResolution&) = delete;
  THostPreResolution& operator=(const THostPreResolution&) = delete;
  void Start();

 private:
  bool* fRun = nullptr;   // owned by the thread, which reads it once it runs
  TKernelHandle fThread;  // the suspended thread, until Start
};
