#include "TtaFrame.h"

#include <array>
#include <bit>

namespace corvane::ttadec {
namespace {

// The coded bits, taken from the low bit of each byte up.
class TLsbFirstBits {
 public:
  TLsbFirstBits(const uint8_t* Bytes, size_t Count) : FNext(Bytes), FEnd(Bytes + Count) {}

  // The ones before the next zero, which is taken too; false when the bits end first.
  bool Unary(uint32_t& Ones) {
    Ones = 0;
    for (;;) {
      Fill();
      if (FHeld == 0) return false;
      // The bits above those held are zeros, so the run never counts past them.
      const int run = std::countr_one(FCache);
      if (run < FHeld) {
        Ones += static_cast<uint32_t>(run);
        Drop(run + 1);
        return true;
      }
      Ones += static_cast<uint32_t>(run);
      Drop(run);
    }
  }

  // The next Count bits (up to 32), the first one lowest; false when fewer are left.
  bool Bits(int Count, uint32_t& Value) {
    Fill();
    if (FHeld < Count) return false;
    Value = static_cast<uint32_t>(FCache & ((uint64_t{1} << Count) - 1));
    Drop(Count);
    return true;
  }

 private:
  void Fill() {
    while (FHeld <= 56 && FNext < FEnd) {
      FCache |= uint64_t{*FNext++} << FHeld;
      FHeld += 8;
    }
  }
  void Drop(int Count) {
    FCache = Count >= 64 ? 0 : FCache >> Count;
    FHeld -= Count;
  }

