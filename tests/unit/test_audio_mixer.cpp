#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio/AudioMixerRules.h"
#include "audio/untFormVolumeSpeakerRules.h"

TEST(AudioMixerScale, ControlValuesAndPercentsRoundToNearest) {
  struct Case {
    uint32_t maximum;
    int percent;
    uint32_t value;
  };
  const Case cases[] = {
      {65535, 50, 32768},
      {65535, 100, 65535},
      {65535, 0, 0},
      {65535, 1, 655},
      {65535, 99, 64880},
      {100, 37, 37},
      {0xFFFFFFFF, 100, 0xFFFFFFFF},
      {0xFFFFFFFF, 50, 0x80000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value, ControlValueFromPercent(c.percent, c.maximum)) << c.maximum << " " << c.percent;
    EXPECT_EQ(c.percent, VolumePercentFromControl(c.value, c.maximum)) << c.maximum << " " << c.value;
  }
  // A coarse control: 50 % of 3 steps rounds up to 2, which reads back as 66.7 %, rounded to 67.
  EXPECT_EQ(2u, ControlValueFromPercent(50, 3));
  EXPECT_EQ(33, VolumePercentFromControl(1, 3));
  EXPECT_EQ(67, VolumePercentFromControl(2, 3));
}

TEST(AudioMixerScale, OutOfRangeValuesAreClampedAndMissingControlsReadMinusOne) {
  EXPECT_EQ(65535u, ControlValueFromPercent(150, 65535));
  EXPECT_EQ(0u, ControlValueFromPercent(-5, 65535));
  EXPECT_EQ(0u, ControlValueFromPercent(std::numeric_limits<int>::min(), 65535));
  EXPECT_EQ(-1, VolumePercentFromControl(std::nullopt, 65535));
  EXPECT_EQ(100, VolumePercentFromControl(70000, 65535));
  EXPECT_EQ(0, VolumePercentFromControl(5, 0));
}

TEST(AudioMixerScale, EndpointScalarTruncatesAfterTheProduct) {
  struct Case {
    float scalar;
    int percent;
  };
  const Case cases[] = {{0.57f, 56}, {1.0f, 100}, {0.0f, 0}, {0.5f, 50},     {0.999f, 99},
                        {1.5f, 100}, {-0.2f, 0},  {NAN, 0},  {INFINITY, 100}};
  for (const Case& c : cases) EXPECT_EQ(c.percent, EndpointPercentFromScalar(c.scalar)) << c.scalar;
  EXPECT_FLOAT_EQ(0.5f, EndpointScalarFromPercent(50));
  EXPECT_FLOAT_EQ(1.0f, EndpointScalarFromPercent(150));
  EXPECT_FLOAT_EQ(0.0f, EndpointScalarFromPercent(-5));
}

TEST(AudioMixerSelection, MixerAndDestinationIndices) {
  EXPECT_TRUE(AcceptsMixerId(0, 1, 2));
  EXPECT_FALSE(AcceptsMixerId(0, 2, 2)) << "MixerCount itself names no mixer";
  EXPECT_FALSE(AcceptsMixerId(1, 1, 2));
  EXPECT_FALSE(AcceptsMixerId(0, -1, 2));
  EXPECT_FALSE(AcceptsMixerId(0, 0, 0));
  EXPECT_EQ(1, DestinationIdAfterOpening(1, 2));
  EXPECT_EQ(0, DestinationIdAfterOpening(3, 2));
  EXPECT_EQ(0, DestinationIdAfterOpening(2, 2));
  EXPECT_EQ(0, DestinationIdAfterOpening(-1, 2));
  EXPECT_EQ(0, DestinationIdAfterOpening(1, 0));
}

