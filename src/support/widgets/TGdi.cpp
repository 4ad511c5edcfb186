#include "support/widgets/TGdi.h"

TFontHandle CreateUiFont(const wchar_t* face, int pixelHeight, bool bold, BYTE charset) {
  LOGFONTW font = {};
  font.lfHeight = -pixelHeight;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = charset;
  font.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return TFontHandle(CreateFontIndirectW(&font));
}

TBitmapHandle LoadAlphaBitmap(const wchar_t* resourceName) {
  return TBitmapHandle(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

void DrawAlphaBitmap(HDC dc, HBITMAP bitmap, int sourceLeft, int width, int height, int x, int y) {
  if (!bitmap) return;
  const TMemoryDc source(CreateCompatibleDC(dc));
  const TSelectObject selected(source.Get(), bitmap);
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, x, y, width, height, source.Get(), sourceLeft, 0, width, height, blend);
}

SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text) {
  const TSelectObject selected(dc, font);
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

RECT ClientRectOf(HWND window) {
  RECT bounds = {};
  GetClientRect(window, &bounds);
  return bounds;
}

TBufferedPaint::TBufferedPaint(HWND window)
    : fWindow(window),
      fTarget(BeginPaint(window, &fPaint)),
      fBounds(ClientRectOf(window)),
      fMemory(CreateCompatibleDC(fTarget)),
      fBitmap(CreateCompatibleBitmap(fTarget, fBounds.right > 0 ? fBounds.right : 1,
                                     fBounds.bottom > 0 ? fBounds.bottom : 1)),
      fSelected(fMemory.Get(), fBitmap.Get()) {}

TBufferedPaint::~TBufferedPaint() {
  BitBlt(fTarget, 0, 0, fBounds.right, fBounds.bottom, fMemory.Get(), 0, 0, SRCCOPY);
  EndPaint(fWindow, &fPaint);
}

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void FillRounded(HDC dc, const RECT& area, COLORREF fill, COLORREF edge, int radius) {
  const TBrushHandle brush(CreateSolidBrush(fill));
  const TPenHandle pen(CreatePen(PS_SOLID, 1, edge));
  const TSelectObject brushSelected(dc, brush.Get()), penSelected(dc, pen.Get());
  RoundRect(dc, area.left, area.top, area.right, area.bottom, radius, radius);
}
