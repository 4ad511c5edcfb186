#pragma once
// The download window's figures: the progress percentage and the remaining-time estimate.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// workCount * 100 / workCountMax (formed in 64 bits), kept within 0..100; none when the length is unknown (0),
// which hides the progress bar.
std::optional<int> ProgressPosition(int32_t workCount, int32_t workCountMax);

// The estimate from the latest samples of the received byte count, one per timer tick.
class TRemainingTimeEstimate {
 public:
  static constexpr size_t MaxSamples = 10;

  // Adds the count of this tick (dropping the oldest beyond MaxSamples) and returns the label text
  // "估计剩余时间: M 分 S 秒", or none when the label keeps its text: no bytes arrived over the samples, or the
  // length is unknown or already passed.
  std::optional<std::wstring> Tick(int64_t workCount, int64_t workCountMax);

 private:
  std::deque<int64_t> FSpeedCheckPoints;
};
