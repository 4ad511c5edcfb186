#include "app/untApplication.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/untGlobal.h"

void InitGuiApplication() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the controls of the top-level window.
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void ShowDefaultError(HWND owner, const std::exception& error) {
  std::wstring text = AnsiToWide(error.what());
  WriteLog(L"error: " + text);
  MessageBoxW(owner, text.c_str(), L"Tovlane", MB_OK | MB_ICONERROR);
}
