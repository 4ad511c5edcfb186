#pragma once
// Owners of GDI objects and the painting helpers the widgets share.
#include <windows.h>

#include <string>

// Owns one GDI object (font, bitmap, brush); deleted with the owner. Move-only.
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(HGDIOBJ object) : fObject(object) {}
  TGdiObject(TGdiObject&& other) noexcept : fObject(other.fObject) { other.fObject = nullptr; }
  TGdiObject& operator=(TGdiObject&& other) noexcept;
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  ~TGdiObject();

  HGDIOBJ Get() const { return fObject; }
  HFONT Font() const { return static_cast<HFONT>(fObject); }
  HBITMAP Bitmap() const { return static_cast<HBITMAP>(fObject); }

 private:
  HGDIOBJ fObject = nullptr;
};

// A font of the given face, cell height in pixels, weight and character set.
TGdiObject CreateUiFont(const wchar_t* face, int pixelHeight, bool bold, BYTE charset);
// A 32-bit bitmap with premultiplied alpha from the executable's resources; empty when missing.
TGdiObject LoadAlphaBitmap(const wchar_t* resourceName);
SIZE BitmapSize(HBITMAP bitmap);
// Blends the part (sourceLeft, 0, width, height) of an alpha bitmap onto dc at (x, y).
void DrawAlphaBitmap(HDC dc, HBITMAP bitmap, int sourceLeft, int width, int height, int x, int y);
SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text);

// Double-buffered painting of one window: drawing goes to a memory bitmap that is copied to the
// window when the object ends, so controls never flicker while they repaint.
class TBufferedPaint {
 public:
  explicit TBufferedPaint(HWND window);
  TBufferedPaint(const TBufferedPaint&) = delete;
  TBufferedPaint& operator=(const TBufferedPaint&) = delete;
  ~TBufferedPaint();

  HDC Dc() const { return fMemory; }
  const RECT& Bounds() const { return fBounds; }

 private:
  HWND fWindow;
  PAINTSTRUCT fPaint = {};
  HDC fTarget = nullptr;
  HDC fMemory = nullptr;
  HBITMAP fBitmap = nullptr;
  HGDIOBJ fPrevious = nullptr;
  RECT fBounds = {};
};

void FillSolid(HDC dc, const RECT& area, COLORREF colour);
