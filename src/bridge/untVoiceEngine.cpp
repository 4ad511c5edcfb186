#include "bridge/untVoiceEngine.h"

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <utility>

#include "audio/WaveACM.h"
#include "audio/WaveRecorders.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untMessages.h"
#include "base/untSettings.h"
#include "base/untText.h"
#include "bridge/untCallbackScript.h"
#include "bridge/untTovlaneHttp.h"
#include "support/http/Multipart.h"

namespace {

const wchar_t kOk[] = L"ok";

// Runs work(host) on a thread of its own that ends by itself, keeping the host alive. Raises, and starts
// nothing, when no thread can be made. What escapes the work ends the worker silently.
template <typename Work>
void StartWorker(IVoiceHost& host, Work work) {
  std::thread([held = host.KeepAlive(), work = std::move(work)]() mutable {
    try {
      work(*held);
    } catch (...) {
    }
  }).detach();
}

void Report(IVoiceHost& host, TCallback callback, const std::wstring& id, const std::wstring& status) {
  host.callJavascript(CallbackScript(callback, id, status));
}

// Plays a WAV image from memory and returns when it has ended; no bytes stop whatever is sounding. Without
// SND_NOSTOP a newer playback cuts this one short.
void PlayWaveImage(TMemoryStream& image) {
  const void* bytes = image.Size() > 0 ? image.Memory() : nullptr;
  sndPlaySoundW(static_cast<const wchar_t*>(bytes), SND_MEMORY | SND_NODEFAULT);
}

std::vector<uint8_t> BytesOf(TMemoryStream& stream) {
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

// The upload worker: posts the converted recording with its text and stores the service's answer.
void UploadForScore(IVoiceHost& host, const std::wstring& voiceEngineUrl, const std::wstring& sentenceId,
                    const std::wstring& englishText, const std::wstring& saveVoice, TWaveStorage& converted) {
  const std::wstring prefix = L"scoreRecordedVoice " + sentenceId;
  std::wstring status, data;
  try {
    std::unique_ptr<TTovlaneHttp> http = createHttp();
    TMultipartFormData form;
    form.AddText("word", englishText, "text/plain");
    form.AddBytes("voice", "voice.wav", "application/octet-stream", BytesOf(converted.Wave().Memory()));
    form.AddText("saveVoice", saveVoice, "text/plain");
    http->PreResolveHost(WideToAnsi(voiceEngineUrl));
    WriteLog(prefix + L" use resovled url: " + AnsiToWide(http->FResolvedUrl));
    TMemoryStream response;
    const std::string body = form.Body();
    http->Post(http->FResolvedUrl, body, form.ContentType(), response);
    data = AnsiToWide(std::string(reinterpret_cast<const char*>(response.Memory()), size_t(response.Size())));
    host.RecordedVoices().With([&](auto& items) {
      auto entry = items.find(sentenceId);
      if (entry == items.end()) throw std::runtime_error("the recording was removed while it was scored");
      entry->second->FScoreResult = data;
    });
    status = kOk;
  } catch (...) {
    WriteLog(prefix + L" network exception: " + CurrentErrorText());
    status = L"network_error";
  }
  Report(host, TCallback::cbScoreRecordedVoiceCompleted, sentenceId, status);
  WriteLog(prefix + L" done " + data);
}

}  // namespace

void OnRecorderLevel(TWaveAudioIO& sender, int level) {
  // Only this thread writes the value, so a plain read before the write is enough.
  if (level > sender.Tag) sender.Tag = level;
}

TVoiceEngine::TVoiceEngine() : TVoiceEngine(FileBesideExecutable(L"TemplateAdpcm.wav")) {}

TVoiceEngine::TVoiceEngine(std::wstring templateFileName) : FTemplateFileName(std::move(templateFileName)) {}

void TVoiceEngine::recordVoice(IVoiceHost& host, const std::wstring& sentenceId, int32_t speechTime) {
  WriteLog(L"recordVoice device:" + std::to_wstring(host.MicrophoneDeviceId()) + L" sentence:" + sentenceId);
  const uint32_t length = static_cast<uint32_t>(std::clamp(speechTime, 0, kLongestRecordingMs));
  StartWorker(host, [sentenceId, length](IVoiceHost& host) {
    bool peakOk = false;
    try {
      // The recording's stream outlives the recorder, which writes into it until it is destroyed.
      auto voice = std::make_unique<TRecordedVoice>();
      auto recorder = std::make_unique<TStockAudioRecorder>();
      try {
        recorder->SetDeviceID(host.MicrophoneDeviceId());
      } catch (const EWaveAudioError&) {
        recorder->SetDeviceID(0);
        WriteLog(L"recordVoice device failed, fallback to 0");
      }
      recorder->SetPCMFormat(Mono16bit8000Hz);
      recorder->SetAsync(true);
      recorder->SetBufferLength(1000);
      recorder->SetBufferCount(2);
      recorder->Tag = 0;
      recorder->OnLevel = OnRecorderLevel;
      recorder->RecordToStream(voice->FVoiceData);
      WaitUnlessShutdown(length);
      // Read before the stop: the buffers completed during the wait, not the partial one the stop returns.
      peakOk = recorder->Tag > 10;
      recorder->Stop();
      recorder.reset();
      host.RecordedVoices().With([&](auto& items) { items[sentenceId] = std::move(voice); });
    } catch (...) {
      WriteLog(L"recordVoice " + sentenceId + L" exception: " + CurrentErrorText());
    }
    WriteLog(L"recordVoice " + sentenceId + L" done");
    Report(host, TCallback::cbRecordVoiceCompleted, sentenceId, kOk);
    if (!peakOk) host.QueueRecordFailedTip();
  });
}

void TVoiceEngine::playRecordedVoice(IVoiceHost& host, const std::wstring& sentenceId) {
  WriteLog(L"playRecordedVoice " + sentenceId);
  StartWorker(host, [sentenceId](IVoiceHost& host) {
    try {
      // Played from a copy: a new recording may replace the entry meanwhile.
      TMemoryStream copy;
      host.RecordedVoices().With([&](auto& items) {
        auto entry = items.find(sentenceId);
        if (entry != items.end()) copy.CopyFrom(entry->second->FVoiceData, 0);
      });
      if (copy.Size() > 0) PlayWaveImage(copy);
    } catch (...) {
      // Nothing to hear; the page is told it is over all the same.
    }
    WriteLog(L"playRecordedVoice " + sentenceId + L" done");
    Report(host, TCallback::cbPlayRecordedVoiceCompleted, sentenceId, kOk);
  });
}

void TVoiceEngine::scoreRecordedVoice(IVoiceHost& host, const std::wstring& voiceEngineUrl,
                                      const std::wstring& sentenceId, const std::wstring& englishText,
                                      const std::wstring& saveVoice) {
  const std::wstring prefix = L"scoreRecordedVoice " + sentenceId;
  WriteLog(L"scoreRecordedVoice " + voiceEngineUrl + L" " + sentenceId + L" " + englishText + L" " + saveVoice);
  std::unique_ptr<TMemoryStream> copy = host.RecordedVoices().With([&](auto& items) {
    auto entry = items.find(sentenceId);
    if (entry == items.end()) return std::unique_ptr<TMemoryStream>();
    auto bytes = std::make_unique<TMemoryStream>();
    bytes->CopyFrom(entry->second->FVoiceData, 0);
    bytes->SetPosition(0);
    return bytes;
  });
  std::wstring status;
  std::unique_ptr<TWaveStorage> converted;
  if (!copy) {
    status = L"no_recorded_voice";
  } else {
    try {
      converted = std::make_unique<TWaveStorage>();
      TWaveFile templateWave(FTemplateFileName, fmOpenRead | fmShareDenyWrite);
      converted->Wave().LoadFromStream(*copy);
      if (!ConvertTo(converted->Wave(), templateWave.WaveFormat())) {
        status = L"device_error";
        WriteLog(prefix + L" convert failed");
      }
    } catch (...) {
      WriteLog(prefix + L" convert exception: " + CurrentErrorText());
      status = L"system_error";
    }
  }
  if (status.empty()) {
    StartWorker(
        host, [voiceEngineUrl, sentenceId, englishText, saveVoice, converted = std::move(converted)](IVoiceHost& host) {
          UploadForScore(host, voiceEngineUrl, sentenceId, englishText, saveVoice, *converted);
        });
    return;
  }
  // Inside the page's own call, before it returns.
  Report(host, TCallback::cbScoreRecordedVoiceCompleted, sentenceId, status);
  WriteLog(prefix + L" done " + status);
}

std::optional<std::wstring> TVoiceEngine::getScoreRecordedVoiceResult(IVoiceHost& host,
                                                                      const std::wstring& sentenceId) {
  WriteLog(L"getScoreRecordedVoiceResult " + sentenceId);
  return host.RecordedVoices().With([&](auto& items) {
    auto entry = items.find(sentenceId);
    return entry == items.end() ? std::optional<std::wstring>() : entry->second->FScoreResult;
  });
}

void TVoiceEngine::playAudio(IVoiceHost& host, const std::wstring& contextId, const std::wstring& url) {
  WriteLog(L"playAudio " + contextId + L" " + url);
  StartWorker(host, [contextId, url](IVoiceHost& host) {
    const std::wstring prefix = L"playAudio " + contextId;
    std::wstring status;  // set after a download attempt
    // Cached bytes are played in place: an entry is never changed or removed while the host lives.
    TMemoryStream* sound = nullptr;
    // The lock is held through the download, so a second call for the same URL waits and then finds it cached.
    host.DownloadedVoices().With([&](auto& items) {
      auto entry = items.find(url);
      if (entry != items.end()) {
        sound = entry->second.get();
        WriteLog(prefix + L" got data from cache");
        return;
      }
      try {
        std::unique_ptr<TTovlaneHttp> http = createHttp();
        auto body = std::make_unique<TMemoryStream>();
        http->PreResolveHost(WideToAnsi(url));
        WriteLog(prefix + L" use resolved url:" + AnsiToWide(http->FResolvedUrl));
        http->Get(http->FResolvedUrl, *body);
        WriteLog(prefix + L" got data: " + std::to_wstring(body->Size()));
        sound = items.emplace(url, std::move(body)).first->second.get();
        status = kOk;
      } catch (...) {
        status = L"network_error";
        WriteLog(prefix + L" " + url + L" exception: " + CurrentErrorText());
      }
    });
    if (!status.empty()) Report(host, TCallback::cbPlayAudioDownloaded, contextId, status);
    if (sound) PlayWaveImage(*sound);
    WriteLog(prefix + L" " + url + L" done");
    Report(host, TCallback::cbPlayAudioCompleted, contextId, kOk);
  });
}
