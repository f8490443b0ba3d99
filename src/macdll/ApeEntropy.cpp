#include "ApeEntropy.h"

#include <algorithm>
#include <bit>

namespace corvane::macdll {
namespace {

// Fixed symbol models of the range coder: the start of each symbol's interval of 65536 and its
// width. The first pair is used from 3.90, the second from 3.99.
constexpr uint16_t kStarts3900[22] = {0,     14824, 28224, 39348, 47855, 53994, 58171, 60926,
                                      62682, 63786, 64463, 64878, 65126, 65276, 65365, 65419,
                                      65450, 65469, 65480, 65487, 65491, 65493};
constexpr uint16_t kWidths3900[21] = {14824, 13400, 11124, 8507, 6139, 4177, 2755,
                                      1756,  1104,  677,   415,  248,  150,  89,
                                      54,    31,    19,    11,   7,    4,    2};
constexpr uint16_t kStarts3990[22] = {0,     19578, 36160, 48417, 56323, 60899, 63265, 64435,
                                      64971, 65232, 65351, 65416, 65447, 65466, 65476, 65482,
                                      65485, 65488, 65490, 65491, 65492, 65493};
constexpr uint16_t kWidths3990[21] = {19578, 16582, 12257, 7906, 4576, 2366, 1170,
                                      536,   261,   119,   65,   31,   19,   10,
                                      6,     3,     3,     2,    1,    1,    1};
// The symbol that escapes to explicitly coded bits.
constexpr uint32_t kEscape = 63;

// Residuals are coded as 0, 1, -1, 2, -2, ... (odd: positive).
int32_t Signed(uint32_t X) {
  return static_cast<int32_t>(((X >> 1) ^ ((X & 1) - 1)) + 1);
}

void AdaptRice(TRiceState& Rice, uint32_t X) {
  const uint32_t floor = Rice.K != 0 ? 1u << (Rice.K + 4) : 0;
  Rice.KSum += ((X + 1) / 2) - ((Rice.KSum + 16) >> 5);
  if (Rice.KSum < floor) {
    --Rice.K;
  } else if (Rice.KSum >= (1u << (Rice.K + 5)) && Rice.K < 24) {
    ++Rice.K;
  }
}

uint32_t BitLength(uint32_t X) {
  return static_cast<uint32_t>(std::bit_width(X));
}

uint32_t Be32(const uint8_t* P) {
  return (static_cast<uint32_t>(P[0]) << 24) | (static_cast<uint32_t>(P[1]) << 16) |
         (static_cast<uint32_t>(P[2]) << 8) | P[3];
}

}  // namespace

bool TEntropyDecoder::Begin(int Version, const TFrameBytes& Bytes, uint64_t SkipBits) {
  FVersion = Version;
  FFlags = 0;
  FRiceX = {};
  FRiceY = {};
  FBad = false;
  FRange.reset();
  FBits.reset();
  if (Version >= 3900) {
    const uint8_t* at = Bytes.Begin() + SkipBits / 8;
    const uint8_t* end = Bytes.End();
    if (SkipBits / 8 > static_cast<uint64_t>(Bytes.Size()) || end - at < 6) return false;
    FCrc = Be32(at);
    at += 4;
    if (Version > 3820 && (FCrc & 0x80000000u) != 0) {
      FCrc &= 0x7fffffffu;
      if (end - at < 6) return false;
      FFlags = Be32(at);
      at += 4;
    }
    ++at;  // the coder's first byte carries nothing
    FRange.emplace(Bytes.Begin(), at, end);
    FRange->Start();
    return true;
  }
  FBits.emplace(Bytes.Begin(), Bytes.End());
  FBits->Skip(SkipBits);
  FCrc = FBits->Bits(32);
  if (Version > 3820 && (FCrc & 0x80000000u) != 0) {
    FCrc &= 0x7fffffffu;
    FFlags = FBits->Bits(32);
  }
  return !FBits->Overrun();
}

bool TEntropyDecoder::Failed() const {
  return FBad || (FRange && FRange->Overrun()) || (FBits && FBits->Overrun());
}

int32_t TEntropyDecoder::Value3860(TRiceState& Rice) {
  TBitReader& bits = *FBits;
  uint32_t overflow = bits.Unary();
  if (FVersion > 3880) {
    while (overflow >= 16) {
      overflow -= 16;
      Rice.K += 4;
    }
  }
  uint32_t x = overflow;
  if (Rice.K > 25) {
    FBad = true;
    return 0;
  }
  if (Rice.K != 0) x = (overflow << Rice.K) + bits.Bits(static_cast<int>(Rice.K));
  Rice.KSum += x - ((Rice.KSum + 8) >> 4);
  if (Rice.KSum < (Rice.K != 0 ? 1u << (Rice.K + 4) : 0u)) {
    --Rice.K;
  } else if (Rice.KSum >= (1u << (Rice.K + 5)) && Rice.K < 24) {
    ++Rice.K;
  }
  return Signed(x);
}

int32_t TEntropyDecoder::Value3900(TRiceState& Rice) {
  TRangeDecoder& range = *FRange;
  uint32_t overflow = range.Symbol(kStarts3900, kWidths3900);
  uint32_t k = 0;
  if (overflow == kEscape) {
    k = range.Bits(5);
    overflow = 0;
  } else {
    k = Rice.K < 1 ? 0 : Rice.K - 1;
  }
  uint32_t x = 0;
  if (k <= 16 || FVersion < 3910) {
    if (k > 23) {
      FBad = true;
      return 0;
    }
    x = range.Bits(static_cast<int>(k));
  } else {
    x = range.Bits(16);
    x |= range.Bits(static_cast<int>(k - 16)) << 16;
  }
  x += overflow << k;
  AdaptRice(Rice, x);
  return Signed(x);
}

namespace {

// One residual of 3.99 and later: a model symbol counts whole steps of the channel's running
// average (the pivot), an even-probability value below the pivot adds the rest.
[[gnu::always_inline]] inline int32_t RangeValue3990(TRangeDecoder& range, TRiceState& Rice) {
  const uint32_t pivot = std::max<uint32_t>(Rice.KSum >> 5, 1);
  uint32_t overflow = range.Symbol(kStarts3990, kWidths3990);
  if (overflow == kEscape) {
    overflow = range.Bits(16) << 16;
    overflow |= range.Bits(16);
  }
  uint32_t base = 0;
  if (pivot < 0x10000) {
    base = range.Below(pivot);
  } else {
    // Too wide for one step: the high part, then the low bits.
    const int lowBits = static_cast<int>(BitLength(pivot >> 16));
    const uint32_t high = range.Below((pivot >> lowBits) + 1);
    const uint32_t low = range.Below(1u << lowBits);
    base = (high << lowBits) + low;
  }
  const uint32_t x = base + overflow * pivot;
  AdaptRice(Rice, x);
  return Signed(x);
}

}  // namespace

// The oldest scheme: a whole channel of Rice codes whose parameter follows a running sum.
void TEntropyDecoder::Array0000(int32_t* Out, int Count) {
  TBitReader& bits = *FBits;
  auto rice = [&bits](uint32_t K) {
    uint32_t x = bits.Unary();
    if (K != 0) x = (x << K) | bits.Bits(static_cast<int>(K));
    return x;
  };
  std::vector<uint32_t> raw(static_cast<size_t>(Count));
  uint32_t sum = 0;
  int i = 0;
  for (; i < std::min(Count, 5); ++i) {
    raw[i] = rice(10);
    sum += raw[i];
  }
  uint32_t k = BitLength(sum / 10);
  for (; i < std::min(Count, 64); ++i) {
    if (k >= 24) {
      FBad = true;
      return;
    }
    raw[i] = rice(k);
    sum += raw[i];
    k = BitLength(sum / ((static_cast<uint32_t>(i) + 1) * 2));
  }
  if (Count > 64) {
    k = BitLength(sum >> 7);
    uint32_t high = 1u << (k + 7);
    uint32_t low = k != 0 ? 1u << (k + 6) : 0;
    for (; i < Count; ++i) {
      if (k >= 24 || bits.BitsLeft() == 0) {
        FBad = true;
        return;
      }
      raw[i] = rice(k);
      sum += raw[i] - raw[i - 64];
      while (sum < low) {
        --k;
        low = k != 0 ? low >> 1 : 0;
        high >>= 1;
      }
      while (sum >= high) {
        if (++k > 24) {
          FBad = true;
          return;
        }
        high <<= 1;
        low = low != 0 ? low << 1 : 128;
      }
    }
  }
  for (int j = 0; j < Count; ++j) Out[j] = Signed(raw[j]);
}

void TEntropyDecoder::Mono(int32_t* Y, int Count) {
  if (FVersion < 3860) {
    Array0000(Y, Count);
  } else if (FVersion < 3900) {
    for (int i = 0; i < Count && !FBad; ++i) Y[i] = Value3860(FRiceY);
  } else if (FVersion < 3990) {
    for (int i = 0; i < Count && !FBad; ++i) Y[i] = Value3900(FRiceY);
  } else {
    // On local copies: stores to Y could alias the coder's state and force reloads.
    TRangeDecoder range = *FRange;
    TRiceState rice = FRiceY;
    for (int i = 0; i < Count; ++i) Y[i] = RangeValue3990(range, rice);
    *FRange = range;
    FRiceY = rice;
  }
}

void TEntropyDecoder::Stereo(int32_t* Y, int32_t* X, int Count) {
  if (FVersion < 3860) {
    Array0000(Y, Count);
    if (!FBad) Array0000(X, Count);
  } else if (FVersion < 3900) {
    for (int i = 0; i < Count && !FBad; ++i) Y[i] = Value3860(FRiceY);
    for (int i = 0; i < Count && !FBad; ++i) X[i] = Value3860(FRiceX);
  } else if (FVersion < 3930) {
    for (int i = 0; i < Count && !FBad; ++i) Y[i] = Value3900(FRiceY);
    FRange->Restart();
    for (int i = 0; i < Count && !FBad; ++i) X[i] = Value3900(FRiceX);
  } else if (FVersion < 3990) {
    for (int i = 0; i < Count && !FBad; ++i) {
      Y[i] = Value3900(FRiceY);
      X[i] = Value3900(FRiceX);
    }
  } else {
    TRangeDecoder range = *FRange;
    TRiceState riceY = FRiceY;
    TRiceState riceX = FRiceX;
    for (int i = 0; i < Count; ++i) {
      Y[i] = RangeValue3990(range, riceY);
      X[i] = RangeValue3990(range, riceX);
    }
    *FRange = range;
    FRiceY = riceY;
    FRiceX = riceX;
  }
}

}  // namespace corvane::macdll
