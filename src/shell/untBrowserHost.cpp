#include "shell/untBrowserHost.h"

#include <mshtmhst.h>

#include <algorithm>

#include "base/untGlobal.h"
#include "shell/untRememberedLoginWin.h"
#include "support/widgets/TGdi.h"

namespace {
const int kMargin = 10;

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

std::unique_ptr<TWebBrowserHost> CreateNewWebBrowser(HWND parent, const std::wstring& url, TReg* reg,
                                                     std::function<IDispatch*()> external, DWORD blankPageTimeoutMs) {
  TWebBrowserSettings settings;
  settings.userAgent = GetSystemUserAgent() + L" TovlaneBrowser";
  WriteLog(L"Use UserAgent: " + settings.userAgent);
  settings.hostFlags = DOCHOSTUIFLAG_NO3DBORDER;
  TWebBrowserEvents events;
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
