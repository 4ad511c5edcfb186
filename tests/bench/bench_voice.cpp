// Time from a page's voice call to its callback, under Wine on the test environment's devices and against the
// platform test server (TOVLANE_SERVER): recordVoice(id, T) for T = 1000 and 3000 ms, and scoreRecordedVoice with
// its conversion (the page's call) and its upload (the call's return to the callback) apart.
// Usage: bench_voice <TemplateAdpcm.wav>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untText.h"
#include "bridge/untTovlaneWebBrowserExternal.h"
#include "bridge/untVoiceEngine.h"
#include "testkit/DispatchCall.h"
#include "testkit/WinTestSupport.h"

namespace {

using TClock = std::chrono::steady_clock;

class TCallbackCounter : public IScriptExecutor {
 public:
  size_t count = 0;
  void ExecJavascript(const std::wstring&) override { ++count; }
};

double Ms(TClock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

void Print(const char* what, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  std::printf("%-40s min %8.1f ms  median %8.1f ms  max %8.1f ms  (%zu runs)\n", what, samples.front(),
              samples[samples.size() / 2], samples.back(), samples.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const char* server = std::getenv("TOVLANE_SERVER");
  if (argc < 2 || !server) {
    std::fprintf(stderr, "usage: bench_voice <TemplateAdpcm.wav>, with TOVLANE_SERVER set\n");
    return 2;
  }
  const int kRuns = 5;
  setvbuf(stdout, nullptr, _IONBF, 0);
  InitGlobal();
  TMainThread mainThread;
  auto counterOwned = std::make_unique<TCallbackCounter>();
  TCallbackCounter* counter = counterOwned.get();
  auto bridge = TTovlaneWebBrowserExternal::Create(std::move(counterOwned), std::make_unique<TVoiceEngine>(argv[1]));
  // One call and the time until its callback; the time of the call itself in callMs.
  auto timed = [&](const wchar_t* method, std::vector<VARIANT> arguments, double* callMs = nullptr) {
    const size_t before = counter->count;
    const TClock::time_point start = TClock::now();
    auto call = Call(bridge.Get(), method, std::move(arguments));
    if (FAILED(call->hr)) {
      std::fprintf(stderr, "%ls failed: %ls\n", method, call->description.c_str());
      std::exit(1);
    }
    if (callMs) *callMs = Ms(TClock::now() - start);
    PumpMessagesUntil([&] { return counter->count > before; });
    return Ms(TClock::now() - start);
  };
  for (int length : {1000, 3000}) {
    std::vector<double> samples;
    for (int i = 0; i < kRuns; ++i) samples.push_back(timed(L"recordVoice", {Text(L"b"), Int(length)}));
    Print(("recordVoice " + std::to_string(length) + " ms to callback").c_str(), samples);
  }
  std::vector<double> conversion, upload;
  for (int i = 0; i < kRuns; ++i) {
    double callMs = 0;
    const double total =
        timed(L"scoreRecordedVoice",
              {Text(AnsiToWide(server) + L"/score"), Text(L"b"), Text(L"The quick brown fox."), Text(L"0")}, &callMs);
    conversion.push_back(callMs);
    upload.push_back(total - callMs);
  }
  Print("score of 3 s: conversion (the page's call)", conversion);
  Print("score of 3 s: upload to callback", upload);
  return 0;
}
