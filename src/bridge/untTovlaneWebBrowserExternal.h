#pragma once
// window.external: the one object through which the platform's page reaches the client. Its IDispatch is
// served from the type library in the running executable; every page call runs on the main thread inside one
// error boundary that turns an exception into error information, so the page's script sees a thrown error.
//
// Seams (the bridge does not know which implementation it has):
//  - IScriptExecutor runs a script in the page: main thread only, every failure silent. The shell's runs it in
//    the attached browser's document; the page runner brings its own script engine.
//  - IMainWindowOperations is what the bridge asks of the main window: the record-failed hint and the Flash
//    update, always run on the main thread. The shell's main window implements it; the runner has a stand-in.
//  - IVoiceOperations holds recording, playback, scoring and audio prompts (bridge/untVoiceOperations.h); the
//    bridge is their IVoiceHost. Without them those calls fail with a message.
#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/untHandle.h"
#include "bridge/TovlaneClient_TLB.h"
#include "bridge/untVoiceOperations.h"

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

class TTovlaneWebBrowserExternal final : public ITovlaneWebBrowserExternal,
                                         public ISupportErrorInfo,
                                         public IVoiceHost {
 public:
  // Loads the type library of the running executable (its TYPELIB 1 resource); raises std::runtime_error when
  // that fails. The caller owns the one reference of the new object. voice may be null (see the head comment).
  static ComPtr<TTovlaneWebBrowserExternal> Create(std::unique_ptr<IScriptExecutor> executor,
                                                   std::unique_ptr<IVoiceOperations> voice);

  // Main thread. The main window sets itself and clears itself before it goes away.
  void SetMainWindow(IMainWindowOperations* window) { FMainWindow = window; }
  void SetMicrophoneDeviceId(int32_t id) { FMicrophoneDeviceId = id; }

  // IVoiceHost
  TGuardedMap<TRecordedVoice>& RecordedVoices() override { return recordedVoices; }
  TGuardedMap<TMemoryStream>& DownloadedVoices() override { return downloadedVoices; }
  int32_t MicrophoneDeviceId() const override { return FMicrophoneDeviceId; }
  void callJavascript(const std::wstring& script) override;
  void QueueRecordFailedTip() override;
  std::shared_ptr<IVoiceHost> KeepAlive() override;

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
  void clearRecordedVoices() {
    recordedVoices.With([](auto& items) { items.clear(); });
  }
  // Only the destructor empties the prompt cache: workers play its bytes in place.
  void clearDownloadedVoices() {
    downloadedVoices.With([](auto& items) { items.clear(); });
  }

  std::atomic<ULONG> FRefCount{1};
  ComPtr<ITypeInfo> FTypeInfo;
  std::unique_ptr<IScriptExecutor> FExecutor;
  std::unique_ptr<IVoiceOperations> FVoice;
  IMainWindowOperations* FMainWindow = nullptr;
  int32_t FMicrophoneDeviceId = 0;
  TGuardedMap<TMemoryStream> downloadedVoices;  // audio prompt cache, keyed by URL
  TGuardedMap<TRecordedVoice> recordedVoices;   // recordings, keyed by sentence id
};
