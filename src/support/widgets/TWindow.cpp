#include "support/widgets/TWindow.h"

#include <stdexcept>

#include "base/untMessages.h"
#include "support/widgets/TGdi.h"
#include "support/widgets/TSystemControls.h"

RECT CentredWindowBounds(int width, int height, DWORD style, DWORD exStyle, HWND over) {
  RECT bounds = {0, 0, width, height};
  AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
  width = bounds.right - bounds.left;
  height = bounds.bottom - bounds.top;
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (over && IsWindowVisible(over) && !IsIconic(over)) GetWindowRect(over, &area);
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return Place(left, top, width, height);
}

TWindow::~TWindow() { DestroyHandle(); }

RECT TWindow::ClientBounds() const { return ClientRectOf(fHandle); }

void TWindow::DestroyHandle() {
  // WM_NCDESTROY clears the handle.
  if (fHandle) DestroyWindow(fHandle);
}

void TWindow::RunModal(const std::function<bool()>& ended) {
  HWND owner = GetWindow(fHandle, GW_OWNER);
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(fHandle, SW_SHOWNORMAL);
  SetForegroundWindow(fHandle);
  MSG message;
  while (!ended() && fHandle) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    // Tab and the arrow keys move between the controls, as in the program's main loop.
    if (IsDialogMessageW(fHandle, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (disableOwner) EnableWindow(owner, TRUE);
  if (fHandle) ShowWindow(fHandle, SW_HIDE);
}

TWindow* TWindow::FromHandle(HWND window) {
  return reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void TWindow::CreateHandle(const wchar_t* className, const std::wstring& title, DWORD style, DWORD exStyle,
                           const RECT& bounds, HWND parent, UINT_PTR controlId, UINT classStyle, HCURSOR cursor) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW known = {};
  known.cbSize = sizeof(known);
  if (!GetClassInfoExW(instance, className, &known)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass)) throw std::runtime_error("cannot register a window class");
  }
  CreateWindowExW(exStyle, className, title.c_str(), style, bounds.left, bounds.top, bounds.right - bounds.left,
                  bounds.bottom - bounds.top, parent, reinterpret_cast<HMENU>(controlId), instance, this);
  if (!fHandle) throw std::runtime_error("cannot create a window");
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam) {
    // The notification belongs to the control that sent it, which fires its own event.
    const auto sender = reinterpret_cast<HWND>(lParam);
    if (TSystemControl* control = TSystemControl::FromHandle(sender))
      control->Notified(HIWORD(wParam));
    else if (TWindow* control = FromHandle(sender))
      control->Notified(HIWORD(wParam));
    return 0;
  }
  if (message == WM_ERASEBKGND && fBackground) {
    FillSolid(reinterpret_cast<HDC>(wParam), ClientBounds(), *fBackground);
    return 1;
  }
  if (message == WM_PRINT && (lParam & PRF_CHILDREN)) {
    LRESULT result = DefWindowProcW(fHandle, message, wParam, lParam & ~PRF_CHILDREN);
    PrintChildren(reinterpret_cast<HDC>(wParam), lParam);
    return result;
  }
  return DefWindowProcW(fHandle, message, wParam, lParam);
}

void TWindow::PrintChildren(HDC dc, LPARAM flags) {
  // Bottom of the z-order first, so that overlapping children end up as on the screen.
  for (HWND child = GetWindow(GetWindow(fHandle, GW_CHILD), GW_HWNDLAST); child;
       child = GetWindow(child, GW_HWNDPREV)) {
    if (!IsWindowVisible(child)) continue;
    RECT bounds;
    GetWindowRect(child, &bounds);
    MapWindowPoints(nullptr, fHandle, reinterpret_cast<POINT*>(&bounds), 2);
    POINT origin;
    OffsetViewportOrgEx(dc, bounds.left, bounds.top, &origin);
    SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags | PRF_CHECKVISIBLE);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TWindow* self = FromHandle(window);
  if (message == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->fHandle = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    LRESULT result = self->HandleMessage(message, wParam, lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->fHandle = nullptr;
    return result;
  }
  // Exceptions stop here: nothing may unwind through the system's window code.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    ReportError(window, error);
  } catch (...) {
    ReportError(window, std::runtime_error("unexpected error"));
  }
  return 0;
}
