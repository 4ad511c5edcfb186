// How it works
//
// TWebBrowserSite is one COM object that owns the reference count. Each hosting interface the control asks
// of its site is a small member class (TClientSite, TInPlaceSite, TInPlaceFrame, TUIHandler, TAmbient,
// TCommandTarget) whose IUnknown forwards to the site, so there is one identity and one QueryInterface table.
// The events sink is a separate IDispatch with its own count: the control's connection point holds it, and it
// reaches the site only while the site is alive and attached. TWebBrowserHost, the owner's handle, holds one
// reference on the site.
//
// Creation: CoCreateInstance, SetClientSite (the control asks the site for the UI handler, command target and
// ambient properties right then, so the user agent and host flags are ready before), in-place activation
// inside the parent at the given bounds, the events sink advised, OnAmbientPropertyChange for the user agent,
// Silent. Teardown in reverse: unadvise, in-place deactivate, SetClientSite(nullptr), Close, then the
// pointers released in reverse order of their taking. A teardown asked for inside one of the control's
// events waits for the message loop (a thread timer), because the control goes on using itself after its
// event returns; the owner's handlers are cut off at once.
//
// The control's window: IWebBrowser2::get_HWND is for the browser application only (the embedded control
// answers E_FAIL), so the window comes from IOleInPlaceObject::GetWindow.
//
// Under Wine without its HTML engine (no Gecko) the control is made, activated and navigates, but loads no
// document. Probed on Wine 8:
//  - SetClientSite asks the site for IDispatch, IDocHostUIHandler, IOleCommandTarget and IOleInPlaceSite and
//    reads the ambient properties -5501 and -5502; it never asks for DISPID_AMBIENT_USERAGENT, and
//    OnAmbientPropertyChange answers E_NOTIMPL. GetHostInfo and GetExternal are never called.
//  - ReadyState is 0 before the first navigation, 1 right after it, and stays 1 (watched for 10.5 s on
//    about:blank); Busy is false and Document empty. A wait for READYSTATE_COMPLETE alone would thus take its
//    whole bound at every start.
//  - Per navigation: BeforeNavigate2 synchronously inside Navigate, then DownloadBegin, CommandStateChange,
//    StatusTextChange, DownloadComplete and NavigateError (once for about:blank, twice for an http address,
//    whose GET does reach the server). NavigateComplete2, DocumentComplete and NewWindow2 never come; a
//    "_blank" target navigates in place.
//  - POST data in BeforeNavigate2 is a reference to a reference to the byte array (Internet Explorer passes one
//    level), and its bytes are a copy of the SAFEARRAY header, not the body. Without POST data it is empty.
//  - Refresh answers E_FAIL and raises no event.
// So the blank page's wait also ends at the control's NavigateError for about:blank: on Windows that page
// does not fail, and the wait keeps its bound there; here it ends after a fraction of a second.
#include "support/browser/WebBrowserHost.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "base/untGlobal.h"
#include "base/untHandle.h"
#include "base/untMessages.h"
#include "base/untVariant.h"

namespace {

const UINT kLastKeyboardMessage = 0x0109;
// CGID_DocHostCommandHandler, which MinGW's uuid library lacks.
const GUID kDocHostCommandGroup = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
const wchar_t kBlankPage[] = L"about:blank";

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) throw std::runtime_error(std::string("the browser control cannot be made: ") + what);
}

}  // namespace

// Every hosting interface: IUnknown forwards to the site.
template <typename Interface>
class TSitePart : public Interface {
 public:
  explicit TSitePart(TWebBrowserSite& site) : fSite(site) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 protected:
  TWebBrowserSite& fSite;
};

