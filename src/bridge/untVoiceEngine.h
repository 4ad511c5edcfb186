#pragma once
// The voice operations behind window.external: recording into the recorded-voice store, playing a recording,
// converting and uploading it for scoring, and playing audio prompts through the prompt cache.
//
// Every long operation runs on a worker of its own that keeps its host alive, takes a store lock only for a
// copy, an insert or (prompts) a download, and reports with one callback through callJavascript. A worker
// never lets an error out: it logs it and still sends its callback.
#include <cstdint>
#include <string>

#include "bridge/untVoiceOperations.h"

class TWaveAudioIO;

// The recorder's level event: keeps the loudest level in the recorder's Tag (on the recorder's callback thread).
void OnRecorderLevel(TWaveAudioIO& sender, int level);

class TVoiceEngine : public IVoiceOperations {
 public:
  // A recording is never longer than this (ten minutes); a negative length records nothing.
  static constexpr int32_t kLongestRecordingMs = 600000;

  // templateFileName: the WAV file whose format scoring uploads are converted to; by default "TemplateAdpcm.wav"
  // beside the executable.
  TVoiceEngine();
  explicit TVoiceEngine(std::wstring templateFileName);

  void recordVoice(IVoiceHost& host, const std::wstring& sentenceId, int32_t speechTime) override;
  void playRecordedVoice(IVoiceHost& host, const std::wstring& sentenceId) override;
  void scoreRecordedVoice(IVoiceHost& host, const std::wstring& voiceEngineUrl, const std::wstring& sentenceId,
                          const std::wstring& englishText, const std::wstring& saveVoice) override;
  std::optional<std::wstring> getScoreRecordedVoiceResult(IVoiceHost& host, const std::wstring& sentenceId) override;
  void playAudio(IVoiceHost& host, const std::wstring& contextId, const std::wstring& url) override;

 private:
  std::wstring FTemplateFileName;
};
