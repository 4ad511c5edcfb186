// The WebBrowser control in this process: what its site answers, its events, the blank page's wait, teardown
// inside an event; the client's handlers on the registry with real SAFEARRAY form bodies and the x87 control word.
#include <gtest/gtest.h>

#include <exdisp.h>
#include <idispids.h>
#include <mshtmdid.h>
// The command group's GUID from the system's header, not from the code under test.
#include <initguid.h>
#include <mshtmhst.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/untHandle.h"
#include "base/untText.h"
#include "base/untVariant.h"
#include "shell/untBrowserHost.h"
#include "shell/untPostData.h"
#include "shell/untRememberedLogin.h"
#include "testkit/WinTestSupport.h"

namespace {

const RECT kBounds = {10, 36, 590, 390};

// A plain top-level window for the control to live in.
class TParentWindow {
 public:
  TParentWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BrowserHostTestParent";
    RegisterClassW(&windowClass);
    fWindow = CreateWindowExW(0, L"BrowserHostTestParent", L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 600, 400, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TParentWindow() { DestroyWindow(fWindow); }
  HWND Get() const { return fWindow; }

 private:
  HWND fWindow;
};

RECT PlaceInParent(HWND child) {
  RECT place;
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// window.external stand-in that counts its references.
class TCountedDispatch final : public IDispatch {
 public:
  ULONG count = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

class BrowserHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { OleInitialize(nullptr); }
  std::unique_ptr<TWebBrowserHost> MakeHost(TWebBrowserEvents events) {
    TWebBrowserSettings settings;
    settings.userAgent = L"Test agent TovlaneBrowser";
    settings.hostFlags = DOCHOSTUIFLAG_NO3DBORDER;
    return std::make_unique<TWebBrowserHost>(fParent.Get(), kBounds, settings, std::move(events));
  }
  TParentWindow fParent;
};

// Runs the thread's messages until done() holds; the bound only keeps a fault from hanging the run.
bool PumpUntil(const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 10000;) {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
    else
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
  return done();
}

// The x87 control word as the processor reads it back; bit 6 is reserved and may read as set.
uint16_t FpuControlWord() {
  uint16_t word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word & ~0x0040;
}

std::string Server() {
  const char* address = std::getenv("TOVLANE_SERVER");
  return address ? address : "http://127.0.0.1:9";
}

}  // namespace

TEST_F(BrowserHost, TheSiteAnswersWithTheSettingsAndTheExternalObject) {
  TCountedDispatch external;
  TWebBrowserEvents events;
  events.OnGetExternal = [&external]() -> IDispatch* {
    external.AddRef();
    return &external;
  };
  auto host = MakeHost(std::move(events));
  wchar_t className[64] = {};
  GetClassNameW(host->Window(), className, 64);
  EXPECT_STREQ(L"Shell Embedding", className);
  EXPECT_TRUE(SameRect(kBounds, PlaceInParent(host->Window())));
  const RECT moved = {10, 36, 400, 300};
  host->SetBounds(moved);
  EXPECT_TRUE(SameRect(moved, PlaceInParent(host->Window())));

  ComPtr<IOleObject> object;
  ASSERT_HRESULT_SUCCEEDED(host->Browser()->QueryInterface(IID_IOleObject, object.Receive()));
  ComPtr<IOleClientSite> site;
  ASSERT_HRESULT_SUCCEEDED(object->GetClientSite(site.Receive()));
  ASSERT_TRUE(site);

  ComPtr<IDispatch> ambient;
  ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(IID_IDispatch, ambient.Receive()));
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  TVariant agent;
  ASSERT_HRESULT_SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERAGENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                           agent.Get(), nullptr, nullptr));
  ASSERT_EQ(VT_BSTR, agent->vt);
  EXPECT_EQ(L"Test agent TovlaneBrowser", TextOfBstr(agent->bstrVal));
  TVariant other;
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, ambient->Invoke(DISPID_AMBIENT_SILENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                                   other.Get(), nullptr, nullptr));

  ComPtr<IDocHostUIHandler> handler;
  ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(IID_IDocHostUIHandler, handler.Receive()));
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_HRESULT_SUCCEEDED(handler->GetHostInfo(&info));
  EXPECT_EQ(DWORD(DOCHOSTUIFLAG_NO3DBORDER), info.dwFlags);
  EXPECT_EQ(DWORD(DOCHOSTUIDBLCLK_DEFAULT), info.dwDoubleClick);
  IDispatch* handedOut = nullptr;
  ASSERT_EQ(S_OK, handler->GetExternal(&handedOut));
  EXPECT_EQ(&external, handedOut);
  EXPECT_EQ(2u, external.count) << "the page gets its own reference";
  handedOut->Release();

  ComPtr<IOleCommandTarget> commands;
  ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(IID_IOleCommandTarget, commands.Receive()));
  TVariant goOn;
  EXPECT_EQ(S_OK, commands->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, goOn.Get()));
  EXPECT_EQ(VT_BOOL, goOn->vt);
  EXPECT_EQ(VARIANT_TRUE, goOn->boolVal) << "scripts go on after an error, without a dialog";

  // One identity: every hosting interface gives the same IUnknown, and the in-place site names the parent.
  ComPtr<IUnknown> fromSite, fromHandler;
  site->QueryInterface(IID_IUnknown, fromSite.Receive());
  handler->QueryInterface(IID_IUnknown, fromHandler.Receive());
  EXPECT_EQ(fromSite.Get(), fromHandler.Get());
  ComPtr<IOleInPlaceSite> inPlace;
  ASSERT_HRESULT_SUCCEEDED(commands->QueryInterface(IID_IOleInPlaceSite, inPlace.Receive()));
  HWND window = nullptr;
  inPlace->GetWindow(&window);
  EXPECT_EQ(fParent.Get(), window);
}

