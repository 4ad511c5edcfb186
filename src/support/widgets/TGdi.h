#pragma once
// The painting helpers the widgets share.
#include <windows.h>

#include <string>

#include "base/untHandle.h"

// Selects a GDI object (font, brush, pen, bitmap) into a DC for the scope and puts back the one it replaced.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) : fDc(dc), fPrevious(SelectObject(dc, object)) {}
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;
  ~TSelectObject() { SelectObject(fDc, fPrevious); }

 private:
  HDC fDc;
  HGDIOBJ fPrevious;
};

// A font of the given face, cell height in pixels, weight and character set.
TFontHandle CreateUiFont(const wchar_t* face, int pixelHeight, bool bold, BYTE charset);
// A 32-bit bitmap with premultiplied alpha from the executable's resources; empty when missing.
TBitmapHandle LoadAlphaBitmap(const wchar_t* resourceName);
SIZE BitmapSize(HBITMAP bitmap);
// Blends the part (sourceLeft, 0, width, height) of an alpha bitmap onto dc at (x, y).
void DrawAlphaBitmap(HDC dc, HBITMAP bitmap, int sourceLeft, int width, int height, int x, int y);
SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text);
// The client area of a window, its top left corner at (0, 0).
RECT ClientRectOf(HWND window);
// The rectangle of a control laid out by its left, top, width and height.
inline RECT Place(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// Double-buffered painting of one window: drawing goes to a memory bitmap that is copied to the
// window when the object ends, so controls never flicker while they repaint.
class TBufferedPaint {
 public:
  explicit TBufferedPaint(HWND window);
  TBufferedPaint(const TBufferedPaint&) = delete;
  TBufferedPaint& operator=(const TBufferedPaint&) = delete;
  ~TBufferedPaint();

  HDC Dc() const { return fMemory.Get(); }
  const RECT& Bounds() const { return fBounds; }

 private:
  HWND fWindow;
  PAINTSTRUCT fPaint = {};
  HDC fTarget;
  RECT fBounds;
  TMemoryDc fMemory;
  TBitmapHandle fBitmap;
  // Deselects the bitmap before the members above delete it and the memory DC.
  TSelectObject fSelected;
};

void FillSolid(HDC dc, const RECT& area, COLORREF colour);
// A rounded rectangle of fill colour with an edge of one pixel.
void FillRounded(HDC dc, const RECT& area, COLORREF fill, COLORREF edge, int radius);
