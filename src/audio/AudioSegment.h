#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// A range of sample frames of one file.
struct TAudioSegment {
  std::string FileName;
  int64_t StartSample = 0;
  int64_t EndSample = -1;  // one past the last frame; -1 is the end of the file

  bool operator==(const TAudioSegment&) const = default;
};

}  // namespace corvane