class TClientSite final : public TSitePart<IOleClientSite> {
 public:
  using TSitePart::TSitePart;
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

class TInPlaceSite final : public TSitePart<IOleInPlaceSite> {
 public:
  using TSitePart::TSitePart;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                             RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(const RECT*) override { return S_OK; }
};

// The frame the in-place control asks for: the parent window, with no menus, borders or status bar.
class TInPlaceFrame final : public TSitePart<IOleInPlaceFrame> {
 public:
  using TSitePart::TSitePart;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(const BORDERWIDTHS*) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(const BORDERWIDTHS*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }
};

class TUIHandler final : public TSitePart<IDocHostUIHandler> {
 public:
  using TSitePart::TSitePart;
  // S_FALSE: the control shows its own context menu and UI.
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                   IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override {
    if (translated) *translated = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** filtered) override {
    if (filtered) *filtered = nullptr;
    return S_FALSE;
  }
};

// An IDispatch that the control only invokes by DISPID: no type information, no names.
template <typename Base>
class TInvokeOnly : public Base {
 public:
  using Base::Base;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The ambient properties: the user agent; the control's defaults for the rest.
class TAmbient final : public TInvokeOnly<TSitePart<IDispatch>> {
 public:
  using TInvokeOnly::TInvokeOnly;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override;
};

// Script errors: the control asks whether to show its dialog; the answer is no, and the scripts go on.
class TCommandTarget final : public TSitePart<IOleCommandTarget> {
 public:
  using TSitePart::TSitePart;
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
    return OLECMDERR_E_UNKNOWNGROUP;
  }
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* result) override;
};

class TEventSink;

class TWebBrowserSite {
 public:
  TWebBrowserSite(HWND parent, const RECT& bounds, TWebBrowserSettings settings, TWebBrowserEvents events);
  TWebBrowserSite(const TWebBrowserSite&) = delete;
  TWebBrowserSite& operator=(const TWebBrowserSite&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object);
  ULONG AddRef() { return ++fRefCount; }
  ULONG Release() {
    const ULONG count = --fRefCount;
    if (count == 0) delete this;
    return count;
  }

  // The owner's creation and teardown; Attach raises when a step fails (what was made is undone). After Close
  // the handlers are not called again.
  void Attach();
  void Close();
  void HandleEvent(DISPID id, const DISPPARAMS& parameters);

  HWND fParent;
  RECT fBounds;
  const TWebBrowserSettings fSettings;
  TWebBrowserEvents fEvents;
  bool fBlankPageFailed = false;

  ComPtr<IOleObject> fObject;
  ComPtr<IOleInPlaceObject> fInPlaceObject;
  ComPtr<IWebBrowser2> fBrowser;
  HWND fWindow = nullptr;
  ComPtr<IConnectionPoint> fEventsPoint;
  ComPtr<TEventSink> fSink;
  DWORD fSinkCookie = 0;

  TClientSite fClientSite{*this};
  TInPlaceSite fInPlaceSite{*this};
  TInPlaceFrame fFrame{*this};
  TUIHandler fUIHandler{*this};
  TAmbient fAmbient{*this};
  TCommandTarget fCommandTarget{*this};

 private:
  ~TWebBrowserSite() = default;
  void Teardown();
  static void CALLBACK TeardownPending(HWND, UINT, UINT_PTR timer, DWORD);

  // Sites closed inside an event, one reference each (main thread only).
  static std::vector<TWebBrowserSite*> fPendingTeardowns;
  ULONG fRefCount = 1;
  int fEventDepth = 0;
};

template <typename Interface>
HRESULT TSitePart<Interface>::QueryInterface(REFIID riid, void** object) {
  return fSite.QueryInterface(riid, object);
}
template <typename Interface>
ULONG TSitePart<Interface>::AddRef() {
  return fSite.AddRef();
}
template <typename Interface>
ULONG TSitePart<Interface>::Release() {
  return fSite.Release();
}

// DWebBrowserEvents2: each DISPID the site handles goes to it; the rest, NewWindow2 included, is left to the
// control's default.
class TEventSink final : public TInvokeOnly<IDispatch> {
 public:
  explicit TEventSink(TWebBrowserSite* site) : fSite(site) {}
  void Detach() { fSite = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID_DWebBrowserEvents2) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++fRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --fRefCount;
    if (count == 0) delete this;
    return count;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (fSite && parameters) fSite->HandleEvent(id, *parameters);
    return S_OK;
  }

 private:
  ~TEventSink() = default;
  std::atomic<ULONG> fRefCount{1};
  TWebBrowserSite* fSite;
};

TWebBrowserSite::TWebBrowserSite(HWND parent, const RECT& bounds, TWebBrowserSettings settings,
                                 TWebBrowserEvents events)
    : fParent(parent), fBounds(bounds), fSettings(std::move(settings)), fEvents(std::move(events)) {}

