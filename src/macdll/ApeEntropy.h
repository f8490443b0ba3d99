#pragma once

#include <cstdint>
#include <optional>

#include "ApeBitstream.h"

namespace corvane::macdll {

// The adaptive Rice parameter that each channel's entropy coder keeps.
struct TRiceState {
  uint32_t K = 10;
  uint32_t KSum = 16u << 10;
};

// Turns a frame's coded bytes into the residuals of each channel, in the scheme of the file's
// version: Rice codes in a plain bit stream before 3.90 (two generations), a range coder from
// 3.90 (channels one after the other, then interleaved from 3.93, with a new model from 3.99).
class TEntropyDecoder {
 public:
  // Reads the frame's CRC and flags after SkipBits bits of Bytes and readies the coder. False
  // when the frame is too short to hold them.
  bool Begin(int Version, const TFrameBytes& Bytes, uint64_t SkipBits);
  // The CRC as stored (with the flag bit cleared) and the frame flags (0 when none).
  uint32_t Crc() const { return FCrc; }
  uint32_t Flags() const { return FFlags; }

  // The next Count residuals of a single coded channel.
  void Mono(int32_t* Y, int Count);
  // The next Count residuals of both channels (before 3.93: the whole frame at once).
  void Stereo(int32_t* Y, int32_t* X, int Count);

  // The data ran out, or held a value no encoder writes.
  bool Failed() const;

 private:
  int32_t Value3860(TRiceState& Rice);
  int32_t Value3900(TRiceState& Rice);
  void Array0000(int32_t* Out, int Count);

  int FVersion = 0;
  uint32_t FCrc = 0;
  uint32_t FFlags = 0;
  TRiceState FRiceX;
  TRiceState FRiceY;
  std::optional<TRangeDecoder> FRange;
  std::optional<TBitReader> FBits;
  bool FBad = false;
};

}  // namespace corvane::macdll
