// The main window in this process: the blinking record-failed hint and the title panel's layout.
#include <gtest/gtest.h>

#include <map>
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

// Whatever the width, the title panel spans it, the controls marked right keep their distance from the right
// edge, the others their place, and every control its size; a row of buttons shares its top and bottom edges.
TEST_F(FormMain, RightAnchoredControlsFollowTheRightEdge) {
  TFormMainTovlaneClient form;
  HWND title = GetDlgItem(form.Handle(), idPnlTitle);
  const struct {
    UINT_PTR id;
    bool right;    // anchored to the right edge
    UINT_PTR row;  // the first control of its row of buttons, or 0
  } controls[] = {{idImg1, false, 0},
                  {idBtnGoHome, false, 0},
                  {idBtnRefresh, false, idBtnGoHome},
                  {idBtnTest, false, idBtnGoHome},
                  {idLblRecordFailedTip, false, 0},
                  {idBtnTool, true, idBtnGoHome},
                  {idLblVersion, true, 0},
                  {idBtnMin, true, 0},
                  {idBtnMax, true, idBtnMin},
                  {idBtnClose, true, idBtnMin}};
  auto place = [&](UINT_PTR id) {
    RECT bounds{};
    GetWindowRect(TitleControl(form, id), &bounds);
    MapWindowPoints(nullptr, title, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
  };
  std::map<UINT_PTR, RECT> first;
  const int widths[] = {1000, 1280, 900};
  for (int width : widths) {
    SCOPED_TRACE(width);
    SetWindowPos(form.Handle(), nullptr, 0, 0, width, 700, SWP_NOZORDER | SWP_NOMOVE);
    RECT panel;
    GetClientRect(title, &panel);
    EXPECT_EQ(width, panel.right);
    EXPECT_EQ(36, panel.bottom);
    if (first.empty())
      for (const auto& c : controls) first[c.id] = place(c.id);
    for (const auto& c : controls) {
      const RECT was = first[c.id], now = place(c.id);
      const LONG shift = c.right ? width - widths[0] : 0;
      const RECT expected = {was.left + shift, was.top, was.right + shift, was.bottom};
      EXPECT_TRUE(EqualRect(&expected, &now)) << c.id << " at " << now.left << "," << now.top;
      EXPECT_LE(now.bottom, panel.bottom) << c.id;
      EXPECT_TRUE(!c.row || (now.top == place(c.row).top && now.bottom == place(c.row).bottom)) << c.id;
    }
  }
}
