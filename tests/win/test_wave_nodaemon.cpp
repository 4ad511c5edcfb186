// Without the sound daemon there are no devices, and opening one fails at once. The daemon of the test
// environment keeps running for the other tests: the test command runs this one in a process of its own,
// pointed at a daemon that does not exist.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "audio/WaveOut.h"
#include "audio/WaveRecorders.h"

namespace {

const char kChildFlag[] = "TOVLANE_WAVE_WITHOUT_DAEMON";

}  // namespace

TEST(WaveWithoutDaemon, ChildSeesNoDevicesAndFailsToOpen) {
  if (!std::getenv(kChildFlag)) GTEST_SKIP() << "runs as the test wave_without_daemon";
  EXPECT_EQ(0u, TWaveAudioIn::NumDevs());
  EXPECT_EQ(0u, TWaveAudioOut::NumDevs());
  TMemoryStream stream;
  TStockAudioRecorder recorder;
  recorder.SetAsync(true);
  EXPECT_THROW(recorder.RecordToStream(stream), EWaveAudioSysError);
  EXPECT_FALSE(recorder.Active());
  // The image was started before the device refused and is finished with an empty data chunk.
  TWaveStreamAdapter wave(&stream, soReference);
  EXPECT_TRUE(wave.Valid());
  EXPECT_EQ(0u, wave.DataSize());
}
