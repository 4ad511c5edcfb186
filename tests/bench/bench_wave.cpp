// A 60-second recording in the recorder's format: written through a rewrite pass one 1000 ms buffer at a
// time, then parsed and measured buffer by buffer in place. Reports bytes of audio per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "audio/WaveStorage.h"

namespace {

constexpr int kSeconds = 60;

TWaveFormatEx RecorderFormat() {
  TWaveFormatEx format{};
  FillPcmFormat(format, Mono16bit8000Hz);
  return format;
}

std::vector<uint8_t> OneBuffer(const TWaveFormatEx& format) {
  std::vector<uint8_t> buffer(BufferSizeForMs(format, 1000));
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 31);
  return buffer;
}

void Record(TWave& wave, const std::vector<uint8_t>& buffer) {
  wave.BeginRewritePCM(Mono16bit8000Hz);
  for (int i = 0; i < kSeconds; ++i) wave.Write(buffer.data(), static_cast<int64_t>(buffer.size()));
  wave.EndRewrite();
}

void BM_WriteRecording(benchmark::State& state) {
  const std::vector<uint8_t> buffer = OneBuffer(RecorderFormat());
  for (auto _ : state) {
    TWave wave;
    Record(wave, buffer);
    benchmark::DoNotOptimize(wave.DataSize());
  }
  state.SetBytesProcessed(state.iterations() * kSeconds * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_WriteRecording);

void BM_ParseAndMeasureLevels(benchmark::State& state) {
  const TWaveFormatEx format = RecorderFormat();
  const std::vector<uint8_t> buffer = OneBuffer(format);
  TWave wave;
  Record(wave, buffer);
  for (auto _ : state) {
    wave.Refresh();
    if (!wave.Valid()) state.SkipWithError("the recording does not parse");
    // In place: AccessData hands out the memory stream's own bytes.
    auto* audio = static_cast<const uint8_t*>(wave.AccessData(false));
    int loudest = 0;
    for (uint32_t offset = 0; offset < wave.DataSize(); offset += static_cast<uint32_t>(buffer.size()))
      loudest = std::max(loudest, ComputePeakLevel(audio + offset, buffer.size(), *wave.WaveFormat()));
    wave.ReleaseData(const_cast<uint8_t*>(audio), false);
    benchmark::DoNotOptimize(loudest);
  }
  state.SetBytesProcessed(state.iterations() * kSeconds * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_ParseAndMeasureLevels);

}  // namespace
