#pragma once

#include <cstdint>
#include <vector>

namespace corvane::macdll {

// The final stage of decoding: the adaptive predictors that turn the filtered residuals into
// samples, one design for files before 3.93, one for 3.93 and 3.94, one from 3.95. The state
// carries across the chunks of a frame and is reset at each frame's start.
class TPredictor {
 public:
  TPredictor(int Version, int Level);

  void Reset();
  // Y and X are the two coded channels; afterwards they hold the predicted values the channel
  // decorrelation works on. Wide (3.95 and later) computes in 64 bits instead of wrapping in
  // 32, as some encoders do.
  void Stereo(int32_t* Y, int32_t* X, int Count, bool Wide);
  void Mono(int32_t* Y, int Count, bool Wide);

  // For 3.95 and later: the state of one channel's two-stage predictor.
  template <typename T>
  struct TStage {
    T LastA = 0;
    T FilterA = 0;
    T FilterB = 0;
    T CoeffsA[4] = {};
    T CoeffsB[5] = {};
    T HistoryA[4] = {};  // the last value, then its latest differences
    T HistoryB[5] = {};
    int32_t SignsA[4] = {};  // their inverse signs, kept rather than worked out again
    int32_t SignsB[5] = {};
  };
  // For 3.93 and 3.94.
  struct TStage3930 {
    int32_t LastA = 0;
    int32_t FilterA = 0;
    int32_t Coeffs[4] = {};
    int32_t History[4] = {};  // the last four values
  };
  // Before 3.93.
  struct TStage3800 {
    int32_t LastA = 0;
    int32_t FilterA = 0;
    int32_t FilterB = 0;
    int32_t CoeffsA[3] = {};
    int32_t CoeffsB[2] = {};
    int32_t HistoryA[3] = {};
    int32_t HistoryB[2] = {};
  };

 private:
  void LongFilters3800(int32_t* Data, int Count);
  int32_t Step3800(TStage3800& S, int32_t Decoded);

  int FVersion;
  int FLevel;
  TStage<int32_t> F32[2];
  TStage<int64_t> F64[2];
  TStage3930 F3930[2];
  TStage3800 F3800[2];
  int64_t FSamplePosition = 0;
  int FStart = 4;   // 3.80: samples passed through before predicting
  int FShift = 10;  // 3.80: scale of the second stage
};

}  // namespace corvane::macdll
