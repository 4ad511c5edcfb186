#pragma once
// Text or a picture on an opaque background, with no reaction to the mouse. A label grows to fit its text.
#include <string>

#include "support/widgets/TWindow.h"

class TLabel : public TWindow {
 public:
  // font is borrowed and must outlive the label.
  TLabel(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& text, HFONT font, COLORREF textColour,
         COLORREF background);
  void SetText(const std::wstring& text);
  std::wstring Text() const;
  void SetVisible(bool visible);
  bool Visible() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc, const RECT& bounds);
  void FitWidth();
  HFONT fFont;
  COLORREF fTextColour, fBackground;
};

class TPicture : public TWindow {
 public:
  // bitmap: 32-bit with premultiplied alpha, borrowed; drawn at the top left corner.
  TPicture(HWND parent, UINT_PTR id, const RECT& bounds, HBITMAP bitmap, COLORREF background);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc, const RECT& bounds);
  HBITMAP fBitmap;
  COLORREF fBackground;
};
