#include "support/widgets/TPanel.h"

#include <windowsx.h>

#include "support/widgets/TGdi.h"

TPanel::TPanel(HWND parent, UINT_PTR id, const RECT& bounds, COLORREF colour) : fColour(colour) {
  CreateHandle(L"TTovlanePanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, bounds, parent, id);
}

void TPanel::Paint(HDC dc, const RECT& bounds) { FillSolid(dc, bounds, fColour); }

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (OnLeftMouseDown) OnLeftMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      return 0;
  }
  return TPaintedControl::HandleMessage(message, wParam, lParam);
}
