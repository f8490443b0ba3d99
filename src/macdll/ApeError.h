#pragma once

#include <cstdint>

namespace corvane::macdll {

// A failure with one of the library's error codes, raised inside the library only.
struct TMacError {
  int32_t Code;
};

}  // namespace corvane::macdll
