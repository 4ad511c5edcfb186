#include "support/widgets/TPaintedControl.h"

#include "support/widgets/TGdi.h"

LRESULT TPaintedControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      TBufferedPaint paint(Handle());
      Paint(paint.Dc(), paint.Bounds());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam), ClientBounds());
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}
