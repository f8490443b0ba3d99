#include "WavSamples.h"

namespace corvane {

void PutWavSamples(const int32_t* Samples, size_t Count, int Bytes, uint8_t* Dest) {
  if (Bytes == 1) {
    for (size_t i = 0; i < Count; ++i) Dest[i] = static_cast<uint8_t>(Samples[i] + 128);
    return;
  }
  for (size_t i = 0; i < Count; ++i) {
    const auto value = static_cast<uint32_t>(Samples[i]);
    for (int b = 0; b < Bytes; ++b) *Dest++ = static_cast<uint8_t>(value >> (8 * b));
  }
}

}  // namespace corvane