HRESULT TWebBrowserSite::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  const struct {
    const IID& iid;
    IUnknown* part;
  } table[] = {{IID_IUnknown, &fClientSite},
               {IID_IOleClientSite, &fClientSite},
               {IID_IOleWindow, &fInPlaceSite},
               {IID_IOleInPlaceSite, &fInPlaceSite},
               {IID_IOleInPlaceUIWindow, &fFrame},
               {IID_IOleInPlaceFrame, &fFrame},
               {IID_IDocHostUIHandler, &fUIHandler},
               {IID_IDispatch, &fAmbient},
               {IID_IOleCommandTarget, &fCommandTarget}};
  for (const auto& entry : table)
    if (riid == entry.iid) {
      *object = entry.part;
      AddRef();
      return S_OK;
    }
  *object = nullptr;
  return E_NOINTERFACE;
}

void TWebBrowserSite::Attach() {
  try {
    Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, fObject.Receive()),
          "CoCreateInstance");
    Check(fObject->SetClientSite(&fClientSite), "SetClientSite");
    Check(fObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &fClientSite, 0, fParent, &fBounds), "DoVerb");
    Check(fObject->QueryInterface(IID_IOleInPlaceObject, fInPlaceObject.Receive()), "IOleInPlaceObject");
    Check(fInPlaceObject->GetWindow(&fWindow), "GetWindow");
    Check(fObject->QueryInterface(IID_IWebBrowser2, fBrowser.Receive()), "IWebBrowser2");

    ComPtr<IConnectionPointContainer> points;
    Check(fObject->QueryInterface(IID_IConnectionPointContainer, points.Receive()), "IConnectionPointContainer");
    Check(points->FindConnectionPoint(DIID_DWebBrowserEvents2, fEventsPoint.Receive()), "DWebBrowserEvents2");
    fSink = ComPtr<TEventSink>(new TEventSink(this));
    Check(fEventsPoint->Advise(fSink.Get(), &fSinkCookie), "Advise");

    // Not every control reads the ambient user agent again when told (Wine's answers E_NOTIMPL); it has
    // also asked for it while its site was being set.
    ComPtr<IOleControl> control;
    if (SUCCEEDED(fObject->QueryInterface(IID_IOleControl, control.Receive())))
      control->OnAmbientPropertyChange(DISPID_AMBIENT_USERAGENT);
    Check(fBrowser->put_Silent(VARIANT_TRUE), "Silent");
  } catch (...) {
    Teardown();
    throw;
  }
}

std::vector<TWebBrowserSite*> TWebBrowserSite::fPendingTeardowns;

void TWebBrowserSite::Close() {
  fEvents = TWebBrowserEvents();
  if (fEventDepth == 0) return Teardown();
  // The control is still inside its event and uses itself when the event returns: the teardown waits for the
  // thread's message loop, holding a reference until it has run.
  AddRef();
  fPendingTeardowns.push_back(this);
  SetTimer(nullptr, 0, 0, TeardownPending);
}

void CALLBACK TWebBrowserSite::TeardownPending(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::vector<TWebBrowserSite*> sites;
  sites.swap(fPendingTeardowns);
  for (TWebBrowserSite* site : sites) {
    site->Teardown();
    site->Release();
  }
}

void TWebBrowserSite::Teardown() {
  if (fSink) {
    if (fSinkCookie) fEventsPoint->Unadvise(fSinkCookie);
    fSinkCookie = 0;
    fSink->Detach();
  }
  if (fInPlaceObject) fInPlaceObject->InPlaceDeactivate();
  if (fObject) {
    fObject->SetClientSite(nullptr);
    fObject->Close(OLECLOSE_NOSAVE);
  }
  fSink.Reset();
  fEventsPoint.Reset();
  fBrowser.Reset();
  fInPlaceObject.Reset();
  fObject.Reset();
  fWindow = nullptr;
}

void TWebBrowserSite::HandleEvent(DISPID id, const DISPPARAMS& parameters) {
  // Arguments come last to first.
  const VARIANT* arguments = parameters.rgvarg;
  const UINT count = parameters.cArgs;
  AddRef();
  ++fEventDepth;
  try {
    if (id == DISPID_BEFORENAVIGATE2 && count == 7 && fEvents.OnBeforeNavigate2)
      fEvents.OnBeforeNavigate2(StringOrEmpty(arguments[5]), arguments[2]);
    else if (id == DISPID_DOCUMENTCOMPLETE && count == 2 && fEvents.OnDocumentComplete &&
             Referred(arguments[1]).vt == VT_DISPATCH)
      fEvents.OnDocumentComplete(Referred(arguments[1]).pdispVal);
    else if (id == DISPID_NAVIGATEERROR && count == 5 && StringOrEmpty(arguments[3]) == kBlankPage)
      fBlankPageFailed = true;
  } catch (...) {
    WriteLog(L"WebBrowser event " + std::to_wstring(id) + L": " + CurrentErrorText());
  }
  --fEventDepth;
  Release();
}

