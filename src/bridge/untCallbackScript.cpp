#include "bridge/untCallbackScript.h"

namespace {

const wchar_t* CallPrefix(TCallback callback) {
  switch (callback) {
    case TCallback::cbRecordVoiceCompleted:
      return L"window.voxVoiceEngine.onRecordVoiceCompleted(";
    case TCallback::cbPlayRecordedVoiceCompleted:
      return L"window.voxVoiceEngine.onPlayRecordedVoiceCompleted(";
    case TCallback::cbScoreRecordedVoiceCompleted:
      return L"window.voxVoiceEngine.onScoreRecordedVoiceCompleted(";
    case TCallback::cbPlayAudioDownloaded:
      return L"if(window.voxVoiceEngine.onPlayAudioDownloaded)window.voxVoiceEngine.onPlayAudioDownloaded(";
    case TCallback::cbPlayAudioCompleted:
      return L"window.voxVoiceEngine.onPlayAudioCompleted(";
  }
  return L"";
}

bool NeedsUnicodeEscape(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

std::wstring JavaScriptStringBody(const std::wstring& text) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring body;
  body.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      body += L'\\';
      body += c;
    } else if (NeedsUnicodeEscape(c)) {
      const unsigned code = static_cast<unsigned>(c);
      body += L"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) body += kHex[(code >> shift) & 0xF];
    } else {
      body += c;
    }
  }
  return body;
}

}  // namespace

std::wstring CallbackScript(TCallback callback, const std::wstring& id, const std::wstring& status) {
  return CallPrefix(callback) + (L"\"" + JavaScriptStringBody(id)) + L"\", \"" + JavaScriptStringBody(status) + L"\");";
}

std::wstring GuardedScript(const std::wstring& script) { return L"try{" + script + L"}catch(e){}"; }
