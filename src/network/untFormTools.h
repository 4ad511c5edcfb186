#pragma once
// The network repair tools window: clears the Internet Explorer cache and sets or removes the lowered MTU.
#include <windows.h>

#include <memory>

#include "base/untHandle.h"
#include "network/untIECache.h"
#include "support/widgets/TSystemControls.h"
#include "support/widgets/TWindow.h"

// Restarts Windows, enabling the shutdown privilege first; a refused restart is silent.
void RebootSystem();

inline constexpr wchar_t kFormToolsClassName[] = L"TFormTools";

class TFormTools : public TWindow {
 public:
  // Creates the window centred on the desktop and shows it; closing it ends the message loop.
  TFormTools();
  ~TFormTools() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  enum : UINT_PTR { idClearIECache = 101, idFixMTU, idResetMTU };

  void CreateControls();
  HWND AddControl(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width, int height);
  void btnClearIECacheClick();
  void btnFixMTUClick();
  void btnResetMTUClick();
  void Inform(const wchar_t* text, UINT type = MB_ICONINFORMATION);

  // The controls' font; the window, which goes first, holds no reference to it after that.
  TFontHandle FFont;
  std::unique_ptr<TButton> btnClearIECache, btnFixMTU, btnResetMTU;
  TIECache IECache1;
};
