#include "ApeBitstream.h"

#include <algorithm>

namespace corvane::macdll {

void TFrameBytes::Assign(const uint8_t* Bytes, int64_t Count, int Padding) {
  const int64_t words = (Count + 3) / 4;
  FSize = words * 4 + Padding;
  if (static_cast<int64_t>(FBytes.size()) < FSize) FBytes.resize(static_cast<size_t>(FSize));
  std::fill(FBytes.begin(), FBytes.begin() + FSize, uint8_t{0});
  for (int64_t i = 0; i < Count; ++i) FBytes[static_cast<size_t>((i & ~3) + 3 - (i & 3))] = Bytes[i];
}

}  // namespace corvane::macdll
