#include "app/untApplication.h"

#include <commctrl.h>
#include <ole2.h>

#include "base/untMessages.h"

namespace {

// Every message the user sees: modal, owned by the window that asks, under the program's name.
int TovlaneMessageBox(HWND owner, const std::wstring& text, UINT types) {
  return MessageBoxW(owner, text.c_str(), L"Tovlane", types);
}

}  // namespace

void InitGuiApplication() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
  InstallMessageBox(TovlaneMessageBox);
}

int RunMessageLoop(const std::function<bool(MSG&)>& hook) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (hook && hook(message)) continue;
    // Tab and the arrow keys move between the controls of the top-level window.
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
