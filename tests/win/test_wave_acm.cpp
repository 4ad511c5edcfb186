// Conversions through the Audio Compression Manager, against the template that ships beside the program.
// The converted one-second recording is left in the build tree, where a following test decodes it with sox.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/WaveACM.h"
#include "testkit/WinTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::wstring TemplatePath() { return WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\bin\\TemplateAdpcm.wav"; }

std::wstring OutputFolder() {
  const std::wstring folder = WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\wave-acm";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::vector<uint8_t> StreamBytes(TStream& stream) {
  std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

// One second of speech-like audio at 8 kHz: two tones with a slow swell, well inside full scale.
void RecordTones(TWave& wave, TPCMFormat preset) {
  ASSERT_TRUE(wave.BeginRewritePCM(preset));
  TWaveFormatEx format{};
  FillPcmFormat(format, preset);
  for (uint32_t i = 0; i < format.nSamplesPerSec; ++i) {
    const double t = static_cast<double>(i) / format.nSamplesPerSec;
    const double value = (0.5 + 0.3 * std::sin(2 * kPi * 3 * t)) *
                         (0.6 * std::sin(2 * kPi * 440 * t) + 0.3 * std::sin(2 * kPi * 1250 * t));
    if (format.wBitsPerSample == 16) {
      const int16_t sample = static_cast<int16_t>(std::lround(value * 20000));
      ASSERT_EQ(2, wave.Write(&sample, 2));
    } else {
      const uint8_t sample = static_cast<uint8_t>(128 + std::lround(value * 80));
      ASSERT_EQ(1, wave.Write(&sample, 1));
    }
  }
  ASSERT_TRUE(wave.EndRewrite());
}

}  // namespace

TEST(WaveTemplate, ShippedTemplateIsImaAdpcm) {
  TWaveFile adpcm(TemplatePath(), fmOpenRead | fmShareDenyWrite);
  ASSERT_TRUE(adpcm.Valid());
  const TWaveFormatEx* format = adpcm.WaveFormat();
  EXPECT_EQ(0x11, format->wFormatTag);
  EXPECT_EQ(1, format->nChannels);
  EXPECT_EQ(8000u, format->nSamplesPerSec);
  EXPECT_EQ(4, format->wBitsPerSample);
  EXPECT_EQ(256, format->nBlockAlign);
  ASSERT_EQ(2, format->cbSize);
  uint16_t samplesPerBlock;
  std::memcpy(&samplesPerBlock, reinterpret_cast<const uint8_t*>(format) + 18, 2);
  EXPECT_EQ(505, samplesPerBlock);
  EXPECT_GT(adpcm.DataSize(), 0u);
}

TEST(WaveFiles, OpenErrorsReachTheCallerAndShareModesHold) {
  const std::wstring missing = OutputFolder() + L"\\missing.wav";
  EXPECT_THROW(TWaveFile(missing, fmOpenRead | fmShareDenyWrite), EFOpenError);

  const std::wstring path = OutputFolder() + L"\\locked.wav";
  TWave wave;
  RecordTones(wave, Mono16bit8000Hz);
  ASSERT_TRUE(wave.SaveToFile(path));
  {
    TWaveFile reader(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(16000u, reader.DataSize());
    // Deny-write: a second reader may open the file, a writer may not.
    EXPECT_NO_THROW(TWaveFile(path, fmOpenRead | fmShareDenyWrite));
    EXPECT_THROW(wave.SaveToFile(path), EFCreateError);
  }
  TWave loaded;
  EXPECT_TRUE(loaded.LoadFromFile(path));
  EXPECT_EQ(StreamBytes(wave.Stream()), StreamBytes(loaded.Stream()));
}

TEST(WaveConversion, RecordingConvertsToTheTemplateFormat) {
  TWaveFile adpcm(TemplatePath(), fmOpenRead | fmShareDenyWrite);
  ASSERT_TRUE(adpcm.Valid());
  TWave wave;
  RecordTones(wave, Mono16bit8000Hz);
  ASSERT_TRUE(wave.SaveToFile(OutputFolder() + L"\\source.wav"));

  ASSERT_TRUE(ConvertTo(wave, adpcm.WaveFormat()));
  EXPECT_TRUE(wave.SameWaveFormat(adpcm.WaveFormat()));
  const std::vector<uint8_t> image = StreamBytes(wave.Stream());
  uint32_t fmtSize, dataSize;
  std::memcpy(&fmtSize, image.data() + 16, 4);
  std::memcpy(&dataSize, image.data() + 44, 4);
  EXPECT_EQ(20u, fmtSize);
  EXPECT_EQ(0, std::memcmp(image.data() + 40, "data", 4));
  EXPECT_EQ(48, wave.DataOffset());
  EXPECT_EQ(image.size(), 48u + dataSize);
  // 8000 samples fill 15 blocks of 505 and part of a 16th.
  EXPECT_GE(dataSize, 15u * 256);
  EXPECT_LE(dataSize, 16u * 256);
  ASSERT_TRUE(wave.SaveToFile(OutputFolder() + L"\\converted.wav"));

  // Converting again to the same record is a no-op.
  ASSERT_TRUE(ConvertTo(wave, adpcm.WaveFormat()));
  EXPECT_EQ(image, StreamBytes(wave.Stream()));
}

TEST(WaveConversion, ImpossibleTargetsLeaveTheStreamAlone) {
  TWave wave;
  RecordTones(wave, Mono16bit8000Hz);
  const std::vector<uint8_t> before = StreamBytes(wave.Stream());

  TWaveFormatEx unknown{};
  FillPcmFormat(unknown, Mono16bit8000Hz);
  unknown.wFormatTag = 0x7A7A;  // no codec produces this tag
  EXPECT_FALSE(ConvertTo(wave, &unknown));
  EXPECT_FALSE(ConvertTo(wave, nullptr));
  EXPECT_FALSE(ConvertToPCM(wave, nonePCM));
  EXPECT_EQ(before, StreamBytes(wave.Stream()));
  EXPECT_TRUE(wave.Valid());

  TWave silent;
  ASSERT_TRUE(silent.BeginRewritePCM(Mono16bit8000Hz));
  ASSERT_TRUE(silent.EndRewrite());
  EXPECT_TRUE(ConvertToPCM(silent, Mono16bit8000Hz));  // already in that format
  EXPECT_FALSE(ConvertToPCM(silent, Mono8Bit8000Hz));  // no audio to convert
  EXPECT_EQ(46, silent.Stream().Size());
}

TEST(WaveConversion, PcmToPcmChangesSampleSize) {
  TWave wave;
  RecordTones(wave, Mono16bit8000Hz);
  ASSERT_TRUE(ConvertToPCM(wave, Mono8Bit8000Hz));
  EXPECT_EQ(Mono8Bit8000Hz, wave.PCMFormat());
  EXPECT_EQ(8000u, wave.DataSize());
  EXPECT_EQ(46 + 8000, wave.Stream().Size());
}