HRESULT TInPlaceSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = fSite.fParent;
  return S_OK;
}

HRESULT TInPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                       RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) {
  if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
  *frame = &fSite.fFrame;
  fSite.AddRef();
  *document = nullptr;
  *position = fSite.fBounds;
  *clip = fSite.fBounds;
  frameInfo->fMDIApp = FALSE;
  frameInfo->hwndFrame = fSite.fParent;
  frameInfo->haccel = nullptr;
  frameInfo->cAccelEntries = 0;
  return S_OK;
}

HRESULT TInPlaceFrame::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = fSite.fParent;
  return S_OK;
}

HRESULT TUIHandler::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = fSite.fSettings.hostFlags;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

HRESULT TUIHandler::GetExternal(IDispatch** external) {
  if (!external) return E_POINTER;
  *external = nullptr;
  try {
    if (fSite.fEvents.OnGetExternal) *external = fSite.fEvents.OnGetExternal();
  } catch (...) {
    WriteLog(L"GetExternal: " + CurrentErrorText());
  }
  return *external ? S_OK : S_FALSE;
}

HRESULT TAmbient::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (id != DISPID_AMBIENT_USERAGENT) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  VariantInit(result);
  const std::wstring& agent = fSite.fSettings.userAgent;
  result->bstrVal = SysAllocStringLen(agent.data(), static_cast<UINT>(agent.size()));
  if (!result->bstrVal) return E_OUTOFMEMORY;
  result->vt = VT_BSTR;
  return S_OK;
}

HRESULT TCommandTarget::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* result) {
  if (!group || *group != kDocHostCommandGroup) return OLECMDERR_E_UNKNOWNGROUP;
  if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
  if (result) {
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = VARIANT_TRUE;  // go on running the page's scripts
  }
  return S_OK;
}

TWebBrowserHost::TWebBrowserHost(HWND parent, const RECT& bounds, TWebBrowserSettings settings,
                                 TWebBrowserEvents events)
    : fSite(new TWebBrowserSite(parent, bounds, std::move(settings), std::move(events))) {
  try {
    fSite->Attach();
  } catch (...) {
    fSite->Release();
    throw;
  }
}

TWebBrowserHost::~TWebBrowserHost() {
  fSite->Close();
  fSite->Release();
}

HWND TWebBrowserHost::Window() const { return fSite->fWindow; }

IWebBrowser2* TWebBrowserHost::Browser() const { return fSite->fBrowser.Get(); }

void TWebBrowserHost::SetBounds(const RECT& bounds) {
  fSite->fBounds = bounds;
  fSite->fInPlaceObject->SetObjectRects(&bounds, &bounds);
}

HRESULT TWebBrowserHost::Navigate(const std::wstring& url) {
  const TBstr address = BstrOf(url);
  return fSite->fBrowser->Navigate(address.Get(), nullptr, nullptr, nullptr, nullptr);
}

HRESULT TWebBrowserHost::Refresh() { return fSite->fBrowser->Refresh(); }

bool TWebBrowserHost::LoadBlankPage(DWORD timeoutMs) {
  fSite->fBlankPageFailed = false;
  if (FAILED(Navigate(kBlankPage))) return false;
  const DWORD start = GetTickCount();
  for (;;) {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    if (SUCCEEDED(fSite->fBrowser->get_ReadyState(&state)) && state == READYSTATE_COMPLETE) return true;
    if (fSite->fBlankPageFailed || GetTickCount() - start >= timeoutMs) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // The message loop that comes after must still see the request to quit.
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(1);
  }
}

bool TWebBrowserHost::RouteKeyboardMessage(MSG& message) const {
  if (message.message < WM_KEYDOWN || message.message > kLastKeyboardMessage || !fSite->fWindow) return false;
  return IsDialogMessageW(fSite->fWindow, &message) != FALSE;
}
