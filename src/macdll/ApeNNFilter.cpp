#include "ApeNNFilter.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "ApeArithmetic.h"

namespace corvane::macdll {
namespace {

// The dot product of the coefficients with the history, moving each coefficient by Step
// times its adaption entry on the way. Written for the compiler to vectorise: 16-bit
// products summed in 32 bits (pmaddwd), the sum wrapping as the encoder's does.
[[gnu::always_inline]] inline uint32_t DotAndAdapt(int16_t* __restrict Coeffs,
                                                   const int16_t* __restrict Delay,
                                                   const int16_t* __restrict Adapt, int Order,
                                                   int Step) {
  uint32_t dot = 0;
  for (int i = 0; i < Order; ++i) {
    dot += static_cast<uint32_t>(Coeffs[i] * Delay[i]);
    Coeffs[i] = static_cast<int16_t>(Coeffs[i] + Step * Adapt[i]);
  }
  return dot;
}

int16_t Clip16(int32_t X) {
  return static_cast<int16_t>(std::clamp<int32_t>(X, INT16_MIN, INT16_MAX));
}

[[gnu::always_inline]] inline void FilterSamples(TNNFilter::TState& S, int32_t* Data, int Count,
                                                 bool WideRounding) {
  const int order = S.Order;
  const int shift = S.Shift;
  const int32_t round = 1 << (shift - 1);
  for (int n = 0; n < Count; ++n) {
    const int32_t input = Data[n];
    int16_t* delay = S.Delay + S.Position;
    int16_t* adapt = S.Adapt + S.Position;
    const uint32_t dot =
        DotAndAdapt(S.Coeffs, delay - order, adapt - order, order, InverseSign(input));
    int32_t filtered = 0;
    if (WideRounding) {
      filtered = static_cast<int32_t>((int64_t{static_cast<int32_t>(dot)} + round) >> shift);
    } else {
      filtered = static_cast<int32_t>(dot + static_cast<uint32_t>(round)) >> shift;
    }
    const int32_t output = WrapAdd(filtered, input);
    Data[n] = output;
    *delay = Clip16(output);

    if (S.NewAdaption) {
      // Steps of 8, 16 or 32 against the output's sign, larger the further the output lies
      // above its running average.
      const uint32_t magnitude =
          output < 0 ? 0u - static_cast<uint32_t>(output) : static_cast<uint32_t>(output);
      if (magnitude != 0) {
        const int scale = (magnitude > uint64_t{S.Average} * 3) +
                          (magnitude > S.Average + S.Average / 3);
        *adapt = static_cast<int16_t>(InverseSign(output) * (8 << scale));
      } else {
        *adapt = 0;
      }
      S.Average += static_cast<uint32_t>(static_cast<int32_t>(magnitude - S.Average) / 16);
      adapt[-1] = static_cast<int16_t>(adapt[-1] >> 1);
      adapt[-2] = static_cast<int16_t>(adapt[-2] >> 1);
      adapt[-8] = static_cast<int16_t>(adapt[-8] >> 1);
    } else {
      *adapt = static_cast<int16_t>(output == 0 ? 0 : output < 0 ? 4 : -4);
      adapt[-4] = static_cast<int16_t>(adapt[-4] >> 1);
      adapt[-8] = static_cast<int16_t>(adapt[-8] >> 1);
    }

    if (++S.Position == order + TNNFilter::kWindow) {
      // Keep the last Order entries of both histories at the front and go on from there.
      std::memmove(S.Delay, S.Delay + TNNFilter::kWindow, sizeof(int16_t) * order);
      std::memmove(S.Adapt, S.Adapt + TNNFilter::kWindow, sizeof(int16_t) * order);
      S.Position = order;
    }
  }
}

// The same loop compiled for each instruction set; one is picked at run time, so the library
// still runs on any x86-64.
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] void FilterAvx2(TNNFilter::TState& S, int32_t* Data, int Count,
                                         bool Wide) {
  FilterSamples(S, Data, Count, Wide);
}
[[gnu::target("sse4.1")]] void FilterSse41(TNNFilter::TState& S, int32_t* Data, int Count,
                                            bool Wide) {
  FilterSamples(S, Data, Count, Wide);
}
#endif
void FilterBaseline(TNNFilter::TState& S, int32_t* Data, int Count, bool Wide) {
  FilterSamples(S, Data, Count, Wide);
}

using TFilterKernel = void (*)(TNNFilter::TState&, int32_t*, int, bool);

TFilterKernel KernelFor(TSimdLevel Level) {
#if defined(__x86_64__) || defined(__i386__)
  if (Level == TSimdLevel::Avx2) return FilterAvx2;
  if (Level == TSimdLevel::Sse41) return FilterSse41;
#endif
  return FilterBaseline;
}

std::atomic<TSimdLevel>& LevelInUse() {
  static std::atomic<TSimdLevel> level{DetectedSimdLevel()};
  return level;
}

}  // namespace

TSimdLevel DetectedSimdLevel() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return TSimdLevel::Avx2;
  if (__builtin_cpu_supports("sse4.1")) return TSimdLevel::Sse41;
#endif
  return TSimdLevel::Baseline;
}

TSimdLevel UseSimdLevel(TSimdLevel Level) {
  return LevelInUse().exchange(std::min(Level, DetectedSimdLevel()));
}

TNNFilter::TNNFilter(int Order, int FractionBits, int Version)
    : FOrder(Order),
      FShift(FractionBits),
      FNewAdaption(Version >= 3980),
      FCoeffs(static_cast<size_t>(Order)),
      FDelay(static_cast<size_t>(Order + kWindow)),
      FAdapt(static_cast<size_t>(Order + kWindow)) {
  Reset();
}

void TNNFilter::Reset() {
  std::fill(FCoeffs.begin(), FCoeffs.end(), int16_t{0});
  std::fill(FDelay.begin(), FDelay.begin() + FOrder, int16_t{0});
  std::fill(FAdapt.begin(), FAdapt.begin() + FOrder, int16_t{0});
  FPosition = FOrder;
  FAverage = 0;
}

void TNNFilter::Apply(int32_t* Data, int Count, bool WideRounding) {
  TState state{FOrder,         FShift,        FNewAdaption, FCoeffs.data(),
               FDelay.data(),  FAdapt.data(), FPosition,    FAverage};
  KernelFor(LevelInUse().load(std::memory_order_relaxed))(state, Data, Count, WideRounding);
  FPosition = state.Position;
  FAverage = state.Average;
}

}  // namespace corvane::macdll
