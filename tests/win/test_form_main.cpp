// The main window in this process: the blinking record-failed hint and the title panel's layout.
#include <gtest/gtest.h>

#include <vector>

#include "audio/untFormVolumeSpeaker.h"
#include "shell/untFormMain.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

// The hint's blink interval in these tests: the form ticks as often, so a whole count takes a fraction of a second.
constexpr UINT kTickMs = 10;

// Runs the thread's messages until the form has handled its next timer tick; false when none came within
// boundMs (a bound against hanging, far above the interval).
bool NextTick(HWND form, DWORD boundMs = 2000) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < boundMs) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (message.message == WM_TIMER && message.hwnd == form) return true;
  }
  return false;
}

// The hint's own visibility, whether or not the form is on the screen.
bool Shown(HWND tip) { return (GetWindowLongW(tip, GWL_STYLE) & WS_VISIBLE) != 0; }

// The hint's visibility after each of count ticks.
std::vector<bool> Blinks(HWND form, HWND tip, int count) {
  std::vector<bool> seen;
  for (int i = 0; i < count && NextTick(form); ++i) seen.push_back(Shown(tip));
  return seen;
}

HWND TitleControl(const TFormMainTovlaneClient& form, UINT_PTR id) {
  return GetDlgItem(GetDlgItem(form.Handle(), idPnlTitle), static_cast<int>(id));
}

class FormMain : public ::testing::Test {
 protected:
  void TearDown() override {
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "destroying the main window ends the message loop";
  }
};

}  // namespace

TEST_F(FormMain, RecordFailedTipBlinksTwentyTimesAndRestartsWhenAskedAgain) {
  TFormMainTovlaneClient form;
  form.SetRecordFailedTipInterval(kTickMs);
  HWND tip = TitleControl(form, idLblRecordFailedTip);
  ASSERT_NE(nullptr, tip);
  EXPECT_FALSE(Shown(tip));

  form.ShowRecordFailedTip();
  ASSERT_TRUE(NextTick(form.Handle()));
  ASSERT_TRUE(Shown(tip)) << "visible after the first tick";
  EXPECT_EQ((std::vector<bool>{false, true, false, true}), Blinks(form.Handle(), tip, 4));

  // Asked again while blinking: another full count of twenty from the visibility it has.
  form.ShowRecordFailedTip();
  std::vector<bool> expected;
  for (int tick = 1; tick < 20; ++tick) expected.push_back(tick % 2 == 0);
  expected.push_back(false);
  EXPECT_EQ(expected, Blinks(form.Handle(), tip, 20));
  EXPECT_FALSE(NextTick(form.Handle(), 10 * kTickMs)) << "the timer stops after the last toggle";
  EXPECT_FALSE(Shown(tip)) << "hidden for good";
}

TEST_F(FormMain, TestButtonEndsTheBlinking) {
  TFormMainTovlaneClient form;
  form.SetRecordFailedTipInterval(kTickMs);
  ShowWindow(form.Handle(), SW_SHOW);
  HWND tip = TitleControl(form, idLblRecordFailedTip);
  form.ShowRecordFailedTip();
  ASSERT_TRUE(NextTick(form.Handle()));
  ASSERT_TRUE(IsWindowVisible(tip));
  // Saving pumps messages (ticks may pass meanwhile); the picture is taken first, with the hint shown.
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"main-window-record-failed-tip"));
  // The test window is closed from its title bar as soon as it shows.
  TWhileModal closer([] {
    HWND window = FindWindowW(kFormVolumeSpeakerClassName, nullptr);
    if (!window || !IsWindowVisible(window)) return false;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return true;
  });
  form.btnTestClick();
  EXPECT_FALSE(FindWindowW(kFormVolumeSpeakerClassName, nullptr));
  EXPECT_FALSE(IsWindowVisible(tip));
  EXPECT_FALSE(NextTick(form.Handle(), 10 * kTickMs)) << "no tick after the test window";
  EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(FormMain, RightAnchoredControlsFollowTheRightEdge) {
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
