#include "ApeNNFilter.h"

#include <algorithm>
#include <atomic>

namespace corvane::macdll {

// Built in their own source files, each for its instruction set.
void FilterAvx2(TNNFilter::TState& A, int32_t* DataA, TNNFilter::TState* B, int32_t* DataB,
                int Count, bool Wide);
void FilterSse41(TNNFilter::TState& A, int32_t* DataA, TNNFilter::TState* B, int32_t* DataB,
                 int Count, bool Wide);
void FilterBaseline(TNNFilter::TState& A, int32_t* DataA, TNNFilter::TState* B, int32_t* DataB,
                    int Count, bool Wide);

namespace {

using TFilterKernel = void (*)(TNNFilter::TState&, int32_t*, TNNFilter::TState*, int32_t*, int,
                              bool);

TFilterKernel KernelFor(TSimdLevel Level) {
  if (Level == TSimdLevel::Avx2) return FilterAvx2;
  if (Level == TSimdLevel::Sse41) return FilterSse41;
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

TNNFilter::TState TNNFilter::State() {
  return {FOrder,        FShift,        FNewAdaption, FCoeffs.data(), FDelay.data(),
          FAdapt.data(), FPosition,     FAverage};
}

void TNNFilter::Keep(const TState& State) {
  FPosition = State.Position;
  FAverage = State.Average;
}

void TNNFilter::Apply(int32_t* Data, int Count, bool WideRounding) {
  TState state = State();
  KernelFor(LevelInUse().load(std::memory_order_relaxed))(state, Data, nullptr, nullptr, Count,
                                                          WideRounding);
  Keep(state);
}

void TNNFilter::ApplyPair(TNNFilter& A, int32_t* DataA, TNNFilter& B, int32_t* DataB, int Count,
                          bool WideRounding) {
  TState a = A.State();
  TState b = B.State();
  const TFilterKernel kernel = KernelFor(LevelInUse().load(std::memory_order_relaxed));
  if (a.Order == b.Order && a.Shift == b.Shift && a.NewAdaption == b.NewAdaption) {
    kernel(a, DataA, &b, DataB, Count, WideRounding);
  } else {
    kernel(a, DataA, nullptr, nullptr, Count, WideRounding);
    kernel(b, DataB, nullptr, nullptr, Count, WideRounding);
  }
  A.Keep(a);
  B.Keep(b);
}

}  // namespace corvane::macdll
