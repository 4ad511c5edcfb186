#pragma once
// The seam between window.external and the voice engine: the bridge calls IVoiceOperations with converted
// arguments, and the operations reach back only through IVoiceHost, which the bridge is.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/Streams.h"

// One recording and the text of its last scoring response.
struct TRecordedVoice {
  TMemoryStream FVoiceData;
  std::wstring FScoreResult;
};

// A text-keyed store (exact, case-sensitive keys) whose own lock guards every read and change.
template <typename Value>
class TGuardedMap {
 public:
  using TItems = std::unordered_map<std::wstring, std::unique_ptr<Value>>;
  // Runs fn(items) with the lock held and returns its result. Never wait for the main thread inside.
  template <typename Fn>
  auto With(Fn&& fn) {
    std::lock_guard<std::mutex> hold(fLock);
    return fn(fItems);
  }

 private:
  std::mutex fLock;
  TItems fItems;
};

class IVoiceHost {
 public:
  virtual ~IVoiceHost() = default;
  // Recordings by sentence id; audio prompts by URL, never changed or removed while the host lives.
  virtual TGuardedMap<TRecordedVoice>& RecordedVoices() = 0;
  virtual TGuardedMap<TMemoryStream>& DownloadedVoices() = 0;
  virtual int32_t MicrophoneDeviceId() const = 0;
  // Runs the script in the page on the main thread and returns when it has run; from any thread. A worker must
  // hold a KeepAlive reference and no store lock while it calls.
  virtual void callJavascript(const std::wstring& script) = 0;
  // From any thread: the main window's record-failed hint, run later on the main thread.
  virtual void QueueRecordFailedTip() = 0;
  // Held by a worker, so that the host outlives it.
  virtual std::shared_ptr<IVoiceHost> KeepAlive() = 0;
};

// Called on the main thread with converted arguments; what they raise fails the page's call.
class IVoiceOperations {
 public:
  virtual ~IVoiceOperations() = default;
  virtual void recordVoice(IVoiceHost& host, const std::wstring& sentenceId, int32_t speechTime) = 0;
  virtual void playRecordedVoice(IVoiceHost& host, const std::wstring& sentenceId) = 0;
  virtual void scoreRecordedVoice(IVoiceHost& host, const std::wstring& voiceEngineUrl, const std::wstring& sentenceId,
                                  const std::wstring& englishText, const std::wstring& saveVoice) = 0;
  // No value: the page reads undefined.
  virtual std::optional<std::wstring> getScoreRecordedVoiceResult(IVoiceHost& host, const std::wstring& sentenceId) = 0;
  virtual void playAudio(IVoiceHost& host, const std::wstring& contextId, const std::wstring& url) = 0;
};