TEST_F(BrowserHost, TheBlankPageWaitEndsAndEveryNavigationReachesTheHandlerUnchanged) {
  std::vector<std::wstring> urls;
  std::vector<std::wstring> bodies;
  TWebBrowserEvents events;
  events.OnBeforeNavigate2 = [&](const std::wstring& url, const VARIANT& postData) {
    urls.push_back(url);
    bodies.push_back(PostDataToString(postData));
  };
  auto host = MakeHost(std::move(events));
  // Without the bound, only the page's completion or failure can end the wait.
  host->LoadBlankPage(INFINITE);
  ASSERT_EQ(1u, urls.size());
  EXPECT_EQ(L"about:blank", urls[0]);
  BSTR location = nullptr;
  ASSERT_HRESULT_SUCCEEDED(host->Browser()->get_LocationURL(&location));
  EXPECT_EQ(L"about:blank", TextOfBstr(location));
  SysFreeString(location);

  const std::wstring login = AnsiToWide(Server()) + L"/j_spring_security_check?x=1";
  ASSERT_HRESULT_SUCCEEDED(host->Navigate(login));
  ASSERT_TRUE(PumpUntil([&] { return urls.size() == 2; }));
  EXPECT_EQ(login, urls[1]);
  EXPECT_EQ(L"", bodies[1]) << "a navigation without a form body";
}

TEST_F(BrowserHost, ClosedInsideItsOwnEventTheControlIsTornDownAfterwards) {
  std::unique_ptr<TWebBrowserHost> host;
  int calls = 0;
  TWebBrowserEvents events;
  events.OnBeforeNavigate2 = [&](const std::wstring&, const VARIANT&) {
    ++calls;
    host.reset();
  };
  host = MakeHost(std::move(events));
  ComPtr<IOleObject> object;
  ASSERT_HRESULT_SUCCEEDED(host->Browser()->QueryInterface(IID_IOleObject, object.Receive()));
  host->Navigate(L"about:blank");
  EXPECT_FALSE(host);
  EXPECT_EQ(1, calls);
  auto siteOf = [&object] {
    ComPtr<IOleClientSite> site;
    object->GetClientSite(site.Receive());
    return site.Get() != nullptr;
  };
  EXPECT_TRUE(siteOf()) << "not torn down inside the event";
  EXPECT_TRUE(PumpUntil([&] { return !siteOf(); })) << "the site is taken from the control afterwards";
  EXPECT_EQ(1, calls);
}

TEST_F(BrowserHost, AHandlerThatThrowsOrChangesTheControlWordIsContained) {
  TWebBrowserEvents events;
  events.OnBeforeNavigate2 = [](const std::wstring&, const VARIANT&) {
    TFpuControlWordReset reset;
    SetFpuControlWord(0x027F);
    throw std::runtime_error("a handler's failure");
  };
  auto host = MakeHost(std::move(events));
  SetFpuControlWord(0x0372);
  EXPECT_HRESULT_SUCCEEDED(host->Navigate(L"about:blank"));
  EXPECT_EQ(kFpuControlWord, FpuControlWord());
}

