#pragma once

// The filter loop of TNNFilter, included by one source file per instruction set, each built
// with that set enabled (ApeNNFilterAvx2.cpp with -mavx2, and so on); ApeNNFilter.cpp picks
// the build the processor runs. Everything here has internal linkage on purpose: a function
// shared between those files could be merged into one copy built for the wrong set.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "ApeNNFilter.h"

namespace corvane::macdll {
namespace {

// The dot product of the coefficients with the history, moving each coefficient by Step
// (-1, 0 or 1) times its adaption entry on the way: 16-bit products summed in 32 bits,
// wrapping as the encoder's sum does.
[[gnu::always_inline]] inline uint32_t DotAndAdaptPlain(int16_t* __restrict Coeffs,
                                                        const int16_t* __restrict Delay,
                                                        const int16_t* __restrict Adapt,
                                                        int Order, int Step) {
  uint32_t dot = 0;
  for (int i = 0; i < Order; ++i) {
    dot += static_cast<uint32_t>(Coeffs[i] * Delay[i]);
    Coeffs[i] = static_cast<int16_t>(Coeffs[i] + Step * Adapt[i]);
  }
  return dot;
}

#if defined(__AVX2__)
[[gnu::always_inline]] inline uint32_t DotAndAdapt(int16_t* Coeffs, const int16_t* Delay,
                                                   const int16_t* Adapt, int Order, int Step) {
  if (Order % 16 != 0) return DotAndAdaptPlain(Coeffs, Delay, Adapt, Order, Step);
  const __m256i step = _mm256_set1_epi16(static_cast<int16_t>(Step));
  __m256i sum = _mm256_setzero_si256();
  for (int i = 0; i < Order; i += 16) {
    auto* c = reinterpret_cast<__m256i*>(Coeffs + i);
    const __m256i coeffs = _mm256_loadu_si256(c);
    const __m256i delay = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Delay + i));
    const __m256i adapt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Adapt + i));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(coeffs, delay));
    _mm256_storeu_si256(c, _mm256_add_epi16(coeffs, _mm256_sign_epi16(adapt, step)));
  }
  __m128i half = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
  half = _mm_add_epi32(half, _mm_shuffle_epi32(half, 0x4e));
  half = _mm_add_epi32(half, _mm_shuffle_epi32(half, 0xb1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(half));
}
#elif defined(__SSE2__)
[[gnu::always_inline]] inline uint32_t DotAndAdapt(int16_t* Coeffs, const int16_t* Delay,
                                                   const int16_t* Adapt, int Order, int Step) {
  if (Order % 8 != 0) return DotAndAdaptPlain(Coeffs, Delay, Adapt, Order, Step);
  const __m128i step = _mm_set1_epi16(static_cast<int16_t>(Step));
  __m128i sum = _mm_setzero_si128();
  for (int i = 0; i < Order; i += 8) {
    auto* c = reinterpret_cast<__m128i*>(Coeffs + i);
    const __m128i coeffs = _mm_loadu_si128(c);
    const __m128i delay = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Delay + i));
    const __m128i adapt = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Adapt + i));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(coeffs, delay));
#if defined(__SSSE3__)
    const __m128i move = _mm_sign_epi16(adapt, step);
#else
    const __m128i move = _mm_mullo_epi16(adapt, step);
#endif
    _mm_storeu_si128(c, _mm_add_epi16(coeffs, move));
  }
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
}
#else
[[gnu::always_inline]] inline uint32_t DotAndAdapt(int16_t* Coeffs, const int16_t* Delay,
                                                   const int16_t* Adapt, int Order, int Step) {
  return DotAndAdaptPlain(Coeffs, Delay, Adapt, Order, Step);
}
#endif

// Local versions of the helpers of ApeArithmetic.h, for the reason above.
inline int32_t StepOf(int32_t X) {
  return (X < 0) - (X > 0);
}
inline int32_t AddWrapping(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}

inline int16_t Clip16(int32_t X) {
  return static_cast<int16_t>(X < -32768 ? -32768 : X > 32767 ? 32767 : X);
}

// One filter's state in locals while a run of samples goes through it: stores to the samples
// could otherwise alias the state's fields and force reloads. Order is a constant for the
// orders encoders use, so the dot product compiles to straight vector code; 0 takes it from
// the state.
template <int FixedOrder>
class TFilterRun {
 public:
  TFilterRun(TNNFilter::TState& S, bool WideRounding)
      : FState(S),
        FOrder(FixedOrder != 0 ? FixedOrder : S.Order),
        FShift(S.Shift),
        FRound(1 << (S.Shift - 1)),
        FNewAdaption(S.NewAdaption),
        FWide(WideRounding),
        FCoeffs(S.Coeffs),
        FDelays(S.Delay),
        FAdapts(S.Adapt),
        FPosition(S.Position),
        FAverage(S.Average) {}
  ~TFilterRun() {
    FState.Position = FPosition;
    FState.Average = FAverage;
  }
  TFilterRun(const TFilterRun&) = delete;
  TFilterRun& operator=(const TFilterRun&) = delete;

