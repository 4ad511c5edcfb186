#pragma once
// Base of the controls that draw themselves: painting is double-buffered, the background is never
// erased separately (that would flicker), and WM_PRINTCLIENT draws the same picture into the given DC.
#include "support/widgets/TWindow.h"

class TPaintedControl : public TWindow {
 protected:
  TPaintedControl() = default;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the whole control; bounds is the client area.
  virtual void Paint(HDC dc, const RECT& bounds) = 0;
};
