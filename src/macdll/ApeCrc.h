#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::macdll {

// The standard CRC-32 (IEEE 802.3, reflected) that frames carry of their PCM. Start with
// kCrcStart, feed the bytes in order, and Finish.
constexpr uint32_t kCrcStart = 0xffffffffu;
uint32_t CrcUpdate(uint32_t Crc, const uint8_t* Bytes, size_t Count);
constexpr uint32_t CrcFinish(uint32_t Crc) {
  return ~Crc;
}

}  // namespace corvane::macdll
