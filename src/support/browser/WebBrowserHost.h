#pragma once
// The Internet Explorer WebBrowser control inside one of our windows: created in-place active, silent, script
// errors suppressed, answering the user agent and the host flags it is given; its events reach the owner's
// handlers. How the site is built is told at the head of WebBrowserHost.cpp.
#include <windows.h>

#include <exdisp.h>

#include <functional>
#include <string>

// What the owner does with the control's events and questions; any member may be left empty.
struct TWebBrowserEvents {
  // Before every navigation (the top page's and the frames'); postData as the control hands it over, any
  // variant. The navigation goes on whatever the handler does.
  std::function<void(const std::wstring& url, const VARIANT& postData)> OnBeforeNavigate2;
  // Once per completed document; browser is the automation object of the top page or of the frame.
  std::function<void(IDispatch* browser)> OnDocumentComplete;
  // The page's window.external: a new reference, or nullptr for none.
  std::function<IDispatch*()> OnGetExternal;
};

struct TWebBrowserSettings {
  std::wstring userAgent;  // the ambient user agent, for this control only
  DWORD hostFlags = 0;     // the DOCHOSTUIINFO flags
};

class TWebBrowserSite;

class TWebBrowserHost {
 public:
  // Creates the control as a child of parent at bounds (client coordinates). Raises std::runtime_error when the
  // control cannot be made or activated. Nothing has been navigated yet.
  TWebBrowserHost(HWND parent, const RECT& bounds, TWebBrowserSettings settings, TWebBrowserEvents events);
  // Undoes the creation in reverse; the handlers are not called any more. Inside one of the control's events
  // the teardown waits until that event has returned.
  ~TWebBrowserHost();
  TWebBrowserHost(const TWebBrowserHost&) = delete;
  TWebBrowserHost& operator=(const TWebBrowserHost&) = delete;

  // The control's own window.
  HWND Window() const;
  IWebBrowser2* Browser() const;
  void SetBounds(const RECT& bounds);
  HRESULT Navigate(const std::wstring& url);
  HRESULT Refresh();
  // Navigates to "about:blank" and runs the thread's messages, 1 ms apart, until the page is complete (true),
  // the control reports that it cannot load it, or timeoutMs have passed.
  bool LoadBlankPage(DWORD timeoutMs);
  // Keyboard messages (WM_KEYDOWN to 0x0109) go to the page through IsDialogMessageW with the control's
  // window; true when the control handled the message, which is then not dispatched.
  bool RouteKeyboardMessage(MSG& message) const;

 private:
  TWebBrowserSite* fSite;  // one reference
};
