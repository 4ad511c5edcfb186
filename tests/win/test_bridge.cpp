// window.external as a page's script engine reaches it: the type library in the executable, IDispatch by name,
// argument conversion, error information, the plugin methods, and callbacks from worker threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/untClientVersion.h"
#include "base/untMainThread.h"
#include "base/untVariant.h"
#include "bridge/untCallbackScript.h"
#include "bridge/untTovlaneWebBrowserExternal.h"
#include "shell/untBrowserHost.h"
#include "testkit/DispatchCall.h"
#include "testkit/WinTestSupport.h"

namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
  BSTR name = nullptr;
  EXPECT_EQ(S_OK, info->GetDocumentation(member, &name, nullptr, nullptr, nullptr));
  std::wstring text = TextOfBstr(name);
  SysFreeString(name);
  return text;
}

// A script object without a value of its own, as {} is to a conversion.
class TPlainObject : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid != IID_IUnknown && riid != IID_IDispatch) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};
TPlainObject PlainObject;
VARIANT Object() {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = &PlainObject;
  return v;
}

struct TVoiceCall {
  std::string method;
  std::vector<std::wstring> texts;
  int32_t speechTime = -1;
};

// The voice operations replaced: every call is recorded with its converted arguments.
class TRecordingVoice : public IVoiceOperations {
 public:
  std::vector<TVoiceCall> calls;
  std::optional<std::wstring> scoreResult;
  bool fail = false;

  void recordVoice(IVoiceHost&, const std::wstring& id, int32_t speechTime) override {
    Record({"recordVoice", {id}, speechTime});
  }
  void playRecordedVoice(IVoiceHost&, const std::wstring& id) override { Record({"playRecordedVoice", {id}}); }
  void scoreRecordedVoice(IVoiceHost&, const std::wstring& url, const std::wstring& id, const std::wstring& text,
                          const std::wstring& save) override {
    Record({"scoreRecordedVoice", {url, id, text, save}});
  }
  std::optional<std::wstring> getScoreRecordedVoiceResult(IVoiceHost&, const std::wstring& id) override {
    Record({"getScoreRecordedVoiceResult", {id}});
    return scoreResult;
  }
  void playAudio(IVoiceHost&, const std::wstring& context, const std::wstring& url) override {
    Record({"playAudio", {context, url}});
  }

 private:
  void Record(TVoiceCall call) {
    if (fail) throw std::runtime_error("the recorder is busy");
    calls.push_back(std::move(call));
  }
};

class TCountingExecutor : public IScriptExecutor {
 public:
  explicit TCountingExecutor(DWORD mainId) : fMainId(mainId) {}
  std::vector<std::wstring> scripts;
  bool offMainThread = false;
  void ExecJavascript(const std::wstring& script) override {
    if (GetCurrentThreadId() != fMainId) offMainThread = true;
    scripts.push_back(script);
  }

 private:
  DWORD fMainId;
};

class TMainWindowStandIn : public IMainWindowOperations {
 public:
  int tips = 0, flashUpdates = 0;
  bool failFlashUpdate = false;
  void ShowRecordFailedTip() override { ++tips; }
  void ForceFlashUpdate() override {
    if (failFlashUpdate) throw std::runtime_error("the update check cannot start");
    ++flashUpdates;
  }
};

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override {
    auto voiceOwned = std::make_unique<TRecordingVoice>();
    auto executorOwned = std::make_unique<TCountingExecutor>(GetCurrentThreadId());
    voice = voiceOwned.get();
    executor = executorOwned.get();
    bridge = TTovlaneWebBrowserExternal::Create(std::move(executorOwned), std::move(voiceOwned));
    bridge->SetMainWindow(&window);
  }
  void TearDown() override { bridge->SetMainWindow(nullptr); }

  std::unique_ptr<TCallResult> Page(const wchar_t* method, std::vector<VARIANT> arguments = {}) {
    return Call(bridge.Get(), method, std::move(arguments));
  }

  TMainThread mainThread;
  TMainWindowStandIn window;
  TRecordingVoice* voice = nullptr;
  TCountingExecutor* executor = nullptr;
  ComPtr<TTovlaneWebBrowserExternal> bridge;
};

}  // namespace

