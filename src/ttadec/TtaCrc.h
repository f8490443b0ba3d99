#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::ttadec {

// The CRC-32 of zlib and Ethernet (reflected, polynomial 0xedb88320), which the TTA header,
// its seek table and every frame carry of their bytes. Feed the bytes in pieces to a running
// value that starts at kCrcStart; TtaCrcValue gives the value the file stores.
inline constexpr uint32_t kCrcStart = 0xffffffffu;
uint32_t TtaCrcUpdate(uint32_t Running, const uint8_t* Bytes, size_t Count);
constexpr uint32_t TtaCrcValue(uint32_t Running) {
  return ~Running;
}
inline uint32_t TtaCrc(const uint8_t* Bytes, size_t Count) {
  return TtaCrcValue(TtaCrcUpdate(kCrcStart, Bytes, Count));
}

}  // namespace corvane::ttadec
