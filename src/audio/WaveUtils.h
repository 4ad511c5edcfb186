#pragma once
// Wave format records, the PCM presets and the byte and level arithmetic shared by the recorder,
// the player and the WAV images. Free of Windows headers: the record mirrors WAVEFORMATEX byte for byte.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct TWaveFormatEx {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;  // extension bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18, "the record is 18 bytes, as in a WAV file");

constexpr uint16_t WAVE_FORMAT_PCM_TAG = 1;

// A record is always compared, copied and written with its extension: 18 + cbSize bytes.
inline size_t WaveFormatSize(const TWaveFormatEx& format) { return sizeof(TWaveFormatEx) + format.cbSize; }

enum TPCMFormat {
  nonePCM,
  Mono8Bit8000Hz,
  Stereo8bit8000Hz,
  Mono16bit8000Hz,
  Stereo16bit8000Hz,
  Mono8bit11025Hz,
  Stereo8bit11025Hz,
  Mono16bit11025Hz,
  Stereo16bit11025Hz,
  Mono8bit22050Hz,
  Stereo8bit22050Hz,
  Mono16bit22050Hz,
  Stereo16bit22050Hz,
  Mono8bit44100Hz,
  Stereo8bit44100Hz,
  Mono16bit44100Hz,
  Stereo16bit44100Hz,
  Mono8bit48000Hz,
  Stereo8bit48000Hz,
  Mono16bit48000Hz,
  Stereo16bit48000Hz,
};

// a × b / c through a 64-bit intermediate, rounded to nearest with halves away from zero; −1 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);
// The same for unsigned sizes, which may exceed the signed range; a quotient beyond 32 bits gives
// UINT32_MAX (the −1 of the signed form), and so does c = 0.
uint32_t MulDivRoundUnsigned(uint32_t a, uint32_t b, uint32_t c);

// Fills the record for the preset (cbSize 0); nonePCM leaves it untouched.
void FillPcmFormat(TWaveFormatEx& format, TPCMFormat preset);
// The preset equal to a PCM record, else nonePCM.
TPCMFormat PcmFormatOf(const TWaveFormatEx& format);
// Size of one device buffer of ms milliseconds, raised to whole blocks.
uint32_t BufferSizeForMs(const TWaveFormatEx& format, uint32_t ms);
// Byte position of ms milliseconds, lowered to whole blocks.
uint32_t BytesForMs(const TWaveFormatEx& format, uint32_t ms);
// Positive peak of the buffer against full scale, 0..100; −1 for formats other than 8- or 16-bit PCM.
int ComputePeakLevel(const void* buffer, size_t byteCount, const TWaveFormatEx& format);