TEST(BridgeTypeLibrary, TheExecutablesLibraryHasEveryNameNumberAndFlag) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(S_OK, LoadTypeLib(OwnPath().c_str(), library.Receive()));
  TLIBATTR* libraryAttributes = nullptr;
  ASSERT_EQ(S_OK, library->GetLibAttr(&libraryAttributes));
  EXPECT_EQ(LIBID_TovlaneClient, libraryAttributes->guid);
  EXPECT_EQ(GUID({0xD450CBC1, 0x5189, 0x4236, {0x9F, 0xFF, 0x23, 0x4D, 0xD3, 0x89, 0x2C, 0x4E}}),
            libraryAttributes->guid);
  EXPECT_EQ(LCID(0x0409), libraryAttributes->lcid);
  EXPECT_EQ(SYS_WIN32, libraryAttributes->syskind);
  EXPECT_EQ(1, libraryAttributes->wMajorVerNum);
  EXPECT_EQ(0, libraryAttributes->wMinorVerNum);
  library->ReleaseTLibAttr(libraryAttributes);
  BSTR name = nullptr, docString = nullptr, helpFile = nullptr;
  ASSERT_EQ(S_OK, library->GetDocumentation(-1, &name, &docString, nullptr, &helpFile));
  EXPECT_EQ(L"TovlaneClient", TextOfBstr(name));
  EXPECT_EQ(nullptr, docString);
  EXPECT_EQ(nullptr, helpFile);
  SysFreeString(name);
  EXPECT_EQ(2u, library->GetTypeInfoCount());

  // The dispatch view of the dual interface.
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_ITovlaneWebBrowserExternal, dispatch.Receive()));
  EXPECT_EQ(L"ITovlaneWebBrowserExternal", Name(dispatch.Get()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, dispatch->GetTypeAttr(&attributes));
  EXPECT_EQ(GUID({0xDC7FAACE, 0xCB03, 0x4D18, {0x8C, 0x83, 0x89, 0xE6, 0x5F, 0xC8, 0x08, 0xB7}}), attributes->guid);
  EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
  EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE, attributes->wTypeFlags);
  EXPECT_EQ(1, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  dispatch->ReleaseTypeAttr(attributes);

  // The interface itself (its vtable view): IDispatch's 7 slots, then the 8 methods in DISPID order.
  HREFTYPE vtableRef = 0;
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(-1, &vtableRef));
  ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(vtableRef, vtable.Receive()));
  ASSERT_EQ(S_OK, vtable->GetTypeAttr(&attributes));
  EXPECT_EQ(TKIND_INTERFACE, attributes->typekind);
  EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, attributes->wTypeFlags);
  EXPECT_EQ(15 * 4, attributes->cbSizeVft) << "as stored: a 32-bit library has pointers of 4 bytes";
  EXPECT_EQ(8, attributes->cFuncs);
  EXPECT_EQ(1, attributes->cImplTypes);
  vtable->ReleaseTypeAttr(attributes);

  // IDispatch comes from stdole2.
  HREFTYPE baseRef = 0;
  ComPtr<ITypeInfo> base;
  ComPtr<ITypeLib> stdole;
  UINT index = 0;
  ASSERT_EQ(S_OK, vtable->GetRefTypeOfImplType(0, &baseRef));
  ASSERT_EQ(S_OK, vtable->GetRefTypeInfo(baseRef, base.Receive()));
  EXPECT_EQ(L"IDispatch", Name(base.Get()));
  ASSERT_EQ(S_OK, base->GetContainingTypeLib(stdole.Receive(), &index));
  ASSERT_EQ(S_OK, stdole->GetLibAttr(&libraryAttributes));
  EXPECT_EQ(GUID({0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}),
            libraryAttributes->guid);
  EXPECT_EQ(2, libraryAttributes->wMajorVerNum);
  EXPECT_EQ(0, libraryAttributes->wMinorVerNum);
  stdole->ReleaseTLibAttr(libraryAttributes);

  const struct {
    MEMBERID id;
    int slot;
    std::vector<std::wstring> names;  // the method, its parameters, and ret last where it returns one
    bool returns;
  } methods[] = {
      {201, 7, {L"resetVoiceEngine"}, false},
      {202, 8, {L"recordVoice", L"sentenceId", L"speechTime"}, false},
      {203, 9, {L"playRecordedVoice", L"sentenceId"}, false},
      {204, 10, {L"scoreRecordedVoice", L"voiceEngineUrl", L"sentenceId", L"englishText", L"saveVoice"}, false},
      {205, 11, {L"getScoreRecordedVoiceResult", L"sentenceId", L"ret"}, true},
      {206, 12, {L"playAudio", L"contextId", L"url"}, false},
      {207, 13, {L"getVoxExternalPluginVersion", L"ret"}, true},
      {208, 14, {L"execVoxPluginCommand", L"cmd", L"params", L"ret"}, true},
  };
  for (UINT i = 0; i < 8; ++i) {
    const auto& method = methods[i];
    SCOPED_TRACE(method.names[0]);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, vtable->GetFuncDesc(i, &function));
    EXPECT_EQ(method.id, function->memid);
    // The loader gives the offset in this process's pointer size.
    EXPECT_EQ(method.slot, function->oVft / static_cast<int>(sizeof(void*)));
    EXPECT_EQ(CC_STDCALL, function->callconv);
    EXPECT_EQ(INVOKE_FUNC, function->invkind);
    EXPECT_EQ(VT_HRESULT, function->elemdescFunc.tdesc.vt);
    ASSERT_EQ(static_cast<SHORT>(method.names.size() - 1), function->cParams);
    for (SHORT p = 0; p < function->cParams; ++p) {
      const ELEMDESC& parameter = function->lprgelemdescParam[p];
      const bool isRet = method.returns && p == function->cParams - 1;
      if (isRet) {
        EXPECT_EQ(VT_PTR, parameter.tdesc.vt);
        EXPECT_EQ(VT_VARIANT, parameter.tdesc.lptdesc->vt);
        EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, parameter.paramdesc.wParamFlags);
      } else {
        EXPECT_EQ(VT_VARIANT, parameter.tdesc.vt);
        EXPECT_EQ(PARAMFLAG_FIN, parameter.paramdesc.wParamFlags);
      }
    }
    vtable->ReleaseFuncDesc(function);
    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_EQ(S_OK, vtable->GetNames(method.id, names, 8, &count));
    ASSERT_EQ(method.names.size(), count);
    for (UINT n = 0; n < count; ++n) {
      EXPECT_EQ(method.names[n], TextOfBstr(names[n]));
      SysFreeString(names[n]);
    }
  }

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_TovlaneWebBrowserExternal, coclass.Receive()));
  EXPECT_EQ(L"TovlaneWebBrowserExternal", Name(coclass.Get()));
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attributes));
  EXPECT_EQ(GUID({0x35424F2F, 0xD37F, 0x44C5, {0xBE, 0xFB, 0x97, 0x36, 0x22, 0xFA, 0x11, 0xD3}}), attributes->guid);
  EXPECT_EQ(TKIND_COCLASS, attributes->typekind);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(1, attributes->cImplTypes);
  coclass->ReleaseTypeAttr(attributes);
  INT implementationFlags = 0;
  HREFTYPE defaultRef = 0;
  ComPtr<ITypeInfo> defaultInterface;
  ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(0, &implementationFlags));
  EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, implementationFlags);
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &defaultRef));
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(defaultRef, defaultInterface.Receive()));
  EXPECT_EQ(L"ITovlaneWebBrowserExternal", Name(defaultInterface.Get()));
}

