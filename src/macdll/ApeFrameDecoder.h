#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ApeBitstream.h"
#include "ApeEntropy.h"
#include "ApeHeader.h"
#include "ApeNNFilter.h"
#include "ApePredictor.h"

namespace corvane::macdll {

// How a frame's adaptive stages computed. Encoders differ here: most wrap in 32 bits, some
// add the filters' rounding term or run the predictor in 64 bits. A frame is decoded the
// common way first and, when its CRC does not match, again the other ways.
struct TArithmetic {
  bool WideFilters = false;
  bool WidePredictor = false;
  bool operator==(const TArithmetic&) const = default;
};
// "32-bit", "64-bit filters", "64-bit predictor" or "64-bit".
std::string ArithmeticName(TArithmetic Arithmetic);

// Decodes single frames of one file into its PCM layout (interleaved little-endian, 8-bit
// unsigned), checking each against its CRC.
class TFrameDecoder {
 public:
  explicit TFrameDecoder(const TApeHeader& Header);

  // Decodes the frame of Blocks blocks in Bytes, whose data starts SkipBits into them, into
  // Pcm (Blocks whole frames). Returns 0, or MAC_ERROR_DECOMPRESSING_FRAME when the data is
  // damaged or no arithmetic reproduces the frame's CRC. Used gets the arithmetic that did.
  // Only, for tests, limits the decoder to that one arithmetic.
  int32_t Decode(const TFrameBytes& Bytes, uint64_t SkipBits, int64_t Blocks, uint8_t* Pcm,
                 TArithmetic& Used, const TArithmetic* Only = nullptr);

 private:
  enum class TOutcome { Good, CrcMismatch, Damaged };
  TOutcome DecodeWith(TArithmetic Arithmetic, const TFrameBytes& Bytes, uint64_t SkipBits,
                      int64_t Blocks, uint8_t* Pcm);
  void Filter(int Channel, int32_t* Data, int Count, bool Wide);

  int FVersion;
  int FBitsPerSample;
  int FChannels;
  TEntropyDecoder FEntropy;
  TPredictor FPredictor;
  // The filter stages of each channel, applied in this order.
  std::array<std::vector<std::unique_ptr<TNNFilter>>, 2> FFilters;
  std::vector<int32_t> FY;
  std::vector<int32_t> FX;
};

}  // namespace corvane::macdll
