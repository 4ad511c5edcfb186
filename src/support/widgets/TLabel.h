#pragma once
// Text or a picture on an opaque background, with no reaction to the mouse. A label grows to fit its text on one
// line, or, made to wrap, breaks its text into lines within its width (line breaks in the text included).
#include <string>

#include "support/widgets/TPaintedControl.h"

// A control the mouse passes through: clicks reach the window below it.
class TInertControl : public TPaintedControl {
 protected:
  TInertControl() = default;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class TLabel : public TInertControl {
 public:
  // font is borrowed and must outlive the label. A label made hidden is measured only once it is shown, so that
  // its font is not needed before then.
  TLabel(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& text, HFONT font, COLORREF textColour,
         COLORREF background, bool wordWrap = false, bool visible = true);
  void SetText(const std::wstring& text);
  void SetVisible(bool visible);
  bool Visible() const;

 private:
  void Paint(HDC dc, const RECT& bounds) override;
  void FitWidth();
  std::wstring Text() const;
  // Whether the label itself is meant to show (its parent may still be hidden).
  bool Shown() const;
  HFONT fFont;
  COLORREF fTextColour, fBackground;
  bool fWordWrap;
};

class TPicture : public TInertControl {
 public:
  // bitmap: 32-bit with premultiplied alpha, borrowed; drawn at the top left corner.
  TPicture(HWND parent, UINT_PTR id, const RECT& bounds, HBITMAP bitmap, COLORREF background);

 private:
  void Paint(HDC dc, const RECT& bounds) override;
  HBITMAP fBitmap;
  COLORREF fBackground;
};
