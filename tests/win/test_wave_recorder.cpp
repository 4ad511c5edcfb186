// The recorder on the test environment's virtual microphone (a 440 Hz sine source of the sound daemon).
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "audio/WaveRecorders.h"
#include "base/untMainThread.h"

namespace {

struct TLevelEvent {
  DWORD threadId;
  int level;
};

// Collects the level and deactivation events of one recorder from whatever thread they arrive on.
class TEventLog {
 public:
  void Attach(TWaveAudioIO& component) {
    component.OnLevel = [this](TWaveAudioIO&, int level) {
      std::lock_guard<std::mutex> lock(fLock);
      fLevels.push_back({GetCurrentThreadId(), level});
      if (fMarked) ++fAfterMark;
    };
    component.OnDeactivate = [this](TWaveAudioIO&) {
      std::lock_guard<std::mutex> lock(fLock);
      ++fDeactivations;
      if (fMarked) ++fAfterMark;
    };
  }
  // From here on events are counted apart.
  void Mark() {
    std::lock_guard<std::mutex> lock(fLock);
    fMarked = true;
  }
  int EventsAfterMark() {
    std::lock_guard<std::mutex> lock(fLock);
    return fAfterMark;
  }
  std::vector<TLevelEvent> Levels() {
    std::lock_guard<std::mutex> lock(fLock);
    return fLevels;
  }
  int Deactivations() {
    std::lock_guard<std::mutex> lock(fLock);
    return fDeactivations;
  }

