#pragma once
// What the page runner plugs into the script bridge in place of the client's browser and main window, and
// the echo voice engine that only the runner's tests use.
#include <string>

#include "bridge/untTovlaneWebBrowserExternal.h"
#include "tools/untPageRunner.h"

// Runs the bridge's callbacks in the runner's script engine.
class TRunnerScriptExecutor : public IScriptExecutor {
 public:
  explicit TRunnerScriptExecutor(TPageRunner& runner) : fRunner(runner) {}
  void ExecJavascript(const std::wstring& script) override;

 private:
  TPageRunner& fRunner;
};

// Prints "[main window] <operation>" on standard output for each main-window operation the bridge asks for.
class TMainWindowStandIn : public IMainWindowOperations {
 public:
  void ShowRecordFailedTip() override;
  void ForceFlashUpdate() override;
};

// Test only (--echo-voice): recordVoice(id, n) starts one worker that calls onRecordVoiceCompleted(id, k) for
// k = 1..n through callJavascript, as the bridge's own workers report; scoreRecordedVoice answers
// onScoreRecordedVoiceCompleted(id, "no_recorded_voice") on the main thread before it returns, as an early
// status does; the other voice calls fail.
class TEchoVoiceOperations : public IVoiceOperations {
 public:
  void recordVoice(IVoiceHost& host, const std::wstring& sentenceId, int32_t speechTime) override;
  void playRecordedVoice(IVoiceHost& host, const std::wstring& sentenceId) override;
  void scoreRecordedVoice(IVoiceHost& host, const std::wstring& voiceEngineUrl, const std::wstring& sentenceId,
                          const std::wstring& englishText, const std::wstring& saveVoice) override;
  std::optional<std::wstring> getScoreRecordedVoiceResult(IVoiceHost& host, const std::wstring& sentenceId) override;
  void playAudio(IVoiceHost& host, const std::wstring& contextId, const std::wstring& url) override;
};
