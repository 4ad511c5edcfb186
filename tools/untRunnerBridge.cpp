#include "tools/untRunnerBridge.h"

#include <stdexcept>
#include <thread>

#include "bridge/untCallbackScript.h"

void TRunnerScriptExecutor::ExecJavascript(const std::wstring& script) {
  try {
    fRunner.RunCallback(script);
  } catch (...) {
    // Lost without trace, as a callback the browser cannot run.
  }
}

void TMainWindowStandIn::ShowRecordFailedTip() {
  WriteRunnerLine(STD_OUTPUT_HANDLE, L"[main window] ShowRecordFailedTip");
}
void TMainWindowStandIn::ForceFlashUpdate() { WriteRunnerLine(STD_OUTPUT_HANDLE, L"[main window] ForceFlashUpdate"); }

namespace {

[[noreturn]] void EchoOnlyRecords() { throw std::runtime_error("the echo voice engine only records and scores"); }

}  // namespace

void TEchoVoiceOperations::recordVoice(IVoiceHost& host, const std::wstring& sentenceId, int32_t speechTime) {
  // The worker keeps its host alive as the voice engine's own workers do, and ends by itself.
  std::thread([hold = host.KeepAlive(), sentenceId, speechTime] {
    try {
      for (int32_t k = 1; k <= speechTime; ++k)
        hold->callJavascript(CallbackScript(TCallback::cbRecordVoiceCompleted, sentenceId, std::to_wstring(k)));
    } catch (...) {
    }
  }).detach();
}

void TEchoVoiceOperations::playRecordedVoice(IVoiceHost&, const std::wstring&) { EchoOnlyRecords(); }
void TEchoVoiceOperations::scoreRecordedVoice(IVoiceHost& host, const std::wstring&, const std::wstring& sentenceId,
                                              const std::wstring&, const std::wstring&) {
  host.callJavascript(CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, sentenceId, L"no_recorded_voice"));
}
std::optional<std::wstring> TEchoVoiceOperations::getScoreRecordedVoiceResult(IVoiceHost&, const std::wstring&) {
  EchoOnlyRecords();
}
void TEchoVoiceOperations::playAudio(IVoiceHost&, const std::wstring&, const std::wstring&) { EchoOnlyRecords(); }
