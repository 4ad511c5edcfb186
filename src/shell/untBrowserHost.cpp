#include "shell/untBrowserHost.h"

#include <mshtmhst.h>
#include <mshtml.h>

#include <algorithm>

#include "base/untGlobal.h"
#include "base/untVariant.h"
#include "bridge/untCallbackScript.h"
#include "shell/untRememberedLoginWin.h"
#include "support/widgets/TGdi.h"

namespace {
const int kMargin = 10;
const DISPID kDispidDocument = 203;  // IWebBrowser2::Document

// Blanks and control characters, as the other texts from outside are trimmed.
bool IsBlank(const std::wstring& text) { return text.find_first_not_of(L" \t\r\n") == std::wstring::npos; }
}  // namespace

RECT WebBrowserBounds(const RECT& client) {
  // A window narrower or lower than the margins gets an empty browser rather than an inverted one.
  const LONG right = std::max<LONG>(client.right - kMargin, kMargin);
  const LONG bottom = std::max<LONG>(client.bottom - kMargin, kTitleHeight);
  return RECT{kMargin, kTitleHeight, right, bottom};
}

void WebBrowserBeforeNavigate2(TReg* reg, const std::wstring& url, const VARIANT& postData) {
  TFpuControlWordReset reset;
  CaptureLoginSubmission(reg, url, postData);
}

void WebBrowserDocumentComplete(TReg* reg, IDispatch* browser) {
  TFpuControlWordReset reset;
  RefillLoginDocument(reg, browser);
}

std::unique_ptr<TWebBrowserHost> CreateNewWebBrowser(HWND parent, const std::wstring& url,
                                                     const TTovlaneSettings& tovlaneSettings,
                                                     std::function<IDispatch*()> external, DWORD blankPageTimeoutMs) {
  TWebBrowserSettings settings;
  settings.userAgent = GetSystemUserAgent() + L" TovlaneBrowser";
  WriteLog(L"Use UserAgent: " + settings.userAgent);
  settings.hostFlags = DOCHOSTUIFLAG_NO3DBORDER;
  TWebBrowserEvents events;
  TReg* reg = tovlaneSettings.Reg();
  events.OnBeforeNavigate2 = [reg](const std::wstring& address, const VARIANT& postData) {
    WebBrowserBeforeNavigate2(reg, address, postData);
  };
  events.OnDocumentComplete = [reg](IDispatch* browser) { WebBrowserDocumentComplete(reg, browser); };
  events.OnGetExternal = std::move(external);
  auto browser = std::make_unique<TWebBrowserHost>(parent, WebBrowserBounds(ClientRectOf(parent)), std::move(settings),
                                                   std::move(events));
  browser->LoadBlankPage(blankPageTimeoutMs);
  if (!IsBlank(url)) browser->Navigate(url);
  return browser;
}

void TWebBrowserScriptExecutor::ExecJavascript(const std::wstring& script) {
  try {
    if (!FAttachedWebBrowser) return;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    TVariant document;
    if (FAILED(FAttachedWebBrowser->Invoke(kDispidDocument, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                           document.Get(), nullptr, nullptr)) ||
        document->vt != VT_DISPATCH || !document->pdispVal)
      return;
    ComPtr<IHTMLDocument2> htmlDocument;
    ComPtr<IHTMLWindow2> window;
    if (FAILED(document->pdispVal->QueryInterface(IID_IHTMLDocument2, htmlDocument.Receive())) ||
        FAILED(htmlDocument->get_parentWindow(window.Receive())) || !window)
      return;
    const TBstr code = BstrOf(GuardedScript(script));
    const TBstr language = BstrOf(L"JavaScript");
    TVariant result;
    window->execScript(code.Get(), language.Get(), result.Get());
  } catch (...) {
    // A callback that cannot run is lost without trace.
  }
}
