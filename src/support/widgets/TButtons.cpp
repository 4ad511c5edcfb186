#include "support/widgets/TButtons.h"

#include <windowsx.h>

#include "support/widgets/TGdi.h"

namespace {

COLORREF Shade(COLORREF colour, int delta) {
  auto channel = [delta](int value) {
    return static_cast<BYTE>(value + delta < 0 ? 0 : value + delta > 255 ? 255 : value + delta);
  };
  return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

}  // namespace

void TButtonBase::Create(const wchar_t* className, HWND parent, UINT_PTR id, const RECT& bounds,
                         const std::wstring& text) {
  CreateHandle(className, text, WS_CHILD | WS_VISIBLE, 0, bounds, parent, id, 0, LoadCursorW(nullptr, IDC_HAND));
}

void TButtonBase::Notified(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

TButtonBase::TButtonState TButtonBase::State() const {
  if (fPressed && fHot) return TButtonState::bsPressed;
  return fHot ? TButtonState::bsHot : TButtonState::bsNormal;
}

void TButtonBase::SetFlags(bool hot, bool pressed) {
  if (hot == fHot && pressed == fPressed) return;
  fHot = hot;
  fPressed = pressed;
  InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TButtonBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE: {
      const RECT client = ClientBounds();
      POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const bool inside = PtInRect(&client, point) != FALSE;
      if (inside && !fHot) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&track);
      }
      SetFlags(inside, fPressed);
      return 0;
    }
    case WM_MOUSELEAVE:
      SetFlags(false, fPressed);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(Handle());
      SetFlags(true, true);
      return 0;
    case WM_LBUTTONUP: {
      const bool click = fPressed && fHot;
      if (GetCapture() == Handle()) ReleaseCapture();
      SetFlags(fHot, false);
      // Last: the click may close the window that owns this button.
      if (click)
        SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle()), BN_CLICKED),
                     reinterpret_cast<LPARAM>(Handle()));
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetFlags(fHot, false);
      return 0;
  }
  return TPaintedControl::HandleMessage(message, wParam, lParam);
}

TImageButton::TImageButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& name, HBITMAP strip,
                           COLORREF background)
    : fStrip(strip), fBackground(background) {
  Create(L"TTovlaneImageButton", parent, id, bounds, name);
}

void TImageButton::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, fBackground);
  const int width = bounds.right, height = bounds.bottom;
  DrawAlphaBitmap(dc, fStrip, static_cast<int>(State()) * width, width, height, 0, 0);
}

TImageToggleButton::TImageToggleButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption,
                                       HBITMAP strip, HFONT font, int captionLeft, int captionRight,
                                       COLORREF background)
    : fCaption(caption),
      fStrip(strip),
      fFont(font),
      fCaptionLeft(captionLeft),
      fCaptionRight(captionRight),
      fBackground(background) {
  Create(L"TTovlaneImageToggleButton", parent, id, bounds, caption);
}

void TImageToggleButton::SetDown(bool down) {
  if (down == fDown) return;
  fDown = down;
  InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TImageToggleButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The click that the base is about to report flips the button first, so that the handler sees the new state.
  if (message == WM_LBUTTONUP && State() == TButtonState::bsPressed) SetDown(!fDown);
  return TButtonBase::HandleMessage(message, wParam, lParam);
}

void TImageToggleButton::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, fBackground);
  const TButtonState face = fDown ? TButtonState::bsPressed : State();
  const int width = bounds.right, height = bounds.bottom;
  DrawAlphaBitmap(dc, fStrip, static_cast<int>(face) * width, width, height, 0, 0);
  const int sink = face == TButtonState::bsPressed ? 1 : 0;
  RECT area = {fCaptionLeft + sink, sink, fCaptionRight + sink, height + sink};
  const TSelectObject selected(dc, fFont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  DrawTextW(dc, fCaption.c_str(), static_cast<int>(fCaption.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

TFlatButton::TFlatButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption, HBITMAP image,
                         int spacing, HFONT font, COLORREF background)
    : fCaption(caption), fImage(image), fSpacing(spacing), fFont(font), fBackground(background) {
  Create(L"TTovlaneFlatButton", parent, id, bounds, caption);
}

void TFlatButton::Paint(HDC dc, const RECT& bounds) {
  const TButtonState state = State();
  FillSolid(dc, bounds, fBackground);
  // A flat button shows its outline only while it can be pressed.
  if (state != TButtonState::bsNormal)
    FillRounded(dc, bounds, Shade(fBackground, state == TButtonState::bsPressed ? -24 : 14), Shade(fBackground, -48),
                4);
  const SIZE image = BitmapSize(fImage);
  const SIZE text = TextExtent(dc, fFont, fCaption);
  const int offset = state == TButtonState::bsPressed ? 1 : 0;
  const int left = (bounds.right - (image.cx + fSpacing + text.cx)) / 2 + offset;
  DrawAlphaBitmap(dc, fImage, 0, image.cx, image.cy, left, (bounds.bottom - image.cy) / 2 + offset);
  const TSelectObject selected(dc, fFont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x33, 0x33, 0x33));
  TextOutW(dc, left + image.cx + fSpacing, (bounds.bottom - text.cy) / 2 + offset, fCaption.c_str(),
           static_cast<int>(fCaption.size()));
}
