#pragma once
// A plain coloured area that holds other controls, passes their commands on to its parent and reports mouse
// presses and double-clicks on itself.
#include <functional>

#include "support/widgets/TPaintedControl.h"

class TPanel : public TPaintedControl {
 public:
  TPanel(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF colour);
  std::function<void(int x, int y)> OnLeftMouseDown;
  std::function<void()> OnDblClick;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc, const RECT& bounds) override;
  COLORREF fColour;
};
