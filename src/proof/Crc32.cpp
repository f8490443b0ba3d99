#include "Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace corvane::proof {

void TCrc32::Add(const uint8_t* Data, size_t Bytes) {
  Count += static_cast<int64_t>(Bytes);
  // zlib's length is an unsigned int in older releases; pieces keep any size safe.
  constexpr size_t kPiece = size_t{1} << 30;
  while (Bytes > 0) {
    const size_t piece = std::min(Bytes, kPiece);
    Crc = static_cast<uint32_t>(crc32(Crc, Data, static_cast<uInt>(piece)));
    Data += piece;
    Bytes -= piece;
  }
}

uint32_t CombineCrc32(uint32_t First, uint32_t Second, int64_t SecondBytes) {
  return static_cast<uint32_t>(crc32_combine64(First, Second, SecondBytes));
}

}  // namespace corvane::proof
