#pragma once
// window.external: the one object through which the platform's page reaches the client. Its IDispatch is
// served from the type library in the running executable; every page call runs on the main thread inside one
// error boundary that turns an exception into error information, so the page's script sees a thrown error.
//
// Seams (the bridge does not know which implementation it has):
//  - IScriptExecutor runs a script in the page: main thread only, every failure silent. The client's is
//    TWebBrowserScriptExecutor (the attached browser's document); the page runner brings its own script engine.
//  - IMainWindowOperations is what the bridge asks of the main window: the record-failed hint and the Flash
//    update, always run on the main thread. The shell's main window implements it; the runner has a stand-in.
//  - IVoiceOperations holds recording, playback, scoring and audio prompts. They get the bridge for its stores,
//    its microphone choice, callJavascript and QueueRecordFailedTip. Without them those calls fail with a message.
#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/Streams.h"
#include "base/untHandle.h"
#include "bridge/TovlaneClient_TLB.h"

class TTovlaneWebBrowserExternal;

class IScriptExecutor {
 public:
  virtual ~IScriptExecutor() = default;
  // Main thread only; never raises.
  virtual void ExecJavascript(const std::wstring& script) = 0;
};

class IMainWindowOperations {
 public:
  virtual ~IMainWindowOperations() = default;
  virtual void ShowRecordFailedTip() = 0;
  virtual void ForceFlashUpdate() = 0;
};

// Called on the main thread with converted arguments; what they raise fails the page's call.
class IVoiceOperations {
 public:
  virtual ~IVoiceOperations() = default;
  virtual void recordVoice(TTovlaneWebBrowserExternal& bridge, const std::wstring& sentenceId, int32_t speechTime) = 0;
  virtual void playRecordedVoice(TTovlaneWebBrowserExternal& bridge, const std::wstring& sentenceId) = 0;
  virtual void scoreRecordedVoice(TTovlaneWebBrowserExternal& bridge, const std::wstring& voiceEngineUrl,
                                  const std::wstring& sentenceId, const std::wstring& englishText,
                                  const std::wstring& saveVoice) = 0;
  // No value: the page reads undefined.
  virtual std::optional<std::wstring> getScoreRecordedVoiceResult(TTovlaneWebBrowserExternal& bridge,
                                                                  const std::wstring& sentenceId) = 0;
  virtual void playAudio(TTovlaneWebBrowserExternal& bridge, const std::wstring& contextId,
                         const std::wstring& url) = 0;
};

// The client's executor: runs the script in the current document of the attached browser.
class TWebBrowserScriptExecutor : public IScriptExecutor {
 public:
  // The browser's automation object; a reference is held, so a late callback never reaches a freed browser.
  IDispatch* AttachedWebBrowser() const { return FAttachedWebBrowser.Get(); }
  void SetAttachedWebBrowser(IDispatch* browser) { FAttachedWebBrowser = ComPtr<IDispatch>::Share(browser); }
  void ExecJavascript(const std::wstring& script) override;

 private:
  ComPtr<IDispatch> FAttachedWebBrowser;
};

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
  void Clear() {
    With([](TItems& items) { items.clear(); });
  }

 private:
  std::mutex fLock;
  TItems fItems;
};

class TTovlaneWebBrowserExternal final : public ITovlaneWebBrowserExternal, public ISupportErrorInfo {
 public:
  // Loads the type library of the running executable (its TYPELIB 1 resource); raises std::runtime_error when
  // that fails. The caller owns the one reference of the new object. voice may be null (see the head comment).
  static ComPtr<TTovlaneWebBrowserExternal> Create(std::unique_ptr<IScriptExecutor> executor,
                                                   std::unique_ptr<IVoiceOperations> voice);

  // Runs the script in the page on the main thread and returns when it has run; from any thread. A worker must
  // hold a reference to the bridge and no store lock while it calls.
  void callJavascript(const std::wstring& script);
  // From any thread: the main window's record-failed hint, run later on the main thread.
  void QueueRecordFailedTip();

  // Main thread. The main window sets itself and clears itself before it goes away.
  void SetMainWindow(IMainWindowOperations* window) { FMainWindow = window; }
  int32_t MicrophoneDeviceId() const { return FMicrophoneDeviceId; }
  void SetMicrophoneDeviceId(int32_t id) { FMicrophoneDeviceId = id; }

  void clearRecordedVoices() { recordedVoices.Clear(); }
  void clearDownloadedVoices() { downloadedVoices.Clear(); }

  TGuardedMap<TMemoryStream> downloadedVoices;  // audio prompt cache, keyed by URL
  TGuardedMap<TRecordedVoice> recordedVoices;   // recordings, keyed by sentence id

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch, served from the interface's type information
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;
  // ITovlaneWebBrowserExternal
  HRESULT STDMETHODCALLTYPE resetVoiceEngine() override;
  HRESULT STDMETHODCALLTYPE recordVoice(VARIANT sentenceId, VARIANT speechTime) override;
  HRESULT STDMETHODCALLTYPE playRecordedVoice(VARIANT sentenceId) override;
  HRESULT STDMETHODCALLTYPE scoreRecordedVoice(VARIANT voiceEngineUrl, VARIANT sentenceId, VARIANT englishText,
                                               VARIANT saveVoice) override;
  HRESULT STDMETHODCALLTYPE getScoreRecordedVoiceResult(VARIANT sentenceId, VARIANT* ret) override;
  HRESULT STDMETHODCALLTYPE playAudio(VARIANT contextId, VARIANT url) override;
  HRESULT STDMETHODCALLTYPE getVoxExternalPluginVersion(VARIANT* ret) override;
  HRESULT STDMETHODCALLTYPE execVoxPluginCommand(VARIANT cmd, VARIANT params, VARIANT* ret) override;

 private:
  TTovlaneWebBrowserExternal(ComPtr<ITypeInfo> typeInfo, std::unique_ptr<IScriptExecutor> executor,
                             std::unique_ptr<IVoiceOperations> voice);
  ~TTovlaneWebBrowserExternal();
  IVoiceOperations& Voice(const char* method);
  void QueueToMainWindow(void (IMainWindowOperations::*operation)());

  std::atomic<ULONG> FRefCount{1};
  ComPtr<ITypeInfo> FTypeInfo;
  std::unique_ptr<IScriptExecutor> FExecutor;
  std::unique_ptr<IVoiceOperations> FVoice;
  IMainWindowOperations* FMainWindow = nullptr;
  int32_t FMicrophoneDeviceId = 0;
};
