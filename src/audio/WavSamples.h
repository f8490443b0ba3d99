#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Writes Count samples, right-justified in 32 bits, as a WAV file's data of Bytes bytes per
// sample: 8-bit unsigned with 128 as zero, wider ones signed little-endian.
void PutWavSamples(const int32_t* Samples, size_t Count, int Bytes, uint8_t* Dest);

}  // namespace corvane
