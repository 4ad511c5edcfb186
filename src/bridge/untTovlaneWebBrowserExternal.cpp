#include "bridge/untTovlaneWebBrowserExternal.h"

#include <cmath>
#include <stdexcept>

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untMessages.h"
#include "base/untSettings.h"
#include "base/untVariant.h"

namespace {

const wchar_t kInterfaceName[] = L"ITovlaneWebBrowserExternal";

// A whole number of milliseconds: text is parsed, fractions round to the even neighbour at .5.
int32_t SpeechTimeArgument(const VARIANT& argument) {
  const char* const kMessage = "speechTime must be a number of milliseconds";
  TVariant value;
  CopyReferred(argument, value);
  // The system's conversion has no answer for NaN and the infinities.
  if ((value->vt == VT_R8 && !std::isfinite(value->dblVal)) || (value->vt == VT_R4 && !std::isfinite(value->fltVal)))
    throw std::invalid_argument(kMessage);
  TVariant number;
  if (FAILED(VariantChangeTypeEx(number.Get(), value.Get(), kArgumentLocale, 0, VT_I4)))
    throw std::invalid_argument(kMessage);
  return number->lVal;
}

HRESULT Fail(const std::wstring& message) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.Receive()))) {
    create->SetGUID(IID_ITovlaneWebBrowserExternal);
    create->SetSource(const_cast<LPOLESTR>(kInterfaceName));
    create->SetDescription(const_cast<LPOLESTR>(message.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.QueryInterface(info))) SetErrorInfo(0, info.Get());
  }
  return E_FAIL;
}

// The boundary of every page call: nothing raised leaves it, and a failure becomes error information.
template <typename Body>
HRESULT PageCall(Body&& body) {
  try {
    body();
    return S_OK;
  } catch (...) {
    return Fail(CurrentErrorText());
  }
}

// The same for a method with a result: ret is empty first and a text result becomes a string.
template <typename Body>
HRESULT PageCallWithResult(VARIANT* ret, Body&& body) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return PageCall([&] {
    std::optional<std::wstring> result = body();
    if (!result) return;
    ret->bstrVal = BstrOf(*result).Release();
    ret->vt = VT_BSTR;
  });
}

}  // namespace

ComPtr<TTovlaneWebBrowserExternal> TTovlaneWebBrowserExternal::Create(std::unique_ptr<IScriptExecutor> executor,
                                                                      std::unique_ptr<IVoiceOperations> voice) {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> typeInfo;
  if (FAILED(LoadTypeLib(ExecutableFileName().c_str(), library.Receive())) ||
      FAILED(library->GetTypeInfoOfGuid(IID_ITovlaneWebBrowserExternal, typeInfo.Receive())))
    throw std::runtime_error("the type library of window.external cannot be loaded from the executable");
  return ComPtr<TTovlaneWebBrowserExternal>(
      new TTovlaneWebBrowserExternal(std::move(typeInfo), std::move(executor), std::move(voice)));
}

TTovlaneWebBrowserExternal::TTovlaneWebBrowserExternal(ComPtr<ITypeInfo> typeInfo,
                                                       std::unique_ptr<IScriptExecutor> executor,
                                                       std::unique_ptr<IVoiceOperations> voice)
    : FTypeInfo(std::move(typeInfo)), FExecutor(std::move(executor)), FVoice(std::move(voice)) {}

TTovlaneWebBrowserExternal::~TTovlaneWebBrowserExternal() {
  clearDownloadedVoices();
  clearRecordedVoices();
}

void TTovlaneWebBrowserExternal::callJavascript(const std::wstring& script) {
  // Refused only while the main thread shuts down; the callback is then lost like any that cannot run.
  Synchronize([&] { FExecutor->ExecJavascript(script); });
}

void TTovlaneWebBrowserExternal::QueueRecordFailedTip() {
  QueueToMainWindow(&IMainWindowOperations::ShowRecordFailedTip);
}

std::shared_ptr<IVoiceHost> TTovlaneWebBrowserExternal::KeepAlive() {
  AddRef();
  return std::shared_ptr<IVoiceHost>(
      this, [](IVoiceHost* host) { static_cast<TTovlaneWebBrowserExternal*>(host)->Release(); });
}

// The queued work holds a reference, so it never runs against a freed bridge, and reads the main window only
// when it runs, so a window that has gone meanwhile is not reached.
void TTovlaneWebBrowserExternal::QueueToMainWindow(void (IMainWindowOperations::*operation)()) {
  Queue([this, held = KeepAlive(), operation] {
    if (FMainWindow) (FMainWindow->*operation)();
  });
}

