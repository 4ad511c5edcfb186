#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/WaveUtils.h"

namespace {

TWaveFormatEx Pcm(TPCMFormat preset) {
  TWaveFormatEx format{};
  FillPcmFormat(format, preset);
  return format;
}

}  // namespace

TEST(WavePresets, FillAndRecogniseEveryPreset) {
  const TWaveFormatEx mono16 = Pcm(Mono16bit8000Hz);
  EXPECT_EQ(1, mono16.wFormatTag);
  EXPECT_EQ(1, mono16.nChannels);
  EXPECT_EQ(8000u, mono16.nSamplesPerSec);
  EXPECT_EQ(16, mono16.wBitsPerSample);
  EXPECT_EQ(2, mono16.nBlockAlign);
  EXPECT_EQ(16000u, mono16.nAvgBytesPerSec);
  EXPECT_EQ(0, mono16.cbSize);

  const TWaveFormatEx stereo48 = Pcm(Stereo16bit48000Hz);
  EXPECT_EQ(4, stereo48.nBlockAlign);
  EXPECT_EQ(192000u, stereo48.nAvgBytesPerSec);

  for (int preset = Mono8Bit8000Hz; preset <= Stereo16bit48000Hz; ++preset)
    EXPECT_EQ(preset, PcmFormatOf(Pcm(static_cast<TPCMFormat>(preset))));

  TWaveFormatEx untouched{};
  untouched.wFormatTag = 0x11;
  FillPcmFormat(untouched, nonePCM);
  EXPECT_EQ(0x11, untouched.wFormatTag);
  EXPECT_EQ(nonePCM, PcmFormatOf(untouched));

  TWaveFormatEx odd = Pcm(Mono16bit8000Hz);
  odd.nSamplesPerSec = 16000;
  EXPECT_EQ(nonePCM, PcmFormatOf(odd));
}

TEST(WaveArithmetic, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(221, MulDivRound(10, 22050, 1000));
  EXPECT_EQ(-221, MulDivRound(-10, 22050, 1000));
  EXPECT_EQ(2, MulDivRound(3, 1, 2));
  EXPECT_EQ(1, MulDivRound(4, 1, 3));
  EXPECT_EQ(-1, MulDivRound(5, 5, 0));
  // The product needs 64 bits.
  EXPECT_EQ(2000000000, MulDivRound(2000000000, 2000000000, 2000000000));

  // Unsigned sizes beyond the signed range, and quotients beyond 32 bits.
  EXPECT_EQ(268435456u, MulDivRoundUnsigned(1000, 0xFFFFFFFF, 16000));  // 268435455.94
  EXPECT_EQ(0x80000000u, MulDivRoundUnsigned(0x80000000, 3, 3));
  EXPECT_EQ(UINT32_MAX, MulDivRoundUnsigned(1000, 0xFFFFFFFF, 1));
  EXPECT_EQ(UINT32_MAX, MulDivRoundUnsigned(1, 1, 0));
}

TEST(WaveArithmetic, BufferSizesAreWholeBlocks) {
  EXPECT_EQ(16000u, BufferSizeForMs(Pcm(Mono16bit8000Hz), 1000));
  EXPECT_EQ(1600u, BufferSizeForMs(Pcm(Mono16bit8000Hz), 100));
  EXPECT_EQ(320u, BufferSizeForMs(Pcm(Stereo16bit8000Hz), 10));
  // 220.5 rounds to 221, then rises to the next block.
  EXPECT_EQ(222u, BufferSizeForMs(Pcm(Mono16bit11025Hz), 10));
  // Positions are lowered instead: 220.5 → 221 → 220.
  EXPECT_EQ(220u, BytesForMs(Pcm(Mono16bit11025Hz), 10));
  EXPECT_EQ(8000u, BytesForMs(Pcm(Mono16bit8000Hz), 500));
  EXPECT_EQ(110u, BytesForMs(Pcm(Mono8bit11025Hz), 10));
}

TEST(WaveLevels, PositivePeakAgainstFullScale) {
  const TWaveFormatEx mono16 = Pcm(Mono16bit8000Hz);
  const int16_t negativeOnly[] = {-32768, 100};
  EXPECT_EQ(0, ComputePeakLevel(negativeOnly, sizeof negativeOnly, mono16));
  const int16_t full[] = {32767};
  EXPECT_EQ(100, ComputePeakLevel(full, sizeof full, mono16));
  const int16_t half[] = {-5, 16384, 12};
  EXPECT_EQ(50, ComputePeakLevel(half, sizeof half, mono16));
  // A trailing half sample is not looked at.
  const uint8_t partial[] = {0x00, 0x00, 0xFF};
  EXPECT_EQ(0, ComputePeakLevel(partial, sizeof partial, mono16));
  EXPECT_EQ(0, ComputePeakLevel(nullptr, 0, mono16));

  const TWaveFormatEx mono8 = Pcm(Mono8Bit8000Hz);
  const uint8_t quiet[] = {0, 64};
  EXPECT_EQ(0, ComputePeakLevel(quiet, sizeof quiet, mono8));
  const uint8_t loud[] = {255};
  EXPECT_EQ(100, ComputePeakLevel(loud, sizeof loud, mono8));
  const uint8_t mid[] = {128, 191};
  EXPECT_EQ(49, ComputePeakLevel(mid, sizeof mid, mono8));

  TWaveFormatEx adpcm = mono16;
  adpcm.wFormatTag = 0x11;
  EXPECT_EQ(-1, ComputePeakLevel(full, sizeof full, adpcm));
  TWaveFormatEx pcm24 = mono16;
  pcm24.wBitsPerSample = 24;
  EXPECT_EQ(-1, ComputePeakLevel(full, sizeof full, pcm24));
}
