#pragma once
// Thin wrappers over the system's own controls, with the events of the controls we draw: the window a control
// sits on hands each WM_COMMAND back to the control that sent it (see TWindow), and the wrapper fires its event.
// A wrapper owns its HWND; the control goes with its parent window, or with the wrapper if that goes first.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

class TSystemControl {
 public:
  TSystemControl(const TSystemControl&) = delete;
  TSystemControl& operator=(const TSystemControl&) = delete;
  virtual ~TSystemControl();

  HWND Handle() const { return fHandle; }
  // The wrapper of a control made by this class, or nullptr.
  static TSystemControl* FromHandle(HWND control);
  // The control's notification code (BN_CLICKED, CBN_SELCHANGE), handed back by the window it sits on.
  virtual void Notified(WORD) {}

 protected:
  // font is borrowed. Raises std::runtime_error when the control cannot be made.
  TSystemControl(const wchar_t* className, const std::wstring& text, DWORD style, const RECT& bounds, HWND parent,
                 UINT_PTR id, HFONT font);

 private:
  static LRESULT CALLBACK SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  HWND fHandle = nullptr;
};

// A push button; style adds to BS_PUSHBUTTON (BS_FLAT).
class TButton : public TSystemControl {
 public:
  TButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption, HFONT font, DWORD style = 0);
  void Notified(WORD code) override;
  std::function<void()> OnClick;
};

// A drop-down list; OnChange fires when the user picks another item (not when the selection is set from code).
class TComboBox : public TSystemControl {
 public:
  // bounds' height includes the dropped-down list.
  TComboBox(HWND parent, UINT_PTR id, const RECT& bounds, HFONT font);
  void Notified(WORD code) override;
  std::function<void()> OnChange;
};

// A smooth progress bar over 0..100.
class TProgressBar : public TSystemControl {
 public:
  TProgressBar(HWND parent, UINT_PTR id, const RECT& bounds);
  void SetPosition(int position) { SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0); }
};
