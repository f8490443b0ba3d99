#include "CueTime.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr int64_t kCdFramesPerSecond = 75;

std::optional<int64_t> TwoDigits(const std::string& Time, size_t At) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (Time.size() < At + 2 || !digit(Time[At]) || !digit(Time[At + 1])) return std::nullopt;
  return (Time[At] - '0') * 10 + (Time[At + 1] - '0');
}

}  // namespace

std::optional<int64_t> CueTimeToCdFrames(const std::string& Time) {
  const auto minutes = TwoDigits(Time, 0);
  const auto seconds = TwoDigits(Time, 3);
  const auto frames = TwoDigits(Time, 6);
  if (!minutes || !seconds || !frames) return std::nullopt;
  return (*minutes * 60 + *seconds) * kCdFramesPerSecond + *frames;
}

int64_t CdFramesToSample(int64_t CdFrames, int64_t SampleRate) {
  const int64_t product = CdFrames * SampleRate;
  int64_t sample = product / kCdFramesPerSecond;
  const int64_t twiceRest = 2 * (product % kCdFramesPerSecond);
  if (twiceRest > kCdFramesPerSecond || (twiceRest == kCdFramesPerSecond && sample % 2 != 0)) {
    ++sample;
  }
  return sample;
}

int64_t SampleWithin(int64_t CdFrames, int64_t SampleRate, int64_t Frames) {
  return std::min(CdFramesToSample(CdFrames, SampleRate), Frames);
}

}  // namespace corvane