  [[gnu::always_inline]] int32_t Step(int32_t Input) {
    int16_t* delay = FDelays + FPosition;
    int16_t* adapt = FAdapts + FPosition;
    const uint32_t dot = DotAndAdapt(FCoeffs, delay - FOrder, adapt - FOrder, FOrder, StepOf(Input));
    int32_t filtered = 0;
    if (FWide) {
      filtered = static_cast<int32_t>((int64_t{static_cast<int32_t>(dot)} + FRound) >> FShift);
    } else {
      filtered = static_cast<int32_t>(dot + static_cast<uint32_t>(FRound)) >> FShift;
    }
    const int32_t output = AddWrapping(filtered, Input);
    *delay = Clip16(output);

    if (FNewAdaption) {
      // Steps of 8, 16 or 32 against the output's sign, larger the further the output lies
      // above its running average.
      const uint32_t magnitude =
          output < 0 ? 0u - static_cast<uint32_t>(output) : static_cast<uint32_t>(output);
      if (magnitude != 0) {
        const int scale =
            (magnitude > uint64_t{FAverage} * 3) + (magnitude > FAverage + FAverage / 3);
        *adapt = static_cast<int16_t>(StepOf(output) * (8 << scale));
      } else {
        *adapt = 0;
      }
      FAverage += static_cast<uint32_t>(static_cast<int32_t>(magnitude - FAverage) / 16);
      adapt[-1] = static_cast<int16_t>(adapt[-1] >> 1);
      adapt[-2] = static_cast<int16_t>(adapt[-2] >> 1);
      adapt[-8] = static_cast<int16_t>(adapt[-8] >> 1);
    } else {
      *adapt = static_cast<int16_t>(output == 0 ? 0 : output < 0 ? 4 : -4);
      adapt[-4] = static_cast<int16_t>(adapt[-4] >> 1);
      adapt[-8] = static_cast<int16_t>(adapt[-8] >> 1);
    }

    if (++FPosition == FOrder + TNNFilter::kWindow) {
      // Keep the last Order entries of both histories at the front and go on from there.
      std::memmove(FDelays, FDelays + TNNFilter::kWindow, sizeof(int16_t) * FOrder);
      std::memmove(FAdapts, FAdapts + TNNFilter::kWindow, sizeof(int16_t) * FOrder);
      FPosition = FOrder;
    }
    return output;
  }

 private:
  TNNFilter::TState& FState;
  const int FOrder;
  const int FShift;
  const int32_t FRound;
  const bool FNewAdaption;
  const bool FWide;
  int16_t* const FCoeffs;
  int16_t* const FDelays;
  int16_t* const FAdapts;
  int FPosition;
  uint32_t FAverage;
};

// Filters Count samples of one channel, or of two channels at once (B and DataB not null):
// the two channels' filters do not depend on each other, so running them side by side lets
// the processor overlap their work, each sample's being one long chain.
template <int FixedOrder>
[[gnu::always_inline]] inline void FilterSamples(TNNFilter::TState& A, int32_t* DataA,
                                                 TNNFilter::TState* B, int32_t* DataB, int Count,
                                                 bool Wide) {
  TFilterRun<FixedOrder> a(A, Wide);
  if (B == nullptr) {
    for (int n = 0; n < Count; ++n) DataA[n] = a.Step(DataA[n]);
    return;
  }
  TFilterRun<FixedOrder> b(*B, Wide);
  for (int n = 0; n < Count; ++n) {
    DataA[n] = a.Step(DataA[n]);
    DataB[n] = b.Step(DataB[n]);
  }
}

[[gnu::always_inline]] inline void FilterAnyOrder(TNNFilter::TState& A, int32_t* DataA,
                                                  TNNFilter::TState* B, int32_t* DataB, int Count,
                                                  bool Wide) {
  switch (A.Order) {
    case 16:
      return FilterSamples<16>(A, DataA, B, DataB, Count, Wide);
    case 32:
      return FilterSamples<32>(A, DataA, B, DataB, Count, Wide);
    case 64:
      return FilterSamples<64>(A, DataA, B, DataB, Count, Wide);
    case 256:
      return FilterSamples<256>(A, DataA, B, DataB, Count, Wide);
    case 1280:
      return FilterSamples<1280>(A, DataA, B, DataB, Count, Wide);
    default:
      return FilterSamples<0>(A, DataA, B, DataB, Count, Wide);
  }
}

}  // namespace
}  // namespace corvane::macdll
