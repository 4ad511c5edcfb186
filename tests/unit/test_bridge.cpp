#include <gtest/gtest.h>

#include "bridge/untCallbackScript.h"

TEST(BridgeCallbackScript, PlainIdsGiveThePagesOwnLines) {
  const struct {
    TCallback callback;
    const wchar_t* status;
    const wchar_t* line;
  } cases[] = {
      {TCallback::cbRecordVoiceCompleted, L"ok", LR"(window.voxVoiceEngine.onRecordVoiceCompleted("s-12", "ok");)"},
      {TCallback::cbPlayRecordedVoiceCompleted, L"ok",
       LR"(window.voxVoiceEngine.onPlayRecordedVoiceCompleted("s-12", "ok");)"},
      {TCallback::cbScoreRecordedVoiceCompleted, L"network_error",
       LR"(window.voxVoiceEngine.onScoreRecordedVoiceCompleted("s-12", "network_error");)"},
      {TCallback::cbPlayAudioDownloaded, L"ok",
       LR"(if(window.voxVoiceEngine.onPlayAudioDownloaded)window.voxVoiceEngine.onPlayAudioDownloaded("s-12", "ok");)"},
      {TCallback::cbPlayAudioCompleted, L"ok", LR"(window.voxVoiceEngine.onPlayAudioCompleted("s-12", "ok");)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.line, CallbackScript(c.callback, L"s-12", c.status));
  EXPECT_EQ(LR"(window.voxVoiceEngine.onRecordVoiceCompleted("", "");)",
            CallbackScript(TCallback::cbRecordVoiceCompleted, L"", L""));
}

TEST(BridgeCallbackScript, IdsAndStatusAreStringLiteralsThePageReadsBackAsSent) {
  const struct {
    std::wstring id;
    std::wstring literal;
  } cases[] = {
      {LR"(x");alert(1);(")", LR"(x\");alert(1);(\")"},
      {LR"(a\b\")", LR"(a\\b\\\")"},
      {L"line\r\nbreak\ttab", LR"(line\u000d\u000abreak\u0009tab)"},
      {std::wstring(L"nul\0end", 7), LR"(nul\u0000end)"},
      {L"\u2028\u2029\u007f\u0085", LR"(\u2028\u2029\u007f\u0085)"},
      {L"中文 \U0001F600 'single'", L"中文 \U0001F600 'single'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(L"window.voxVoiceEngine.onPlayAudioCompleted(\"" + c.literal + L"\", \"ok\");",
              CallbackScript(TCallback::cbPlayAudioCompleted, c.id, L"ok"));
    EXPECT_EQ(L"window.voxVoiceEngine.onScoreRecordedVoiceCompleted(\"1\", \"" + c.literal + L"\");",
              CallbackScript(TCallback::cbScoreRecordedVoiceCompleted, L"1", c.id));
  }
}
