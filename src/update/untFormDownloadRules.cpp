#include "update/untFormDownloadRules.h"

#include <algorithm>

std::optional<int> ProgressPosition(int32_t workCount, int32_t workCountMax) {
  if (workCountMax == 0) return std::nullopt;
  const int64_t percent = int64_t{workCount} * 100 / workCountMax;
  return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}

std::optional<std::wstring> TRemainingTimeEstimate::Tick(int64_t workCount, int64_t workCountMax) {
  FSpeedCheckPoints.push_back(workCount);
  if (FSpeedCheckPoints.size() > MaxSamples) FSpeedCheckPoints.pop_front();
  // Divided by the number of samples, not of the intervals between them: the estimate runs a little long.
  const double rate = static_cast<double>(FSpeedCheckPoints.back() - FSpeedCheckPoints.front()) /
                      static_cast<double>(FSpeedCheckPoints.size());
  const int64_t remaining = workCountMax - workCount;
  // A body of unknown length, or one longer than announced, has no remaining time to tell.
  if (rate <= 0 || workCountMax <= 0 || remaining < 0) return std::nullopt;
  // Whole 100-nanosecond ticks, as a duration is counted; a crawl of a few bytes still stays within range.
  const int64_t ticks = static_cast<int64_t>(std::min(remaining / rate * 10000000.0, 9.0e18));
  const int64_t totalSeconds = ticks / 10000000;
  return L"估计剩余时间: " + std::to_wstring(totalSeconds / 60) + L" 分 " + std::to_wstring(totalSeconds % 60) + L" 秒";
}
