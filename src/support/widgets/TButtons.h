#pragma once
// Owner-drawn buttons: TImageButton draws one of the three images of a strip (normal, mouse over,
// pressed); TFlatButton draws an image and a caption on the background and a light frame while the
// mouse is over it. Both click when the left button is released over them: like a system button, they send
// WM_COMMAND with BN_CLICKED to their parent, and OnClick fires when the window hands it back.
#include <functional>
#include <string>

#include "support/widgets/TPaintedControl.h"

class TButtonBase : public TPaintedControl {
 public:
  std::function<void()> OnClick;

 protected:
  enum class TButtonState { bsNormal, bsHot, bsPressed };
  TButtonBase() = default;
  void Create(const wchar_t* className, HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& text);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Notified(WORD code) override;
  TButtonState State() const;

 private:
  void SetFlags(bool hot, bool pressed);
  bool fHot = false;
  bool fPressed = false;
};

class TImageButton : public TButtonBase {
 public:
  // strip: three images of the button's size side by side, 32-bit with premultiplied alpha, borrowed.
  TImageButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& name, HBITMAP strip,
               COLORREF background);

 protected:
  void Paint(HDC dc, const RECT& bounds) override;

 private:
  HBITMAP fStrip;
  COLORREF fBackground;
};

// A toggle over a face strip without text: each click flips it between up and down, and the button writes its
// caption in white over the strip's text area (x from captionLeft to captionRight). Down shows the pressed face.
class TImageToggleButton : public TButtonBase {
 public:
  // strip (three faces, premultiplied alpha) and font are borrowed.
  TImageToggleButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption, HBITMAP strip,
                     HFONT font, int captionLeft, int captionRight, COLORREF background);
  bool Down() const { return fDown; }
  void SetDown(bool down);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc, const RECT& bounds) override;

 private:
  std::wstring fCaption;
  HBITMAP fStrip;
  HFONT fFont;
  int fCaptionLeft, fCaptionRight;
  COLORREF fBackground;
  bool fDown = false;
};

class TFlatButton : public TButtonBase {
 public:
  // image (32-bit, premultiplied alpha) and font are borrowed; spacing is the gap between image and caption.
  TFlatButton(HWND parent, UINT_PTR id, const RECT& bounds, const std::wstring& caption, HBITMAP image, int spacing,
              HFONT font, COLORREF background);

 protected:
  void Paint(HDC dc, const RECT& bounds) override;

 private:
  std::wstring fCaption;
  HBITMAP fImage;
  int fSpacing;
  HFONT fFont;
  COLORREF fBackground;
};
