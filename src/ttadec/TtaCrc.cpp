#include "TtaCrc.h"

#include <array>

namespace corvane::ttadec {
namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t value = byte;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xedb88320u : value >> 1;
    table[byte] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t TtaCrcUpdate(uint32_t Running, const uint8_t* Bytes, size_t Count) {
  // A byte at a time is plenty: a frame is a few hundred kilobytes, decoded at far more
  // cost than its CRC.
  for (size_t i = 0; i < Count; ++i) Running = (Running >> 8) ^ kTable[(Running ^ Bytes[i]) & 0xff];
  return Running;
}

}  // namespace corvane::ttadec
