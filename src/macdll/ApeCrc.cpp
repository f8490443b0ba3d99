#include "ApeCrc.h"

#include <array>
#include <bit>
#include <cstring>

namespace corvane::macdll {
namespace {

// Tables for eight bytes a step ("slicing by 8"): the PCM of a frame is megabytes long.
using TCrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr TCrcTables MakeTables() {
  TCrcTables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    tables[0][i] = crc;
  }
  for (size_t t = 1; t < 8; ++t) {
    for (size_t i = 0; i < 256; ++i) {
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xff];
    }
  }
  return tables;
}

constexpr TCrcTables kTables = MakeTables();

}  // namespace

uint32_t CrcUpdate(uint32_t Crc, const uint8_t* Bytes, size_t Count) {
  while (Count >= 8) {
    uint32_t low = 0;
    uint32_t high = 0;
    std::memcpy(&low, Bytes, 4);
    std::memcpy(&high, Bytes + 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      low = __builtin_bswap32(low);
      high = __builtin_bswap32(high);
    }
    low ^= Crc;
    Crc = kTables[7][low & 0xff] ^ kTables[6][(low >> 8) & 0xff] ^
          kTables[5][(low >> 16) & 0xff] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xff] ^
          kTables[2][(high >> 8) & 0xff] ^ kTables[1][(high >> 16) & 0xff] ^
          kTables[0][high >> 24];
    Bytes += 8;
    Count -= 8;
  }
  while (Count-- > 0) Crc = (Crc >> 8) ^ kTables[0][(Crc ^ *Bytes++) & 0xff];
  return Crc;
}

}  // namespace corvane::macdll
