#include "support/widgets/TLevelBar.h"

#include <algorithm>

#include "support/widgets/TGdi.h"

namespace {

const COLORREF kEmpty = RGB(0xE4, 0xE4, 0xE4);
const COLORREF kFrame = RGB(0xB4, 0xB4, 0xB4);

COLOR16 Channel(BYTE value) { return static_cast<COLOR16>(value << 8); }

TRIVERTEX Vertex(int x, int y, COLORREF colour) {
  return TRIVERTEX{x, y, Channel(GetRValue(colour)), Channel(GetGValue(colour)), Channel(GetBValue(colour)), 0};
}

// The colour at fraction numerator / denominator of the way from start to end.
COLORREF Between(COLORREF start, COLORREF end, int numerator, int denominator) {
  auto mix = [=](int a, int b) { return static_cast<BYTE>(a + (b - a) * numerator / denominator); };
  return RGB(mix(GetRValue(start), GetRValue(end)), mix(GetGValue(start), GetGValue(end)),
             mix(GetBValue(start), GetBValue(end)));
}

}  // namespace

TLevelBar::TLevelBar(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF startColour, COLORREF endColour,
                     bool visible)
    : fStartColour(startColour), fEndColour(endColour) {
  CreateHandle(L"TTovlaneLevelBar", L"", WS_CHILD | (visible ? WS_VISIBLE : 0), 0, bounds, parent, id);
}

void TLevelBar::SetPosition(int position) {
  position = std::clamp(position, 0, 100);
  if (position == fPosition) return;
  fPosition = position;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TLevelBar::SetVisible(bool visible) { ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE); }

bool TLevelBar::Visible() const { return IsWindowVisible(Handle()) != FALSE; }

void TLevelBar::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, kFrame);
  const RECT inner = {1, 1, bounds.right - 1, bounds.bottom - 1};
  FillSolid(dc, inner, kEmpty);
  const int width = inner.right - inner.left;
  const int filled = width * fPosition / 100;
  if (filled <= 0) return;
  // The whole bar's gradient, shown as far as the level reaches.
  TRIVERTEX vertices[2] = {Vertex(inner.left, inner.top, fStartColour),
                           Vertex(inner.left + filled, inner.bottom, Between(fStartColour, fEndColour, filled, width))};
  GRADIENT_RECT rect = {0, 1};
  GradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_H);
}