// The bridge that cannot be made, whatever it raises, leaves the page without window.external.
TEST_F(BrowserHost, AnExternalObjectThatFailsIsNoneForThePage) {
  for (const bool standard : {true, false}) {
    TWebBrowserEvents events;
    events.OnGetExternal = [standard]() -> IDispatch* {
      if (standard) throw std::runtime_error("no bridge");
      throw 42;
    };
    auto host = MakeHost(std::move(events));
    ComPtr<IOleObject> object;
    ASSERT_HRESULT_SUCCEEDED(host->Browser()->QueryInterface(IID_IOleObject, object.Receive()));
    ComPtr<IOleClientSite> site;
    ASSERT_HRESULT_SUCCEEDED(object->GetClientSite(site.Receive()));
    ComPtr<IDocHostUIHandler> handler;
    ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(IID_IDocHostUIHandler, handler.Receive()));
    IDispatch* handedOut = nullptr;
    EXPECT_EQ(S_FALSE, handler->GetExternal(&handedOut)) << standard;
    EXPECT_EQ(nullptr, handedOut) << standard;
  }
}

namespace {

const wchar_t kTestKey[] = L"Software\\TovlaneTest\\BrowserHost";

// A form body as the control hands it over: a reference to a variant holding a byte array.
class TPostData {
 public:
  explicit TPostData(const std::string& body) {
    SAFEARRAYBOUND bound = {ULONG(body.size()), 0};
    V_VT(fArray.Get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(fArray.Get()) = SafeArrayCreate(VT_UI1, 1, &bound);
    void* data = nullptr;
    SafeArrayAccessData(V_ARRAY(fArray.Get()), &data);
    std::copy(body.begin(), body.end(), static_cast<char*>(data));
    SafeArrayUnaccessData(V_ARRAY(fArray.Get()));
    VariantInit(&fReference);
    V_VT(&fReference) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&fReference) = fArray.Get();
  }
  const VARIANT& Get() const { return fReference; }

 private:
  TVariant fArray;
  VARIANT fReference;
};

class LoginHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(fReg.OpenKey(kTestKey, true));
  }
  void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey); }
  TReg fReg{HKEY_CURRENT_USER};
};

const wchar_t kLogin[] = L"http://127.0.0.1/j_spring_security_check";

}  // namespace

TEST_F(LoginHandlers, SubmissionsWriteAndDeleteThePairAndTheControlWordIsPutBack) {
  const VARIANT none = {};
  const struct {
    std::string body;
    const wchar_t* url;
    bool stored;  // the pair afterwards, "3001"/"secret" when true
  } cases[] = {
      {"j_username=3001&j_password=secret&_spring_security_remember_me=on", kLogin, true},
      {"j_username=4001&j_password=other&_spring_security_remember_me=on", kLogin, true},
      {"j_username=3001&j_password=secret&_spring_security_remember_me=on", L"http://127.0.0.1/other", true},
      {"j_username=4001&j_password=other", kLogin, false},
  };
  for (const auto& c : cases) {
    SetFpuControlWord(0x027F);
    WebBrowserBeforeNavigate2(&fReg, c.url, TPostData(c.body).Get());
    EXPECT_EQ(kFpuControlWord, FpuControlWord()) << c.body;
    EXPECT_EQ(c.stored ? L"3001" : L"", fReg.ReadString(kLastStudentUserName)) << c.body;
    EXPECT_EQ(c.stored ? L"OTqKG9FAa12ubQno" : L"", fReg.ReadString(kLastStudentPassword)) << c.body;
  }

  // The login address without any form body deletes the pair.
  WebBrowserBeforeNavigate2(&fReg, kLogin,
                            TPostData("j_username=3001&j_password=secret&"
                                      "_spring_security_remember_me=on")
                                .Get());
  WebBrowserBeforeNavigate2(&fReg, kLogin, none);
  EXPECT_FALSE(fReg.ValueExists(kLastStudentUserName));
  EXPECT_FALSE(fReg.ValueExists(kLastStudentPassword));
}

TEST_F(LoginHandlers, WithoutAnOpenKeyOrADocumentNothingIsWrittenAndNothingRaises) {
  const TPostData submission("j_username=3001&j_password=secret&_spring_security_remember_me=on");
  WebBrowserBeforeNavigate2(nullptr, kLogin, submission.Get());
  TReg closed(HKEY_CURRENT_USER);  // no key opened: every write fails
  WebBrowserBeforeNavigate2(&closed, kLogin, submission.Get());
  EXPECT_FALSE(fReg.ValueExists(kLastStudentUserName));

  // A stored password that is not Base64, and completed "documents" that are none.
  fReg.WriteString(kLastStudentUserName, L"3001");
  fReg.WriteString(kLastStudentPassword, L"not base64 \u00e9!");
  TCountedDispatch notABrowser;
  SetFpuControlWord(0x027F);
  WebBrowserDocumentComplete(&fReg, &notABrowser);
  EXPECT_EQ(kFpuControlWord, FpuControlWord());
  WebBrowserDocumentComplete(&fReg, nullptr);
  WebBrowserDocumentComplete(nullptr, &notABrowser);
  EXPECT_EQ(1u, notABrowser.count);
}