TEST(AudioMixerEnumerations, PlatformValuesMapAndUnknownOnesReadAsTheFirst) {
  EXPECT_EQ(TMixerLineTargetType::tgWaveOut, TargetTypeFromPlatform(1));
  EXPECT_EQ(TMixerLineTargetType::tgAux, TargetTypeFromPlatform(5));
  EXPECT_EQ(TMixerLineTargetType::tgUndefined, TargetTypeFromPlatform(6));
  EXPECT_EQ(TMixerLineTargetType::tgUndefined, TargetTypeFromPlatform(0xFFFFFFFF));

  EXPECT_EQ(TMixerLineComponentType::cmDstSpeakers, ComponentTypeFromPlatform(4));
  EXPECT_EQ(TMixerLineComponentType::cmDstVoiceIn, ComponentTypeFromPlatform(8));
  EXPECT_EQ(TMixerLineComponentType::cmDstUndefined, ComponentTypeFromPlatform(9));
  EXPECT_EQ(TMixerLineComponentType::cmSrcUndefined, ComponentTypeFromPlatform(0x1000));
  EXPECT_EQ(TMixerLineComponentType::cmSrcMicrophone, ComponentTypeFromPlatform(0x1003));
  EXPECT_EQ(TMixerLineComponentType::cmSrcAnalog, ComponentTypeFromPlatform(0x100A));
  EXPECT_EQ(TMixerLineComponentType::cmDstUndefined, ComponentTypeFromPlatform(0x100B));
  EXPECT_EQ(TMixerLineComponentType::cmDstUndefined, ComponentTypeFromPlatform(0x0FFF));

  const TMixerLineFlags flags = LineFlagsFromPlatform(0x80000001);
  EXPECT_TRUE(flags[static_cast<size_t>(TMixerLineFlag::lfActive)]);
  EXPECT_FALSE(flags[static_cast<size_t>(TMixerLineFlag::lfDisconnected)]);
  EXPECT_TRUE(flags[static_cast<size_t>(TMixerLineFlag::lfSource)]);
  EXPECT_TRUE(LineFlagsFromPlatform(0x00008000)[static_cast<size_t>(TMixerLineFlag::lfDisconnected)]);
  EXPECT_EQ(0u, LineFlagsFromPlatform(0x7FFF7FFE).count());
}

TEST(SoundTestOpening, SlidersStartAtTheLowestLineRaisedToFifty) {
  struct Case {
    std::vector<int> lineVolumes;
    int lowest;
    int opening;
  };
  const Case cases[] = {
      {{}, 100, 100},      // no line of the kind: the slider stays at 100
      {{30}, 30, 50},      // the one line is raised to 50
      {{40, 80}, 40, 50},  // the lowest line decides; 50 then reaches both
      {{75, 90}, 75, 75},  // nothing below 50: nothing is written
      {{80, -1}, 0, 50},   // a line without a volume control counts as 0
  };
  for (const Case& c : cases) {
    int slider = 100;
    for (int volume : c.lineVolumes) slider = LowerToLineVolume(slider, volume);
    EXPECT_EQ(c.lowest, slider);
    EXPECT_EQ(c.opening, RaiseToOpeningVolume(slider));
  }
  EXPECT_EQ(TMixerLineRole::lrSpeaker, RoleOfDestination(TMixerLineTargetType::tgWaveOut));
  EXPECT_EQ(TMixerLineRole::lrMicrophone, RoleOfDestination(TMixerLineTargetType::tgWaveIn));
  EXPECT_EQ(TMixerLineRole::lrNone, RoleOfDestination(TMixerLineTargetType::tgAux));
}

TEST(SoundTestMicrophone, SpeechSelectionAndDeviceHint) {
  EXPECT_FALSE(IsSpeechLevel(25));
  EXPECT_TRUE(IsSpeechLevel(26));
  EXPECT_FALSE(IsSpeechLevel(0));

  struct Case {
    int32_t index;
    int count;
    bool valid;
  };
  const Case cases[] = {{0, 1, true},   {1, 2, true},  {2, 2, false},        {3, 2, false},
                        {-1, 2, false}, {0, 0, false}, {INT32_MIN, 2, false}};
  for (const Case& c : cases) EXPECT_EQ(c.valid, IsMicrophoneIndexValid(c.index, c.count)) << c.index;
  EXPECT_EQ(0, MicrophoneDeviceIdOfSelection(-1));
  EXPECT_EQ(1, MicrophoneDeviceIdOfSelection(1));

  EXPECT_EQ(TDeviceListHint::dhNoDevice, DeviceListHint(0));
  EXPECT_EQ(TDeviceListHint::dhSingleDevice, DeviceListHint(1));
  EXPECT_EQ(TDeviceListHint::dhMultipleDevices, DeviceListHint(2));
}

TEST(SoundTestLog, OneLinePerDestination) {
  EXPECT_EQ(L"0:Mixer, 1:Master, tgWaveOut, Master, MasterVolume:75",
            DestinationLogLine(0, L"Mixer", 1, L"Master", TMixerLineTargetType::tgWaveOut, L"Master", 75));
  EXPECT_EQ(L"1:声卡, 0:录音, tgWaveIn, 录音, MasterVolume:-1",
            DestinationLogLine(1, L"声卡", 0, L"录音", TMixerLineTargetType::tgWaveIn, L"录音", -1));
}
