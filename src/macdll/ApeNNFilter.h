#pragma once

#include <cstdint>
#include <vector>

namespace corvane::macdll {

// Instruction sets the filter kernel is built for; the best one the processor has is used.
enum class TSimdLevel { Baseline, Sse41, Avx2 };

// The best level this processor runs.
TSimdLevel DetectedSimdLevel();
// For tests: makes every filter use Level (at most the detected one) and returns the level in
// use before.
TSimdLevel UseSimdLevel(TSimdLevel Level);

// One adaptive FIR stage of 3.93 and later (a "neural network" filter of 16 to 1280 taps with
// 16-bit coefficients and history), undoing the encoder's stage of the same order.
class TNNFilter {
 public:
  TNNFilter(int Order, int FractionBits, int Version);

  // Back to the state at the start of a frame.
  void Reset();
  // Filters Count samples in place. WideRounding adds the rounding term in 64 bits instead of
  // letting it wrap in 32, as some encoders do.
  void Apply(int32_t* Data, int Count, bool WideRounding);
  // Two channels' filters over their samples, side by side (faster than one after the other).
  static void ApplyPair(TNNFilter& A, int32_t* DataA, TNNFilter& B, int32_t* DataB, int Count,
                        bool WideRounding);

  int Order() const { return FOrder; }

  struct TState {
    int Order;
    int Shift;
    bool NewAdaption;  // 3.98 and later scale the adaption by the output's size
    int16_t* Coeffs;
    int16_t* Delay;  // Window + Order entries: the clipped outputs
    int16_t* Adapt;  // the same layout: the adaption steps
    int Position;    // next entry written, from Order to Order + Window
    uint32_t Average;
  };
  static constexpr int kWindow = 512;

 private:
  TState State();
  void Keep(const TState& State);

  int FOrder;
  int FShift;
  bool FNewAdaption;
  std::vector<int16_t> FCoeffs;
  std::vector<int16_t> FDelay;
  std::vector<int16_t> FAdapt;
  int FPosition = 0;
  uint32_t FAverage = 0;
};

}  // namespace corvane::macdll
