#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// The CD frames (75 per second) of a cue sheet time "mm:ss:ff"; nothing when the minutes,
// seconds and frames fields (characters 1-2, 4-5 and 7-8) are not all two digits.
std::optional<int64_t> CueTimeToCdFrames(const std::string& Time);

// The sample frame at SampleRate that CdFrames fall on, rounded to the nearest frame with
// halves to the even neighbour. Exact: integer arithmetic, no floating-point drift on long
// images.
int64_t CdFramesToSample(int64_t CdFrames, int64_t SampleRate);
// The same, but at most Frames, the length of the file the time points into: a time past the
// end of the audio means its end.
int64_t SampleWithin(int64_t CdFrames, int64_t SampleRate, int64_t Frames);

}  // namespace corvane
