#pragma once
// A level bar over 0..100: the filled part is a horizontal gradient between two colours, the rest is empty.
#include "support/widgets/TPaintedControl.h"

class TLevelBar : public TPaintedControl {
 public:
  // Hidden at start when visible is false.
  TLevelBar(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF startColour, COLORREF endColour, bool visible);
  int Position() const { return fPosition; }
  // Clamps to 0..100.
  void SetPosition(int position);
  void SetVisible(bool visible);
  bool Visible() const;

 private:
  void Paint(HDC dc, const RECT& bounds) override;
  int fPosition = 0;
  COLORREF fStartColour, fEndColour;
};
