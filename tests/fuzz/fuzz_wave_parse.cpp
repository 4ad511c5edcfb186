// Feeds arbitrary bytes to the WAV parser and, when they parse, through a read pass and a rewrite.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/WaveStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream source;
  source.WriteBuffer(data, static_cast<int64_t>(size));
  source.SetPosition(0);
  TWave wave;
  wave.LoadFromStream(source);
  if (!wave.Valid()) return 0;
  // Sizes are clamped to the stream: the audio never reaches past its end.
  if (wave.DataOffset() + wave.DataSize() > wave.Stream().Size()) __builtin_trap();
  const TWaveFormatEx* format = wave.WaveFormat();
  std::vector<uint8_t> record(reinterpret_cast<const uint8_t*>(format),
                              reinterpret_cast<const uint8_t*>(format) + WaveFormatSize(*format));
  std::vector<uint8_t> audio(wave.DataSize());
  if (wave.BeginRead()) {
    wave.Read(audio.data(), static_cast<int64_t>(audio.size()));
    wave.EndRead();
  }
  ComputePeakLevel(audio.data(), audio.size(), *format);
  TWave copy;
  if (copy.BeginRewrite(reinterpret_cast<const TWaveFormatEx*>(record.data()))) {
    copy.Write(audio.data(), static_cast<int64_t>(audio.size()));
    copy.EndRewrite();
    if (!copy.Valid() || copy.DataSize() != audio.size() || !copy.SameWaveFormat(format)) __builtin_trap();
  }
  return 0;
}
