#include "support/widgets/TSystemControls.h"

#include <stdexcept>

namespace {

// The wrapper behind a control's handle; the subclass removes it when the control goes.
constexpr wchar_t kWrapperProperty[] = L"TovlaneControl";

}  // namespace

TSystemControl::TSystemControl(const wchar_t* className, const std::wstring& text, DWORD style, const RECT& bounds,
                               HWND parent, UINT_PTR id, HFONT font) {
  fHandle = CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, parent, reinterpret_cast<HMENU>(id),
                            GetModuleHandleW(nullptr), nullptr);
  if (!fHandle) throw std::runtime_error("cannot create a control");
  SetPropW(fHandle, kWrapperProperty, this);
  SetWindowSubclass(fHandle, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(fHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

TSystemControl::~TSystemControl() {
  // WM_NCDESTROY clears the handle.
  if (fHandle) DestroyWindow(fHandle);
}

TSystemControl* TSystemControl::FromHandle(HWND control) {
  return static_cast<TSystemControl*>(GetPropW(control, kWrapperProperty));
}

LRESULT CALLBACK TSystemControl::SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemovePropW(control, kWrapperProperty);
    RemoveWindowSubclass(control, SubclassProc, id);
    reinterpret_cast<TSystemControl*>(self)->fHandle = nullptr;
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

TButton::TButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption, HFONT font, DWORD style)
    : TSystemControl(L"BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON | style, bounds, parent, id, font) {}

void TButton::Notified(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

TComboBox::TComboBox(HWND parent, UINT_PTR id, const RECT& bounds, HFONT font)
    : TSystemControl(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, bounds, parent, id, font) {}

void TComboBox::Notified(WORD code) {
  if (code == CBN_SELCHANGE && OnChange) OnChange();
}

TProgressBar::TProgressBar(HWND parent, UINT_PTR id, const RECT& bounds)
    : TSystemControl(PROGRESS_CLASSW, L"", PBS_SMOOTH, bounds, parent, id, nullptr) {
  SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
}
