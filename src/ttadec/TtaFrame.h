#pragma once

#include <cstddef>
#include <cstdint>

#include "TtaHeader.h"

namespace corvane::ttadec {

// Decodes the coded samples of one TTA frame (its bytes without the closing CRC) into Samples
// sample frames of interleaved little-endian PCM, laid out as a WAV file's data: 8-bit
// unsigned with 128 as zero, 16- and 24-bit signed. Every frame starts the decoder afresh, so
// frames decode independently of each other.
//
// Returns false when the bits do not decode: they end before the last sample, a code is
// longer than any encoder writes, or a sample falls outside the file's depth. Pcm may hold
// part of the frame then.
bool DecodeTtaFrame(const TTtaHeader& Header, const uint8_t* Coded, size_t CodedBytes,
                    int64_t Samples, uint8_t* Pcm);

}  // namespace corvane::ttadec
