#include "support/widgets/TPanel.h"

#include <windowsx.h>

#include "support/widgets/TGdi.h"

TPanel::TPanel(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF colour) : fColour(colour) {
  CreateHandle(L"TTovlanePanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, bounds, parent, id);
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      TBufferedPaint paint(Handle());
      FillSolid(paint.Dc(), paint.Bounds(), fColour);
      return 0;
    }
    case WM_PRINTCLIENT:
      FillSolid(reinterpret_cast<HDC>(wParam), ClientBounds(), fColour);
      return 0;
    case WM_LBUTTONDOWN:
      if (OnLeftMouseDown) OnLeftMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}
