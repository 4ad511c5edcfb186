// The test-sound player on the test environment's virtual speakers (a null sink of the sound daemon).
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "audio/WavePlayers.h"
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

class WavePlayer : public ::testing::Test {
 protected:
  // Window callbacks: the player's hidden window must be gone once playback has ended.
  void TearDown() override { EXPECT_FALSE(FindWindowExW(HWND_MESSAGE, nullptr, L"TWaveAudioIOCallback", nullptr)); }
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
