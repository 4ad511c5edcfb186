#pragma once
// A smooth horizontal slider over 0..100: the mouse drags the thumb, the arrow, page and home/end keys move it.
// OnChange fires whenever the value actually changes, also when it is set from code.
#include <functional>

#include "support/widgets/TPaintedControl.h"

class TSlider : public TPaintedControl {
 public:
  TSlider(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF background);
  int Value() const { return fValue; }
  // Clamps to 0..100.
  void SetValue(int value);
  std::function<void()> OnChange;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc, const RECT& bounds) override;
  int ValueAt(int x) const;
  int ThumbCentre() const;
  int fValue = 0;
  COLORREF fBackground;
};
