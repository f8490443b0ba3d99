#pragma once

// Readers of one frame's coded data. The encoder writes a frame as 32-bit little-endian words
// whose bits are read from the most significant end, so the frame's bytes are first put in
// big-endian word order (TFrameBytes) and then read front to back. Reading past the data sets
// a flag instead of touching memory outside it; the frame then fails.

#include <cstdint>
#include <vector>

namespace corvane::macdll {

// A frame's coded bytes in reading order, followed by a few zero bytes (older encoders read
// two bytes past their frames).
class TFrameBytes {
 public:
  // Takes Bytes (a whole number of words from the frame's word-aligned start) and reorders
  // them; Padding zero bytes may be read past their end.
  void Assign(const uint8_t* Bytes, int64_t Count, int Padding);
  const uint8_t* Begin() const { return FBytes.data(); }
  const uint8_t* End() const { return FBytes.data() + FSize; }
  int64_t Size() const { return FSize; }

 private:
  std::vector<uint8_t> FBytes;
  int64_t FSize = 0;
};

// The range decoder of 3.90 and later.
class TRangeDecoder {
 public:
  TRangeDecoder(const uint8_t* Begin, const uint8_t* At, const uint8_t* End)
      : FBegin(Begin), FAt(At), FEnd(End) {}

  // Starts decoding at the current byte.
  void Start() {
    FBuffer = NextByte();
    FLow = FBuffer >> 1;
    FRange = 1u << 7;
  }
  // Restarts one byte back, as the 3.90 stereo layout does between its two channels.
  void Restart() {
    Normalize();
    if (FAt > FBegin) {
      --FAt;
    } else {
      FOverrun = true;
    }
    Start();
  }

  // A symbol of the fixed model (Cumulative: 22 starts, Width: 21 widths). The symbol's
  // interval is found by comparing against multiples of the step rather than dividing by it:
  // value >= c exactly when low >= c * step, and a division costs far more.
  uint32_t Symbol(const uint16_t* Cumulative, const uint16_t* Width) {
    Normalize();
    FHelp = FRange >> 16;
    if (FLow >= uint32_t{Cumulative[21]} * FHelp) {
      const uint32_t value = FLow / FHelp;
      Update(1, value);
      if (value > 65535) FOverrun = true;  // only damaged data gets here
      return value - 65535 + 63;
    }
    uint32_t symbol = 0;
    while (FLow >= Cumulative[symbol + 1] * FHelp) ++symbol;
    Update(Width[symbol], Cumulative[symbol]);
    return symbol;
  }
  // Bits (at most 16; 23 for the oldest range-coded files) without a model.
  uint32_t Bits(int Count) {
    const uint32_t value = Shifted(Count);
    Update(1, value);
    return value;
  }
  // A value below Total (at most 65536) of even probability.
  uint32_t Below(uint32_t Total) {
    Normalize();
    FHelp = FRange / Total;
    const uint32_t value = FLow / FHelp;
    Update(1, value);
    return value;
  }

  bool Overrun() const { return FOverrun; }

 private:
  uint32_t NextByte() {
    if (FAt < FEnd) return *FAt++;
    FOverrun = true;
    return 0;
  }
  void Normalize() {
    while (FRange <= (1u << 23)) {
      FBuffer = (FBuffer << 8) | NextByte();
      FLow = (FLow << 8) | ((FBuffer >> 1) & 0xff);
      FRange <<= 8;
    }
  }
  uint32_t Shifted(int Count) {
    Normalize();
    FHelp = FRange >> Count;
    return FLow / FHelp;
  }
  void Update(uint32_t Width, uint32_t Start) {
    FLow -= FHelp * Start;
    FRange = FHelp * Width;
  }

  const uint8_t* FBegin;
  const uint8_t* FAt;
  const uint8_t* FEnd;
  uint32_t FLow = 0;
  uint32_t FRange = 0;
  uint32_t FHelp = 1;
  uint32_t FBuffer = 0;
  bool FOverrun = false;
};

// The plain bit reader of files before 3.90.
class TBitReader {
 public:
  TBitReader(const uint8_t* Begin, const uint8_t* End)
      : FBegin(Begin), FBits(static_cast<uint64_t>(End - Begin) * 8) {}

  void Skip(uint64_t Count) {
    if (Count > FBits - FAt) {
      FAt = FBits;
      FOverrun = true;
    } else {
      FAt += Count;
    }
  }
  uint32_t Bit() {
    if (FAt >= FBits) {
      FOverrun = true;
      return 0;
    }
    const uint32_t bit = (FBegin[FAt >> 3] >> (7 - (FAt & 7))) & 1;
    ++FAt;
    return bit;
  }
  // Count bits (at most 32), the first read the most significant.
  uint32_t Bits(int Count) {
    uint32_t value = 0;
    for (int i = 0; i < Count; ++i) value = (value << 1) | Bit();
    return value;
  }
  // The number of 0 bits before the next 1 bit, which is consumed. Running out of data
  // before the 1 is an overrun.
  uint32_t Unary() {
    uint32_t count = 0;
    for (;;) {
      if (FAt >= FBits) {
        FOverrun = true;
        return count;
      }
      if (Bit() != 0) return count;
      ++count;
    }
  }
  uint64_t BitsLeft() const { return FBits - FAt; }
  bool Overrun() const { return FOverrun; }

 private:
  const uint8_t* FBegin;
  uint64_t FBits;
  uint64_t FAt = 0;
  bool FOverrun = false;
};

}  // namespace corvane::macdll