TEST_F(Bridge, DispatchIsServedFromTheTypeInformation) {
  UINT count = 0;
  EXPECT_EQ(S_OK, bridge->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(S_OK, bridge->GetTypeInfo(0, 0, info.Receive()));
  EXPECT_EQ(DISP_E_BADINDEX, bridge->GetTypeInfo(1, 0, info.Receive()));
  EXPECT_EQ(DISP_E_UNKNOWNNAME, Page(L"noSuchMethod")->hr);
  ComPtr<ISupportErrorInfo> errors;
  ASSERT_EQ(S_OK, bridge.QueryInterface(errors));
  EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(IID_ITovlaneWebBrowserExternal));
  // A missing argument is refused by the dispatch itself and starts nothing.
  EXPECT_TRUE(FAILED(Page(L"recordVoice", {Text(L"1")})->hr));
  EXPECT_TRUE(voice->calls.empty());
}

TEST_F(Bridge, TextArgumentsOfAnyKindArriveAsTheirText) {
  const std::wstring awkward(L"q\"b\\ n\0 \U0001F600 中文", 16);
  const std::wstring longText(1 << 20, L'x');
  const struct {
    VARIANT argument;
    std::wstring text;
  } cases[] = {
      {Int(12), L"12"},  {Kind(VT_NULL), L""},  {Kind(VT_EMPTY), L""},    {Real(1.5), L"1.5"},
      {Real(-3), L"-3"}, {Bool(true), L"True"}, {Text(awkward), awkward}, {Text(longText), longText},
  };
  for (const auto& c : cases) {
    voice->calls.clear();
    auto call = Page(L"playRecordedVoice", {c.argument});
    ASSERT_EQ(S_OK, call->hr) << c.text.substr(0, 20);
    ASSERT_EQ(1u, voice->calls.size());
    EXPECT_EQ(c.text, voice->calls[0].texts[0]);
    EXPECT_EQ(VT_EMPTY, call->ret->vt) << "nothing to return";
  }

  voice->calls.clear();
  EXPECT_EQ(S_OK,
            Page(L"scoreRecordedVoice", {Text(L"http://127.0.0.1/score"), Int(7), Text(L"Hello."), Bool(false)})->hr);
  EXPECT_EQ(S_OK, Page(L"playAudio", {Kind(VT_NULL), Text(L"http://127.0.0.1/a.wav")})->hr);
  ASSERT_EQ(2u, voice->calls.size());
  EXPECT_EQ((std::vector<std::wstring>{L"http://127.0.0.1/score", L"7", L"Hello.", L"False"}), voice->calls[0].texts);
  EXPECT_EQ((std::vector<std::wstring>{L"", L"http://127.0.0.1/a.wav"}), voice->calls[1].texts);
}

