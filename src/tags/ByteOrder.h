#pragma once

#include <cstdint>
#include <string>

namespace corvane {

inline uint32_t LittleEndian32(const uint8_t* Bytes) {
  return uint32_t{Bytes[0]} | uint32_t{Bytes[1]} << 8 | uint32_t{Bytes[2]} << 16 |
         uint32_t{Bytes[3]} << 24;
}

inline uint32_t BigEndian24(const uint8_t* Bytes) {
  return uint32_t{Bytes[0]} << 16 | uint32_t{Bytes[1]} << 8 | Bytes[2];
}

inline uint32_t BigEndian32(const uint8_t* Bytes) {
  return BigEndian24(Bytes) << 8 | Bytes[3];
}

inline void AppendLittleEndian32(std::string& Out, uint32_t Value) {
  for (int shift = 0; shift < 32; shift += 8) Out += static_cast<char>((Value >> shift) & 0xFF);
}

inline void AppendBigEndian24(std::string& Out, uint32_t Value) {
  for (int shift = 16; shift >= 0; shift -= 8) Out += static_cast<char>((Value >> shift) & 0xFF);
}

inline void AppendBigEndian32(std::string& Out, uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8) Out += static_cast<char>((Value >> shift) & 0xFF);
}

}  // namespace corvane
