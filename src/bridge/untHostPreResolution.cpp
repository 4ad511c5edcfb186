#include "bridge/untHostPreResolution.h"

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "bridge/untDnsCache.h"

namespace {

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
  fThread.Reset(CreateThread(nullptr, 0, PreResolveHosts, run.get(), CREATE_SUSPENDED, nullptr));
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