TEST_F(Bridge, SpeechTimeRoundsHalvesToEvenAndAnythingElseFailsTheCall) {
  const struct {
    VARIANT argument;
    int32_t milliseconds;  // -1: the call fails
  } cases[] = {
      {Real(2999.5), 3000},    {Real(3000.5), 3000}, {Real(2999.4), 2999}, {Int(3000), 3000}, {Text(L"3000"), 3000},
      {Text(L"2500.5"), 2500}, {Kind(VT_EMPTY), 0},  {Text(L"abc"), -1},   {Object(), -1},    {Kind(VT_NULL), -1},
      {Real(NAN), -1},         {Real(INFINITY), -1}, {Real(3e9), -1},      {Text(L""), -1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(i);
    voice->calls.clear();
    auto call = Page(L"recordVoice", {Int(12), cases[i].argument});
    if (cases[i].milliseconds >= 0) {
      ASSERT_EQ(S_OK, call->hr);
      ASSERT_EQ(1u, voice->calls.size());
      EXPECT_EQ(L"12", voice->calls[0].texts[0]);
      EXPECT_EQ(cases[i].milliseconds, voice->calls[0].speechTime);
    } else {
      EXPECT_EQ(DISP_E_EXCEPTION, call->hr);
      EXPECT_EQ(L"speechTime must be a number of milliseconds", call->description);
      EXPECT_EQ(L"ITovlaneWebBrowserExternal", call->source);
      EXPECT_TRUE(voice->calls.empty()) << "nothing starts";
    }
  }
}

TEST_F(Bridge, PluginMethodsAndFailuresOfTheOperationsBehind) {
  for (int i = 0; i < 2; ++i) {
    auto version = Page(L"getVoxExternalPluginVersion");
    ASSERT_EQ(S_OK, version->hr);
    ASSERT_EQ(VT_BSTR, version->ret->vt);
    EXPECT_EQ(L"pc-" TOVLANE_VERSION_TEXT, TextOfBstr(version->ret->bstrVal));
  }

  bridge->RecordedVoices().With([](auto& items) {
    items[L"a"] = std::make_unique<TRecordedVoice>();
    items[L"b"] = std::make_unique<TRecordedVoice>();
  });
  for (int i = 0; i < 2; ++i) {
    auto reset = Page(L"resetVoiceEngine");
    EXPECT_EQ(S_OK, reset->hr);
    EXPECT_EQ(VT_EMPTY, reset->ret->vt);
  }
  EXPECT_EQ(0u, bridge->RecordedVoices().With([](auto& items) { return items.size(); }));

  const struct {
    VARIANT command;
    int updates;
  } commands[] = {{Text(L"ForceUpdateFlash"), 1},
                  {Text(L"forceupdateflash"), 0},
                  {Text(L"ForceUpdateFlash "), 0},
                  {Int(5), 0},
                  {Kind(VT_NULL), 0}};
  for (const auto& c : commands) {
    window.flashUpdates = 0;
    auto call = Page(L"execVoxPluginCommand", {c.command, Kind(VT_EMPTY)});
    EXPECT_EQ(S_OK, call->hr);
    EXPECT_EQ(VT_EMPTY, call->ret->vt);
    EXPECT_EQ(c.updates, window.flashUpdates) << "run before the call returns";
  }
  window.failFlashUpdate = true;
  auto failed = Page(L"execVoxPluginCommand", {Text(L"ForceUpdateFlash"), Kind(VT_EMPTY)});
  EXPECT_EQ(DISP_E_EXCEPTION, failed->hr);
  EXPECT_EQ(L"the update check cannot start", failed->description);

  auto unscored = Page(L"getScoreRecordedVoiceResult", {Text(L"s")});
  EXPECT_EQ(S_OK, unscored->hr);
  EXPECT_EQ(VT_EMPTY, unscored->ret->vt);
  voice->scoreResult = L"";
  auto scored = Page(L"getScoreRecordedVoiceResult", {Text(L"s")});
  ASSERT_EQ(VT_BSTR, scored->ret->vt);
  EXPECT_EQ(L"", TextOfBstr(scored->ret->bstrVal));

  voice->fail = true;
  auto busy = Page(L"recordVoice", {Text(L"s"), Int(1000)});
  EXPECT_EQ(DISP_E_EXCEPTION, busy->hr);
  EXPECT_EQ(L"the recorder is busy", busy->description);
  EXPECT_EQ(L"ITovlaneWebBrowserExternal", busy->source);
}

TEST(BridgeWithoutVoice, VoiceCallsFailWithAMessage) {
  TMainThread mainThread;
  auto bridge = TTovlaneWebBrowserExternal::Create(std::make_unique<TWebBrowserScriptExecutor>(), nullptr);
  auto call = Call(bridge.Get(), L"playAudio", {Text(L"c"), Text(L"u")});
  EXPECT_EQ(DISP_E_EXCEPTION, call->hr);
  EXPECT_EQ(L"playAudio is not available: the voice engine is missing", call->description);
  // No browser attached: a callback is lost without a trace.
  bridge->callJavascript(L"window.x = 1;");
}

TEST_F(Bridge, CallbacksFromEightWorkersArriveOnceAndInOrderPerWorker) {
  const int kWorkers = 8, kEach = 1000;
  std::map<std::wstring, std::pair<int, int>> expected;  // script -> worker, sequence
  for (int w = 0; w < kWorkers; ++w)
    for (int i = 0; i < kEach; ++i)
      expected[CallbackScript(TCallback::cbPlayAudioCompleted, std::to_wstring(w) + L"\"" + std::to_wstring(i),
                              L"ok")] = {w, i};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i)
        bridge->callJavascript(
            CallbackScript(TCallback::cbPlayAudioCompleted, std::to_wstring(w) + L"\"" + std::to_wstring(i), L"ok"));
      bridge->QueueRecordFailedTip();
    });
  PumpMessagesUntil([&] { return executor->scripts.size() == size_t(kWorkers * kEach) && window.tips == kWorkers; });
  for (auto& worker : workers) worker.join();
  EXPECT_FALSE(executor->offMainThread);
  std::vector<int> next(kWorkers, 0);
  for (const auto& script : executor->scripts) {
    auto found = expected.find(script);
    ASSERT_NE(expected.end(), found) << "each callback arrives once";
    EXPECT_EQ(next[found->second.first]++, found->second.second);
    expected.erase(found);
  }
}

TEST_F(Bridge, ClosingWhileWorkersWaitEndsCleanly) {
  std::atomic<bool> closing{false};
  std::vector<std::thread> workers;
  for (int w = 0; w < 8; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < 1000 && !closing; ++i) bridge->callJavascript(L"window.voxVoiceEngine.x();");
    });
  PumpMessagesUntil([&] { return executor->scripts.size() >= 100; });
  closing = true;
  mainThread.Shutdown();
  for (auto& worker : workers) worker.join();
  const size_t delivered = executor->scripts.size();
  bridge->QueueRecordFailedTip();  // refused now; nothing runs against the window later
  EXPECT_EQ(delivered, executor->scripts.size());
  EXPECT_EQ(0, window.tips);
}
