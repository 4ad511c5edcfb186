#include "support/widgets/TLabel.h"

#include <vector>

#include "support/widgets/TGdi.h"

LRESULT TInertControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Clicks fall through to the panel below, so that the title can be dragged by its labels too.
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  return TPaintedControl::HandleMessage(message, wParam, lParam);
}

TLabel::TLabel(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& text, HFONT font, COLORREF textColour,
               COLORREF background, bool wordWrap, bool visible)
    : fFont(font), fTextColour(textColour), fBackground(background), fWordWrap(wordWrap) {
  CreateHandle(L"TTovlaneLabel", text, WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0), 0, bounds, parent, id);
  if (visible) FitWidth();
}

void TLabel::SetText(const std::wstring& text) {
  SetWindowTextW(Handle(), text.c_str());
  if (Shown()) FitWidth();
  InvalidateRect(Handle(), nullptr, FALSE);
}

bool TLabel::Shown() const { return (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

void TLabel::FitWidth() {
  if (fWordWrap) return;
  // Fonts differ between systems: the text is never cut.
  HDC dc = GetDC(Handle());
  const SIZE text = TextExtent(dc, fFont, Text());
  ReleaseDC(Handle(), dc);
  const RECT client = ClientBounds();
  if (text.cx > client.right)
    SetWindowPos(Handle(), nullptr, 0, 0, text.cx, client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring TLabel::Text() const {
  std::vector<wchar_t> buffer(GetWindowTextLengthW(Handle()) + 1);
  GetWindowTextW(Handle(), buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

void TLabel::SetVisible(bool visible) {
  if (visible && !Shown()) FitWidth();
  ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool TLabel::Visible() const { return IsWindowVisible(Handle()) != FALSE; }

void TLabel::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, fBackground);
  const TSelectObject selected(dc, fFont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, fTextColour);
  const std::wstring text = Text();
  RECT area = bounds;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_LEFT | DT_TOP | DT_NOPREFIX | (fWordWrap ? DT_WORDBREAK : DT_SINGLELINE));
}

TPicture::TPicture(HWND parent, UINT_PTR id, const RECT& bounds, HBITMAP bitmap, COLORREF background)
    : fBitmap(bitmap), fBackground(background) {
  CreateHandle(L"TTovlanePicture", L"", WS_CHILD | WS_VISIBLE, 0, bounds, parent, id);
}

void TPicture::Paint(HDC dc, const RECT& bounds) {
  FillSolid(dc, bounds, fBackground);
  const SIZE size = BitmapSize(fBitmap);
  DrawAlphaBitmap(dc, fBitmap, 0, size.cx, size.cy, 0, 0);
}
