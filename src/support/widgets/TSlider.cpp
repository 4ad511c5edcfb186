#include "support/widgets/TSlider.h"

#include <windowsx.h>

#include <algorithm>

#include "support/widgets/TGdi.h"

namespace {

constexpr int kMaximum = 100;
constexpr int kThumbWidth = 12;
constexpr int kThumbHeight = 20;
constexpr int kTrackHeight = 4;
const COLORREF kFilledTrack = RGB(0x29, 0x7E, 0xF3);
const COLORREF kEmptyTrack = RGB(0xC4, 0xC4, 0xC4);
const COLORREF kThumbFace = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kThumbEdge = RGB(0x8C, 0x8C, 0x8C);

}  // namespace

TSlider::TSlider(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF background) : fBackground(background) {
  CreateHandle(L"TTovlaneSlider", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, bounds, parent, id);
}

void TSlider::SetValue(int value) {
  value = std::clamp(value, 0, kMaximum);
  if (value == fValue) return;
  fValue = value;
  InvalidateRect(Handle(), nullptr, FALSE);
  if (OnChange) OnChange();
}

int TSlider::ThumbCentre() const {
  const int travel = ClientBounds().right - kThumbWidth;
  return kThumbWidth / 2 + travel * fValue / kMaximum;
}

int TSlider::ValueAt(int x) const {
  const int travel = std::max(1, static_cast<int>(ClientBounds().right) - kThumbWidth);
  return ((x - kThumbWidth / 2) * kMaximum + travel / 2) / travel;
}

void TSlider::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, fBackground);
  const int middle = bounds.bottom / 2, thumb = ThumbCentre();
  const int trackTop = middle - kTrackHeight / 2;
  FillRounded(dc, RECT{kThumbWidth / 2, trackTop, bounds.right - kThumbWidth / 2, trackTop + kTrackHeight}, kEmptyTrack,
              kEmptyTrack, kTrackHeight);
  FillRounded(dc, RECT{kThumbWidth / 2, trackTop, thumb, trackTop + kTrackHeight}, kFilledTrack, kFilledTrack,
              kTrackHeight);
  const bool focused = GetFocus() == Handle();
  FillRounded(
      dc, RECT{thumb - kThumbWidth / 2, middle - kThumbHeight / 2, thumb + kThumbWidth / 2, middle + kThumbHeight / 2},
      kThumbFace, focused ? kFilledTrack : kThumbEdge, 4);
}

LRESULT TSlider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      SetFocus(Handle());
      SetCapture(Handle());
      SetValue(ValueAt(GET_X_LPARAM(lParam)));
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == Handle()) SetValue(ValueAt(GET_X_LPARAM(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == Handle()) ReleaseCapture();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT:
        case VK_DOWN:
          SetValue(fValue - 1);
          return 0;
        case VK_RIGHT:
        case VK_UP:
          SetValue(fValue + 1);
          return 0;
        case VK_PRIOR:
          SetValue(fValue + 10);
          return 0;
        case VK_NEXT:
          SetValue(fValue - 10);
          return 0;
        case VK_HOME:
          SetValue(0);
          return 0;
        case VK_END:
          SetValue(kMaximum);
          return 0;
      }
      break;
  }
  return TPaintedControl::HandleMessage(message, wParam, lParam);
}
