// The floor of the start-up benchmark: what any client that shows a page in the WebBrowser control must do
// before its first frame, and nothing more. The client's manifest (common controls 6), the client's process
// initialisation (common controls, OLE), one top-level window over the work area, as large as the main
// window, the client's browser site made in it and on the blank page before the window is shown; then it
// waits until it is closed.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <exception>
#include <memory>

#include "support/browser/WebBrowserHost.h"

namespace {

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The client's own bound for the blank page.
const DWORD kBlankPageTimeoutMs = 10000;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = FloorWindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"BrowserFloor";
  RegisterClassW(&windowClass);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HWND window =
      CreateWindowExW(WS_EX_APPWINDOW, L"BrowserFloor", L"Browser floor", WS_POPUP | WS_CLIPCHILDREN, work.left,
                      work.top, work.right - work.left, work.bottom - work.top, nullptr, nullptr, instance, nullptr);
  std::unique_ptr<TWebBrowserHost> browser;
  try {
    RECT client;
    GetClientRect(window, &client);
    browser = std::make_unique<TWebBrowserHost>(window, client, TWebBrowserSettings{}, TWebBrowserEvents{});
    browser->LoadBlankPage(kBlankPageTimeoutMs);
  } catch (const std::exception&) {
    return 1;  // no figure to take: the watcher sees no window
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  browser.reset();
  OleUninitialize();
  return 0;
}