 private:
  std::mutex fLock;
  std::vector<TLevelEvent> fLevels;
  int fDeactivations = 0;
  bool fMarked = false;
  int fAfterMark = 0;
};

bool ThreadHasEnded(DWORD threadId) {
  const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
  if (!thread) return true;
  const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

// Handles this thread's messages for ms milliseconds.
void PumpFor(DWORD ms) {
  const HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WaitWithMessages(never, ms);
  CloseHandle(never);
}

std::unique_ptr<TStockAudioRecorder> BridgeRecorder(bool async) {
  auto recorder = std::make_unique<TStockAudioRecorder>();
  recorder->SetPCMFormat(Mono16bit8000Hz);
  recorder->SetAsync(async);
  recorder->SetBufferLength(1000);
  recorder->SetBufferCount(2);
  return recorder;
}

// A three-second recording is about 48000 bytes of audio; the sine source is far above level 10.
void ExpectThreeSecondRecording(TMemoryStream& stream, const std::vector<TLevelEvent>& levels) {
  TWaveStreamAdapter wave(&stream, soReference);
  ASSERT_TRUE(wave.Valid());
  EXPECT_EQ(Mono16bit8000Hz, wave.PCMFormat());
  EXPECT_NEAR(48000, static_cast<int>(wave.DataSize()), 16000);
  EXPECT_EQ(46 + static_cast<int64_t>(wave.DataSize()), stream.Size());

  ASSERT_GE(levels.size(), 4u);
  ASSERT_LE(levels.size(), 6u);
  for (size_t i = 0; i + 1 < levels.size(); ++i) EXPECT_GT(levels[i].level, 10) << "event " << i;
  EXPECT_EQ(0, levels.back().level);
}

}  // namespace

TEST(WaveRecorder, AsyncRecordingIsACompleteImageWithLevelsOnTheCallbackThread) {
  ASSERT_GT(TWaveAudioIn::NumDevs(), 0u);
  TMemoryStream stream;
  TEventLog events;
  auto recorder = BridgeRecorder(true);
  events.Attach(*recorder);
  ASSERT_TRUE(recorder->RecordToStream(stream));
  EXPECT_TRUE(recorder->Active());
  Sleep(3000);
  EXPECT_TRUE(recorder->Stop());
  recorder->WaitForStop();

  const std::vector<TLevelEvent> levels = events.Levels();
  ExpectThreeSecondRecording(stream, levels);
  ASSERT_FALSE(levels.empty());
  const DWORD callbackThread = levels.front().threadId;
  EXPECT_NE(GetCurrentThreadId(), callbackThread);
  for (const TLevelEvent& event : levels) EXPECT_EQ(callbackThread, event.threadId);
  EXPECT_EQ(1, events.Deactivations());
  recorder.reset();
  EXPECT_TRUE(ThreadHasEnded(callbackThread));
}

// Window components hand their events to the main thread, whichever thread the device's messages arrive on.
TEST(WaveRecorder, WindowCallbacksArriveOnTheMainThread) {
  TMainThread mainThread;
  TMemoryStream stream;
  TEventLog events;
  auto recorder = BridgeRecorder(false);
  events.Attach(*recorder);
  ASSERT_TRUE(recorder->RecordToStream(stream));
  PumpFor(3000);
  recorder->SetActive(false);
  recorder->WaitForStop();
  EXPECT_FALSE(recorder->Active());
  EXPECT_EQ(1, events.Deactivations()) << "the close's events have run when the wait returns";

  const std::vector<TLevelEvent> levels = events.Levels();
  ExpectThreeSecondRecording(stream, levels);
  for (const TLevelEvent& event : levels) EXPECT_EQ(GetCurrentThreadId(), event.threadId);
}

// Destruction stops the device and waits for the image, but its owner, which is going too, hears nothing of it.
TEST(WaveRecorder, NoEventFiresDuringDestruction) {
  TMainThread mainThread;
  for (const bool async : {true, false}) {
    TMemoryStream stream;
    TEventLog events;
    auto recorder = BridgeRecorder(async);
    recorder->SetBufferLength(100);
    events.Attach(*recorder);
    ASSERT_TRUE(recorder->RecordToStream(stream));
    PumpFor(500);
    EXPECT_FALSE(events.Levels().empty()) << "async " << async;
    events.Mark();
    recorder.reset();
    PumpFor(100);  // anything still handed over to this thread would run now
    EXPECT_EQ(0, events.EventsAfterMark()) << "async " << async;
    TWaveStreamAdapter wave(&stream, soReference);
    EXPECT_TRUE(wave.Valid()) << "async " << async;
  }
}

TEST(WaveRecorder, StoppedBeforeTheFirstBufferStillGivesAnImage) {
  TMemoryStream stream;
  TEventLog events;
  auto recorder = BridgeRecorder(true);
  events.Attach(*recorder);
  ASSERT_TRUE(recorder->RecordToStream(stream));
  Sleep(200);
  recorder->Stop();
  recorder->WaitForStop();
  EXPECT_FALSE(recorder->Active());

  TWaveStreamAdapter wave(&stream, soReference);
  ASSERT_TRUE(wave.Valid());
  EXPECT_LT(wave.DataSize(), 16000u);
  const std::vector<TLevelEvent> levels = events.Levels();
  ASSERT_FALSE(levels.empty());
  EXPECT_EQ(0, levels.back().level);
  EXPECT_EQ(1, events.Deactivations());
  recorder.reset();
  EXPECT_TRUE(ThreadHasEnded(levels.back().threadId));
}

TEST(WaveRecorder, MisuseRaisesWithTheComponentsMessages) {
  TMemoryStream stream;  // outlives the recorder, which writes into it until destroyed
  TStockAudioRecorder recorder;
  try {
    recorder.Stop();
    ADD_FAILURE() << "Stop on an idle recorder must raise";
  } catch (const EWaveAudioInvalidOperation& error) {
    EXPECT_STREQ("Device is aleardy close", error.what());
  }
  recorder.SetActive(false);  // idle: nothing happens

  recorder.SetBufferLength(5);
  EXPECT_EQ(10, recorder.BufferLength());

  const int devices = static_cast<int>(TWaveAudioIn::NumDevs());
  wchar_t expected[256] = L"";
  waveInGetErrorTextW(MMSYSERR_BADDEVICEID, expected, 256);
  try {
    recorder.SetDeviceID(devices);
    ADD_FAILURE() << "a device beyond the last must raise";
  } catch (const EWaveAudioSysError& error) {
    EXPECT_EQ(std::wstring(expected), error.Message());
  }
  EXPECT_EQ(-1, recorder.DeviceID());
  EXPECT_EQ(static_cast<MMRESULT>(MMSYSERR_BADDEVICEID), recorder.LastError());
  recorder.SetDeviceID(0);
  EXPECT_EQ(0, recorder.DeviceID());
  EXPECT_FALSE(recorder.DeviceName().empty());

  recorder.SetAsync(true);
  ASSERT_TRUE(recorder.RecordToStream(stream));
  try {
    recorder.SetDeviceID(-1);
    ADD_FAILURE() << "changing the device while recording must raise";
  } catch (const EWaveAudioInvalidOperation& error) {
    EXPECT_STREQ("DeviceID cannot be changed while device is open", error.what());
  }
  try {
    recorder.SetPCMFormat(Mono8Bit8000Hz);
    ADD_FAILURE() << "changing the format while recording must raise";
  } catch (const EWaveAudioInvalidOperation& error) {
    EXPECT_STREQ("Audio format cannot be changed while device is open", error.what());
  }
  EXPECT_EQ(0, recorder.DeviceID());
}
