#pragma once
// The one-line scripts by which the voice operations report to the page's window.voxVoiceEngine.
#include <string>

enum class TCallback {
  cbRecordVoiceCompleted,
  cbPlayRecordedVoiceCompleted,
  cbScoreRecordedVoiceCompleted,
  cbPlayAudioDownloaded,  // only called when the page defines the handler
  cbPlayAudioCompleted
};

// window.voxVoiceEngine.<handler>("<id>", "<status>"); with id and status as JavaScript string literals that the
// page reads back exactly as sent: an id can neither break the line nor run as code. Quote, backslash, control
// characters and the line separators U+2028/U+2029 are escaped; all else (non-BMP text included) stays as it is.
std::wstring CallbackScript(TCallback callback, const std::wstring& id, const std::wstring& status);

// The script as the page's executor runs it: an exception thrown inside it stays inside it.
std::wstring GuardedScript(const std::wstring& script);
