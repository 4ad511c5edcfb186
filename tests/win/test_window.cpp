#include <gtest/gtest.h>

#include <vector>

#include "support/Screenshot.h"
#include "support/WinTestSupport.h"
#include "support/widgets/TWindow.h"

namespace {

class TRecordingWindow : public TWindow {
 public:
  TRecordingWindow() {
    RECT bounds = {100, 100, 420, 300};
    CreateHandle(L"TovlaneTestWindow", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, bounds, nullptr);
  }
  std::vector<UINT> seen;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == WM_ERASEBKGND) {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
  }
};

bool Saw(const std::vector<UINT>& seen, UINT message) {
  for (UINT m : seen)
    if (m == message) return true;
  return false;
}

}  // namespace

TEST(Window, ObjectReceivesItsMessagesFromCreationOn) {
  TRecordingWindow window;
  ASSERT_NE(nullptr, window.Handle());
  EXPECT_EQ(&window, TWindow::FromHandle(window.Handle()));
  EXPECT_TRUE(Saw(window.seen, WM_NCCREATE));
  EXPECT_TRUE(Saw(window.seen, WM_CREATE));
  SendMessageW(window.Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(static_cast<UINT>(WM_USER + 7), window.seen.back());
  EXPECT_TRUE(SaveWindowScreenshot(window.Handle(), L"window-base"));
}

TEST(Window, DestroyingEitherSideReleasesTheOther) {
  HWND handle;
  {
    TRecordingWindow window;
    handle = window.Handle();
  }
  EXPECT_FALSE(IsWindow(handle));

  TRecordingWindow window;
  DestroyWindow(window.Handle());
  EXPECT_EQ(nullptr, window.Handle());
}
