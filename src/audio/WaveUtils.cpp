#include "audio/WaveUtils.h"

#include <cstring>

namespace {

struct TPresetRow {
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
};

// Indexed by TPCMFormat − 1.
constexpr TPresetRow kPresets[] = {
    {1, 8000, 8},   {2, 8000, 8},   {1, 8000, 16}, {2, 8000, 16},  {1, 11025, 8},  {2, 11025, 8},  {1, 11025, 16},
    {2, 11025, 16}, {1, 22050, 8},  {2, 22050, 8}, {1, 22050, 16}, {2, 22050, 16}, {1, 44100, 8},  {2, 44100, 8},
    {1, 44100, 16}, {2, 44100, 16}, {1, 48000, 8}, {2, 48000, 8},  {1, 48000, 16}, {2, 48000, 16},
};
constexpr int kPresetCount = sizeof(kPresets) / sizeof(kPresets[0]);

// Nearest quotient of two magnitudes, halves up; dividend + divisor / 2 cannot overflow for the
// product of two 32-bit magnitudes.
uint64_t RoundedQuotient(uint64_t dividend, uint64_t divisor) { return (dividend + divisor / 2) / divisor; }

}  // namespace

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const uint64_t magnitude = static_cast<uint64_t>(product < 0 ? -product : product);
  const uint64_t divisor = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
  const int64_t quotient = static_cast<int64_t>(RoundedQuotient(magnitude, divisor));
  return static_cast<int32_t>(negative ? -quotient : quotient);
}

uint32_t MulDivRoundUnsigned(uint32_t a, uint32_t b, uint32_t c) {
  if (c == 0) return UINT32_MAX;
  const uint64_t quotient = RoundedQuotient(static_cast<uint64_t>(a) * b, c);
  return quotient > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(quotient);
}

void FillPcmFormat(TWaveFormatEx& format, TPCMFormat preset) {
  if (preset <= nonePCM || preset > kPresetCount) return;
  const TPresetRow& row = kPresets[preset - 1];
  format.wFormatTag = WAVE_FORMAT_PCM_TAG;
  format.nChannels = row.channels;
  format.nSamplesPerSec = row.rate;
  format.wBitsPerSample = row.bits;
  format.nBlockAlign = static_cast<uint16_t>(row.channels * row.bits / 8);
  format.nAvgBytesPerSec = format.nBlockAlign * row.rate;
  format.cbSize = 0;
}

TPCMFormat PcmFormatOf(const TWaveFormatEx& format) {
  if (format.wFormatTag != WAVE_FORMAT_PCM_TAG) return nonePCM;
  for (int i = 0; i < kPresetCount; ++i) {
    const TPresetRow& row = kPresets[i];
    if (row.channels == format.nChannels && row.rate == format.nSamplesPerSec && row.bits == format.wBitsPerSample)
      return static_cast<TPCMFormat>(i + 1);
  }
  return nonePCM;
}

uint32_t BufferSizeForMs(const TWaveFormatEx& format, uint32_t ms) {
  uint32_t bytes =
      static_cast<uint32_t>(MulDivRound(static_cast<int32_t>(ms), static_cast<int32_t>(format.nAvgBytesPerSec), 1000));
  if (format.nBlockAlign > 1 && bytes % format.nBlockAlign != 0)
    bytes += format.nBlockAlign - bytes % format.nBlockAlign;
  return bytes;
}

uint32_t BytesForMs(const TWaveFormatEx& format, uint32_t ms) {
  uint32_t bytes =
      static_cast<uint32_t>(MulDivRound(static_cast<int32_t>(format.nAvgBytesPerSec), static_cast<int32_t>(ms), 1000));
  if (format.nBlockAlign > 1) bytes -= bytes % format.nBlockAlign;
  return bytes;
}

int ComputePeakLevel(const void* buffer, size_t byteCount, const TWaveFormatEx& format) {
  if (format.wFormatTag != WAVE_FORMAT_PCM_TAG) return -1;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  if (format.wBitsPerSample == 8) {
    int peak = 0;
    for (size_t i = 0; i < byteCount; ++i)
      if (bytes[i] > peak) peak = bytes[i];
    return peak >= 128 ? (peak - 128) * 100 / 127 : 0;
  }
  if (format.wBitsPerSample == 16) {
    int peak = 0;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
      int16_t sample;
      std::memcpy(&sample, bytes + i, sizeof sample);
      if (sample > peak) peak = sample;
    }
    return peak * 100 / 32767;
  }
  return -1;
}
