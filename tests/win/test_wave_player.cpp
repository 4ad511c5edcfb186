// The test-sound player on the test environment's virtual speakers (a null sink of the sound daemon).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "audio/WavePlayers.h"
#include "base/untMainThread.h"
#include "base/untMessages.h"
#include "testkit/WaveFaults.h"
#include "testkit/WinTestSupport.h"

namespace {

std::wstring TestSoundPath() { return WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\bin\\TestSound.wav"; }

// A player with the sound test window's settings and a record of its events (all on this thread).
struct TPlayerRun {
  TStockAudioPlayer player;
  std::vector<int> levels;
  int deactivations = 0;
  HANDLE deactivated = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  TPlayerRun() {
    player.SetBufferLength(100);
    player.OnLevel = [this](TWaveAudioIO&, int level) { levels.push_back(level); };
    player.OnDeactivate = [this](TWaveAudioIO&) {
      ++deactivations;
      SetEvent(deactivated);
    };
  }
  ~TPlayerRun() { CloseHandle(deactivated); }
};

}  // namespace

// The player's events reach the window through the main thread, which this test thread is.
class WavePlayer : public ::testing::Test {
 protected:
  TMainThread fMainThread;
};

TEST_F(WavePlayer, TestSoundFiresALevelPerBufferThenZeroThenDeactivates) {
  ASSERT_GT(TWaveAudioOut::NumDevs(), 0u);
  TPlayerRun run;
  ASSERT_TRUE(run.player.PlayFile(TestSoundPath()));
  EXPECT_TRUE(run.player.Active());
  // Two seconds of sound; the events arrive through this thread's messages.
  ASSERT_TRUE(WaitWithMessages(run.deactivated, 10000));
  EXPECT_FALSE(run.player.Active());

  // 2.0 s in 100 ms buffers: 20 levels of audio, then 0 when the device has closed.
  ASSERT_EQ(21u, run.levels.size());
  // Every buffer but the faded last one holds a tone.
  for (size_t i = 0; i + 2 < run.levels.size(); ++i) EXPECT_GT(run.levels[i], 0) << "buffer " << i;
  int loudest = 0;
  for (int level : run.levels) loudest = std::max(loudest, level);
  EXPECT_GE(loudest, 50);  // the sound peaks near -3 dBFS
  EXPECT_EQ(0, run.levels.back());
  EXPECT_EQ(1, run.deactivations);
}

TEST_F(WavePlayer, StoppingEndsPlaybackPromptly) {
  TPlayerRun run;
  ASSERT_TRUE(run.player.PlayFile(TestSoundPath()));
  WaitWithMessages(run.deactivated, 300);
  const DWORD stopped = GetTickCount();
  run.player.SetActive(false);
  run.player.WaitForStop();
  EXPECT_LT(GetTickCount() - stopped, 1000u);
  EXPECT_FALSE(run.player.Active());
  ASSERT_FALSE(run.levels.empty());
  EXPECT_LT(run.levels.size(), 15u);
  EXPECT_EQ(0, run.levels.back());
  EXPECT_EQ(1, run.deactivations);

  run.player.SetActive(false);  // idle: nothing happens
  EXPECT_THROW(run.player.Stop(), EWaveAudioInvalidOperation);
}

TEST_F(WavePlayer, MissingAndNonWaveFilesRaise) {
  TPlayerRun run;
  const std::wstring folder = WindowsPathFromEnv("TOVLANE_BINARY_DIR");
  EXPECT_THROW(run.player.PlayFile(folder + L"\\no-such-sound.wav"), EFOpenError);

  const std::wstring notWave = folder + L"\\not-a-wave.wav";
  WriteWholeFile(notWave, "RIFF this is not a sound");
  EXPECT_THROW(run.player.PlayFile(notWave), EWaveAudioSysError);
  EXPECT_FALSE(run.player.Active());
  // The file was released with the failed playback.
  EXPECT_TRUE(DeleteFileW(notWave.c_str()));
  EXPECT_EQ(0, run.deactivations);
}

TEST_F(WavePlayer, StopBeforeTheFirstBufferClosesTheDeviceOnce) {
  TPlayerRun run;
  run.player.SetAsync(true);
  // Asked while the first fill request waits: the device closes at once, and the request must not close it again.
  run.player.OnActivate = [&run](TWaveAudioIO&) { run.player.Stop(); };
  ASSERT_TRUE(run.player.PlayFile(TestSoundPath()));
  ASSERT_TRUE(WaitWithMessages(run.deactivated, 5000));
  run.player.WaitForStop();
  EXPECT_EQ(static_cast<MMRESULT>(MMSYSERR_NOERROR), run.player.LastError());
  EXPECT_EQ(1, run.deactivations);
  EXPECT_EQ(std::vector<int>{0}, run.levels);
}

namespace {

std::vector<std::wstring> gShownErrors;
TWaveAudioIO* gPlayerShowingError = nullptr;
bool gFreeWhileShown = false;

// Stands in for the application's box: while it is up, another thread must still get the player's lock.
int RecordingBox(HWND, const std::wstring& text, UINT) {
  gShownErrors.push_back(text);
  // Kept beyond this call: a waiter that is stuck must not hold the box too.
  static std::future<void> other;
  other = std::async(std::launch::async, [] { gPlayerShowingError->WaitForStart(); });
  gFreeWhileShown = other.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  return IDOK;
}

}  // namespace

TEST_F(WavePlayer, AFailingUnprepareIsShownWithoutTheLockAndPlaybackStillEnds) {
  // The first returned buffer fails to unprepare, as a faulty driver might.
  TWaveFaults faults({wcUnprepare, MMSYSERR_ERROR, 0, 1});
  TPlayerRun run;
  gPlayerShowingError = &run.player;
  InstallMessageBox(RecordingBox);
  ASSERT_TRUE(run.player.PlayFile(TestSoundPath()));
  const bool ended = WaitWithMessages(run.deactivated, 10000);
  InstallMessageBox(nullptr);
  ASSERT_TRUE(ended) << "the dropped buffer must not keep the device open";
  run.player.WaitForStop();
  EXPECT_FALSE(run.player.Active());
  ASSERT_EQ(1u, gShownErrors.size());
  EXPECT_TRUE(gFreeWhileShown) << "the error was shown while the player's lock was held";
  EXPECT_EQ(0, run.levels.back());
  EXPECT_EQ(1, run.deactivations);
}
