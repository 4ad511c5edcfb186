#include <gtest/gtest.h>

#include "base/untVersion.h"
#include "shell/untFormMainRules.h"

TEST(ShellResizeZones, CornersWinOverEdgesAndTheInsideKeepsTheDefault) {
  const int w = 800, h = 600;
  EXPECT_EQ(TResizeZone::rzTopLeft, ResizeZoneAt(0, 0, w, h));
  EXPECT_EQ(TResizeZone::rzTopLeft, ResizeZoneAt(9, 9, w, h));
  EXPECT_EQ(TResizeZone::rzTopRight, ResizeZoneAt(791, 5, w, h));
  EXPECT_EQ(TResizeZone::rzBottomLeft, ResizeZoneAt(5, 591, w, h));
  EXPECT_EQ(TResizeZone::rzBottomRight, ResizeZoneAt(799, 599, w, h));
  EXPECT_EQ(TResizeZone::rzLeft, ResizeZoneAt(3, 300, w, h));
  EXPECT_EQ(TResizeZone::rzRight, ResizeZoneAt(795, 300, w, h));
  EXPECT_EQ(TResizeZone::rzTop, ResizeZoneAt(400, 2, w, h));
  EXPECT_EQ(TResizeZone::rzBottom, ResizeZoneAt(400, 595, w, h));
  EXPECT_EQ(TResizeZone::rzNone, ResizeZoneAt(400, 300, w, h));
  // The borders are exclusive: 10 from the left and exactly w - 10 are inside.
  EXPECT_EQ(TResizeZone::rzNone, ResizeZoneAt(10, 10, w, h));
  EXPECT_EQ(TResizeZone::rzNone, ResizeZoneAt(790, 590, w, h));
  EXPECT_EQ(TResizeZone::rzRight, ResizeZoneAt(791, 590, w, h));
  // Outside the window (captured mouse) the nearest zone still applies.
  EXPECT_EQ(TResizeZone::rzTopLeft, ResizeZoneAt(-5, -5, w, h));
}

TEST(ShellGeometry, RestoredSizeIsSixEighthsPlacedFromZero) {
  EXPECT_EQ((TBounds{160, 97, 960, 582}), RestoredBounds(1280, 776));
  // Sizes that do not divide by 8 lose the remainder in both position and size.
  EXPECT_EQ((TBounds{127, 99, 762, 594}), RestoredBounds(1023, 799));
}

TEST(ShellGeometry, RightAnchoredControlsKeepTheirDistanceFromTheRightEdge) {
  EXPECT_EQ(948, RightAnchoredLeft(948, 1000));
  EXPECT_EQ(1228, RightAnchoredLeft(948, 1280));
  EXPECT_EQ(616, RightAnchoredLeft(716, 900));
}

TEST(ShellRecordFailedTip, BlinksTenTimesAndEndsHidden) {
  TBlinkSchedule blink;
  EXPECT_FALSE(blink.Running());
  blink.Start();
  ASSERT_TRUE(blink.Running());
  for (int tick = 1; tick <= 20; ++tick) {
    blink.Tick();
    EXPECT_EQ(tick % 2 == 1, blink.Visible()) << "tick " << tick;
    EXPECT_EQ(tick < 20, blink.Running()) << "tick " << tick;
  }
  blink.Tick();
  EXPECT_FALSE(blink.Visible());
}

TEST(ShellRecordFailedTip, StartingAgainWhileBlinkingCountsAfresh) {
  TBlinkSchedule blink;
  blink.Start();
  for (int tick = 0; tick < 15; ++tick) blink.Tick();
  ASSERT_TRUE(blink.Visible());
  blink.Start();
  int ticks = 0;
  while (blink.Running()) {
    blink.Tick();
    ++ticks;
  }
  EXPECT_EQ(20, ticks);
  EXPECT_FALSE(blink.Visible());
}

TEST(ShellStartupChecks, DiskSpaceBelowTenMegabytesOrUnknownIsLow) {
  EXPECT_TRUE(IsDiskSpaceLow(true, 10485759));
  EXPECT_FALSE(IsDiskSpaceLow(true, 10485760));
  EXPECT_TRUE(IsDiskSpaceLow(false, 1ull << 40));
}

TEST(ShellStartupChecks, MicrophoneChoiceFollowsTheStoredDevice) {
  EXPECT_EQ(TMicrophoneAction::maWarnNoDevice, ChooseMicrophoneAction(0, true, 0));
  EXPECT_EQ(TMicrophoneAction::maWarnNoDevice, ChooseMicrophoneAction(0, false, 0));
  EXPECT_EQ(TMicrophoneAction::maOfferTest, ChooseMicrophoneAction(1, false, 0));
  EXPECT_EQ(TMicrophoneAction::maOfferTest, ChooseMicrophoneAction(2, true, 3));
  EXPECT_EQ(TMicrophoneAction::maOfferTest, ChooseMicrophoneAction(2, true, 2));
  EXPECT_EQ(TMicrophoneAction::maOfferTest, ChooseMicrophoneAction(2, true, -1));
  EXPECT_EQ(TMicrophoneAction::maUseStored, ChooseMicrophoneAction(2, true, 1));
  EXPECT_EQ(TMicrophoneAction::maUseStored, ChooseMicrophoneAction(1, true, 0));
}

TEST(ShellFlashVersion, WindowsPrefixInAnyCaseGivesTheDottedVersion) {
  EXPECT_EQ(L"11.9.900.117", NormaliseFlashVersion(L"WIN 11,9,900,117"));
  EXPECT_EQ(L"10.3.183.90", NormaliseFlashVersion(L"win 10,3,183,90"));
  EXPECT_EQ(L"10.3.183.90", NormaliseFlashVersion(L"Win   10,3,183,90  "));
}

TEST(ShellFlashVersion, AnythingElseIsNoVersion) {
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L""));
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L"WIN"));
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L"MAC 11,9,900,117"));
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L"WIN,11,9,900,117"));
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L" WIN 11,9,900,117"));
  EXPECT_EQ(L"0.0", NormaliseFlashVersion(L"WIN    "));
}
