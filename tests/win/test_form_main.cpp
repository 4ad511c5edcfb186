// The main window in this process: the blinking record-failed hint and the title panel's layout.
#include <gtest/gtest.h>

#include "shell/untFormMain.h"
#include "support/Screenshot.h"

namespace {

// Runs the thread's messages until ms milliseconds after start.
void PumpUntil(DWORD start, DWORD ms) {
  while (GetTickCount() - start < ms) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
}

HWND TitleControl(const TFormMainTovlaneClient& form, UINT_PTR id) {
  return GetDlgItem(GetDlgItem(form.Handle(), idPnlTitle), static_cast<int>(id));
}

}  // namespace

TEST(FormMain, RecordFailedTipBlinksForTenSecondsAndRestartsWhenAskedAgain) {
  TFormMainTovlaneClient form;
  ShowWindow(form.Handle(), SW_SHOW);
  HWND tip = TitleControl(form, idLblRecordFailedTip);
  ASSERT_NE(nullptr, tip);
  EXPECT_FALSE(IsWindowVisible(tip));

  DWORD start = GetTickCount();
  form.ShowRecordFailedTip();
  PumpUntil(start, 600);
  EXPECT_TRUE(IsWindowVisible(tip)) << "visible after the first 500 ms";
  // Saving takes about 300 ms: done before the next tick.
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"main-window-record-failed-tip"));
  PumpUntil(start, 1250);
  EXPECT_FALSE(IsWindowVisible(tip)) << "hidden after 1000 ms";
  PumpUntil(start, 3250);
  ASSERT_FALSE(IsWindowVisible(tip));

  // Asked again while blinking: another full ten seconds from here.
  start = GetTickCount();
  form.ShowRecordFailedTip();
  PumpUntil(start, 9750);
  EXPECT_TRUE(IsWindowVisible(tip)) << "the first count would have ended by now";
  PumpUntil(start, 10500);
  EXPECT_FALSE(IsWindowVisible(tip));
  PumpUntil(start, 11500);
  EXPECT_FALSE(IsWindowVisible(tip)) << "hidden for good";
}

TEST(FormMain, TestButtonEndsTheBlinking) {
  TFormMainTovlaneClient form;
  ShowWindow(form.Handle(), SW_SHOW);
  HWND tip = TitleControl(form, idLblRecordFailedTip);
  const DWORD start = GetTickCount();
  form.ShowRecordFailedTip();
  PumpUntil(start, 750);
  ASSERT_TRUE(IsWindowVisible(tip));
  form.btnTestClick();
  EXPECT_FALSE(IsWindowVisible(tip));
  PumpUntil(start, 1800);
  EXPECT_FALSE(IsWindowVisible(tip)) << "no tick after the test window";
}

TEST(FormMain, RightAnchoredControlsFollowTheRightEdge) {
  TFormMainTovlaneClient form;
  SetWindowPos(form.Handle(), nullptr, 0, 0, 1280, 700, SWP_NOZORDER | SWP_NOMOVE);
  struct {
    UINT_PTR id;
    int left, top, width, height;
  } expected[] = {{idImg1, 16, 2, 72, 31},      {idBtnGoHome, 94, 5, 67, 28}, {idBtnRefresh, 167, 5, 66, 28},
                  {idBtnTest, 239, 5, 162, 28}, {idBtnTool, 996, 5, 66, 28},  {idLblVersion, 1068, 11, 101, 17},
                  {idBtnMin, 1180, 8, 25, 18},  {idBtnMax, 1204, 8, 25, 18},  {idBtnClose, 1228, 8, 43, 18}};
  HWND title = GetDlgItem(form.Handle(), idPnlTitle);
  RECT panel;
  GetClientRect(title, &panel);
  EXPECT_EQ(1280, panel.right);
  EXPECT_EQ(36, panel.bottom);
  for (const auto& place : expected) {
    HWND control = TitleControl(form, place.id);
    ASSERT_NE(nullptr, control) << place.id;
    RECT bounds;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, title, reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_EQ(place.left, bounds.left) << place.id;
    EXPECT_EQ(place.top, bounds.top) << place.id;
    EXPECT_EQ(place.width, bounds.right - bounds.left) << place.id;
    EXPECT_EQ(place.height, bounds.bottom - bounds.top) << place.id;
  }
  // The hint grows where the system's font is wider than the one it was laid out for.
  RECT tip;
  GetWindowRect(TitleControl(form, idLblRecordFailedTip), &tip);
  MapWindowPoints(nullptr, title, reinterpret_cast<POINT*>(&tip), 2);
  EXPECT_EQ(400, tip.left);
  EXPECT_EQ(8, tip.top);
  EXPECT_LE(353, tip.right - tip.left);
  EXPECT_EQ(22, tip.bottom - tip.top);
}
