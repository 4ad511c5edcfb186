#include "bridge/untHostPreResolution.h"

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "bridge/untDnsCache.h"

namespace {

// Five name lookups and their log lines: a quarter of a megabyte of address space is plenty, and the default
// reservation (the executable's, 2 MB) would be held for nothing.
const SIZE_T kStackReservationBytes = 256 * 1024;

DWORD WINAPI PreResolveHosts(void* parameter) {
  std::unique_ptr<bool> run(static_cast<bool*>(parameter));
  if (!*run) return 0;
  try {
    for (const char* host : kPlatformHosts) GetIpWithCache(host);
    WriteLog(L"cache domains done");
  } catch (...) {
    // Only memory can run out here; the requests then look their hosts up themselves.
  }
  return 0;
}

}  // namespace

THostPreResolution::THostPreResolution() {
  auto run = std::make_unique<bool>(true);
  fThread.Reset(CreateThread(nullptr, kStackReservationBytes, PreResolveHosts, run.get(),
                             CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  // Without it each request looks its host up itself.
  if (!fThread)
    WriteLog(L"THostPreResolution: the thread cannot be made");
  else
    fRun = run.release();  // the thread's from now on
}

THostPreResolution::~THostPreResolution() {
  if (!fThread) return;
  *fRun = false;
  ResumeThread(fThread.Get());
}

void THostPreResolution::Start() {
  if (!fThread) return;
  ResumeThread(fThread.Get());
  fThread.Reset();
}