IVoiceOperations& TTovlaneWebBrowserExternal::Voice(const char* method) {
  if (!FVoice) throw std::runtime_error(std::string(method) + " is not available: the voice engine is missing");
  return *FVoice;
}

HRESULT TTovlaneWebBrowserExternal::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ITovlaneWebBrowserExternal)
    *object = static_cast<ITovlaneWebBrowserExternal*>(this);
  else if (riid == IID_ISupportErrorInfo)
    *object = static_cast<ISupportErrorInfo*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TTovlaneWebBrowserExternal::AddRef() { return ++FRefCount; }

ULONG TTovlaneWebBrowserExternal::Release() {
  const ULONG count = --FRefCount;
  if (count == 0) delete this;
  return count;
}

HRESULT TTovlaneWebBrowserExternal::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TTovlaneWebBrowserExternal::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *typeInfo = FTypeInfo.Copy().Detach();
  return S_OK;
}

HRESULT TTovlaneWebBrowserExternal::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return DispGetIDsOfNames(FTypeInfo.Get(), names, count, ids);
}

HRESULT TTovlaneWebBrowserExternal::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // A failing method leaves its own error information; none may be left over from before.
  SetErrorInfo(0, nullptr);
  return FTypeInfo->Invoke(static_cast<ITovlaneWebBrowserExternal*>(this), id, flags, parameters, result, exception,
                           argumentError);
}

HRESULT TTovlaneWebBrowserExternal::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_ITovlaneWebBrowserExternal ? S_OK : S_FALSE;
}

HRESULT TTovlaneWebBrowserExternal::resetVoiceEngine() {
  return PageCall([&] {
    WriteLog(L"resetVoiceEngine");
    clearRecordedVoices();
  });
}

HRESULT TTovlaneWebBrowserExternal::recordVoice(VARIANT sentenceId, VARIANT speechTime) {
  return PageCall([&] {
    const std::wstring id = ConvertedText(sentenceId, "sentenceId");
    const int32_t milliseconds = SpeechTimeArgument(speechTime);
    Voice("recordVoice").recordVoice(*this, id, milliseconds);
  });
}

HRESULT TTovlaneWebBrowserExternal::playRecordedVoice(VARIANT sentenceId) {
  return PageCall(
      [&] { Voice("playRecordedVoice").playRecordedVoice(*this, ConvertedText(sentenceId, "sentenceId")); });
}

HRESULT TTovlaneWebBrowserExternal::scoreRecordedVoice(VARIANT voiceEngineUrl, VARIANT sentenceId, VARIANT englishText,
                                                       VARIANT saveVoice) {
  return PageCall([&] {
    const std::wstring url = ConvertedText(voiceEngineUrl, "voiceEngineUrl");
    const std::wstring id = ConvertedText(sentenceId, "sentenceId");
    const std::wstring text = ConvertedText(englishText, "englishText");
    const std::wstring save = ConvertedText(saveVoice, "saveVoice");
    Voice("scoreRecordedVoice").scoreRecordedVoice(*this, url, id, text, save);
  });
}

HRESULT TTovlaneWebBrowserExternal::getScoreRecordedVoiceResult(VARIANT sentenceId, VARIANT* ret) {
  return PageCallWithResult(ret, [&] {
    return Voice("getScoreRecordedVoiceResult")
        .getScoreRecordedVoiceResult(*this, ConvertedText(sentenceId, "sentenceId"));
  });
}

HRESULT TTovlaneWebBrowserExternal::playAudio(VARIANT contextId, VARIANT url) {
  return PageCall([&] {
    const std::wstring context = ConvertedText(contextId, "contextId");
    const std::wstring address = ConvertedText(url, "url");
    Voice("playAudio").playAudio(*this, context, address);
  });
}

HRESULT TTovlaneWebBrowserExternal::getVoxExternalPluginVersion(VARIANT* ret) {
  return PageCallWithResult(ret, [] { return std::optional<std::wstring>(std::wstring(L"pc-") + kClientVersion); });
}

HRESULT TTovlaneWebBrowserExternal::execVoxPluginCommand(VARIANT cmd, VARIANT, VARIANT* ret) {
  return PageCallWithResult(ret, [&] {
    // A command that is not text is no command the client knows.
    TVariant command;
    CopyReferred(cmd, command);
    if (command->vt == VT_BSTR && TextOfBstr(command->bstrVal) == L"ForceUpdateFlash")
      QueueToMainWindow(&IMainWindowOperations::ForceFlashUpdate);
    return std::optional<std::wstring>();
  });
}