  const uint8_t* FNext;
  const uint8_t* FEnd;
  uint64_t FCache = 0;
  int FHeld = 0;
};

// Sums and products wrap at 32 bits, as in the encoder's arithmetic; damaged data may drive
// them anywhere, and must not make that undefined.
int32_t Wrap(uint32_t Value) {
  return static_cast<int32_t>(Value);
}
int32_t Add(int32_t A, int32_t B) {
  return Wrap(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}
int32_t Sub(int32_t A, int32_t B) {
  return Wrap(static_cast<uint32_t>(A) - static_cast<uint32_t>(B));
}

// 2 to the power N, held at 2^31 from there on: the thresholds the code lengths adapt by.
uint32_t Power(uint32_t N) {
  return N < 31 ? uint32_t{1} << N : uint32_t{1} << 31;
}

// The adaptive Rice code of one channel: the low K[0] bits of every value are sent as they
// are, the rest in unary; a value past the first step comes as a second one coded with K[1].
// Each K follows the running mean of what it codes (Sum holds sixteen times it).
struct TRice {
  std::array<uint32_t, 2> K{10, 10};
  std::array<uint32_t, 2> Sum{Power(14), Power(14)};

  void Adapt(int Which, uint32_t Value) {
    uint32_t& k = K[Which];
    uint32_t& sum = Sum[Which];
    sum += Value - (sum >> 4);
    if (k > 0 && sum < Power(k + 4)) {
      --k;
    } else if (sum > Power(k + 5)) {
      ++k;
    }
  }
};

// The adaptive filter of one channel: eight taps over the last values and their differences,
// each tap nudged by a fixed step in the direction of the last error's sign.
struct TFilter {
  int Shift = 0;
  int32_t Error = 0;
  std::array<int32_t, 8> Taps{};
  std::array<int32_t, 8> Steps{};
  std::array<int32_t, 8> History{};

  explicit TFilter(int BitsPerSample) : Shift(BitsPerSample == 16 ? 9 : 10) {}

  int32_t Run(int32_t Residual);
};

int32_t TFilter::Run(int32_t Residual) {
  if (Error != 0) {
    for (size_t i = 0; i < 8; ++i)
      Taps[i] = Error > 0 ? Add(Taps[i], Steps[i]) : Sub(Taps[i], Steps[i]);
  }
  uint32_t sum = uint32_t{1} << (Shift - 1);  // rounds the shift below to nearest
  for (size_t i = 0; i < 8; ++i)
    sum += static_cast<uint32_t>(History[i]) * static_cast<uint32_t>(Taps[i]);
  for (size_t i = 0; i < 4; ++i) {
    Steps[i] = Steps[i + 1];
    History[i] = History[i + 1];
  }
  // The newest four taps move by larger steps, in the direction of their input's sign.
  constexpr std::array<int32_t, 4> kStep{1, 2, 2, 4};
  for (size_t i = 4; i < 8; ++i) Steps[i] = History[i] < 0 ? -kStep[i - 4] : kStep[i - 4];
  Error = Residual;
  const int32_t value = Add(Residual, Wrap(sum) >> Shift);
  // The value and its first, second and third differences.
  const int32_t first = Sub(value, History[7]);
  const int32_t second = Sub(first, History[6]);
  History[4] = Sub(second, History[5]);
  History[5] = second;
  History[6] = first;
  History[7] = value;
  return value;
}

struct TChannel {
  TRice Rice;
  TFilter Filter;
  int32_t Last = 0;

  explicit TChannel(int BitsPerSample) : Filter(BitsPerSample) {}
};

// The longest low part a code may have: beyond it the value cannot be a sample's.
constexpr uint32_t kMaxLowBits = 31;

// One sample of Channel; false when the bits do not decode.
bool DecodeSample(TLsbFirstBits& Bits, TChannel& Channel, int PredictionShift, int32_t& Sample) {
  uint32_t ones = 0;
  if (!Bits.Unary(ones)) return false;
  // No ones: a value below the first step, coded with K[0]. Otherwise the value past that
  // step, coded with K[1].
  const int which = ones == 0 ? 0 : 1;
  if (which == 1) --ones;
  const uint32_t k = Channel.Rice.K[which];
  uint32_t low = 0;
  if (k > kMaxLowBits || !Bits.Bits(static_cast<int>(k), low)) return false;
  uint32_t value = (ones << k) + low;
  if (which == 1) {
    Channel.Rice.Adapt(1, value);
    value += Power(Channel.Rice.K[0]);
  }
  Channel.Rice.Adapt(0, value);
  // Odd values are the positive residuals, even ones zero and the negative.
  const int32_t residual = Wrap((value & 1) != 0 ? (value >> 1) + 1 : 0 - (value >> 1));
  const int32_t filtered = Channel.Filter.Run(residual);
  // The first-order prediction: the last sample times 15/16 (8-bit) or 31/32.
  const int64_t scale = (int64_t{1} << PredictionShift) - 1;
  Sample = Add(filtered, static_cast<int32_t>(Channel.Last * scale >> PredictionShift));
  Channel.Last = Sample;
  return true;
}

void Put(uint8_t*& Out, int32_t Sample, int Bytes) {
  if (Bytes == 1) {
    *Out++ = static_cast<uint8_t>(Sample + 128);
    return;
  }
  for (int i = 0; i < Bytes; ++i)
    *Out++ = static_cast<uint8_t>(static_cast<uint32_t>(Sample) >> (8 * i));
}

}  // namespace

bool DecodeTtaFrame(const TTtaHeader& Header, const uint8_t* Coded, size_t CodedBytes,
                    int64_t Samples, uint8_t* Pcm) {
  std::array<TChannel, 2> channels{TChannel(Header.BitsPerSample), TChannel(Header.BitsPerSample)};
  TLsbFirstBits bits(Coded, CodedBytes);
  const int predictionShift = Header.BitsPerSample == 8 ? 4 : 5;
  const int bytes = Header.BitsPerSample / 8;
  const int32_t highest = (int32_t{1} << (Header.BitsPerSample - 1)) - 1;
  const bool stereo = Header.Channels == 2;
  std::array<int32_t, 2> sample{};
  for (int64_t n = 0; n < Samples; ++n) {
    for (int c = 0; c < Header.Channels; ++c) {
      if (!DecodeSample(bits, channels[static_cast<size_t>(c)], predictionShift,
                        sample[static_cast<size_t>(c)])) {
        return false;
      }
    }
    if (stereo) {
      // The encoder sends the second channel less the first, then the second channel less
      // half of that difference (rounded toward zero): near the mean of the two.
      sample[1] = Add(sample[1], sample[0] / 2);
      sample[0] = Sub(sample[1], sample[0]);
    }
    for (int c = 0; c < Header.Channels; ++c) {
      const int32_t value = sample[static_cast<size_t>(c)];
      if (value > highest || value < -highest - 1) return false;
      Put(Pcm, value, bytes);
    }
  }
  return true;
}

}  // namespace corvane::ttadec
