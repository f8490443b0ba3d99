#include "ApePredictor.h"

#include <algorithm>
#include <cstring>

#include "ApeArithmetic.h"
#include "ApeFormat.h"

namespace corvane::macdll {
namespace {

// (X * 31) >> 5 in the width of T: the slow decay of the first-order stages.
template <typename T>
T Decay(T X) {
  return static_cast<T>(WrapMul(X, T{31}) >> 5);
}

// One channel of the 3.95 predictor: stage A on its own past, stage B on the other channel's
// output (OtherFilterA; none for mono).
template <typename T, bool WithB>
[[gnu::always_inline]] inline int32_t Step3950(TPredictor::TStage<T>& S, T OtherFilterA, int32_t Decoded) {
  const T newA = S.LastA;
  const T diffA = WrapSub(newA, S.HistoryA[0]);
  S.HistoryA[3] = S.HistoryA[2];
  S.HistoryA[2] = S.HistoryA[1];
  S.HistoryA[1] = diffA;
  S.HistoryA[0] = newA;
  S.SignsA[3] = S.SignsA[2];
  S.SignsA[2] = S.SignsA[1];
  S.SignsA[1] = InverseSign(diffA);
  S.SignsA[0] = InverseSign(newA);
  T predictionA = 0;
  for (int i = 0; i < 4; ++i) predictionA = WrapAdd(predictionA, WrapMul(S.HistoryA[i], S.CoeffsA[i]));

  T predictionB = 0;
  if constexpr (WithB) {
    const T newB = WrapSub(OtherFilterA, Decay(S.FilterB));
    const T diffB = WrapSub(newB, S.HistoryB[0]);
    S.HistoryB[4] = S.HistoryB[3];
    S.HistoryB[3] = S.HistoryB[2];
    S.HistoryB[2] = S.HistoryB[1];
    S.HistoryB[1] = diffB;
    S.HistoryB[0] = newB;
    S.SignsB[4] = S.SignsB[3];
    S.SignsB[3] = S.SignsB[2];
    S.SignsB[2] = S.SignsB[1];
    S.SignsB[1] = InverseSign(diffB);
    S.SignsB[0] = InverseSign(newB);
    S.FilterB = OtherFilterA;
    for (int i = 0; i < 5; ++i) predictionB = WrapAdd(predictionB, WrapMul(S.HistoryB[i], S.CoeffsB[i]));
  }

  S.LastA = WrapAdd(T{Decoded}, static_cast<T>(WrapAdd(predictionA, static_cast<T>(predictionB >> 1)) >> 10));
  S.FilterA = WrapAdd(S.LastA, Decay(S.FilterA));

  const int32_t sign = InverseSign(Decoded);
  for (int i = 0; i < 4; ++i) S.CoeffsA[i] = WrapAdd(S.CoeffsA[i], static_cast<T>(S.SignsA[i] * sign));
  if constexpr (WithB) {
    for (int i = 0; i < 5; ++i) S.CoeffsB[i] = WrapAdd(S.CoeffsB[i], static_cast<T>(S.SignsB[i] * sign));
  }
  return static_cast<int32_t>(S.FilterA);
}

// The stages are worked on in local copies: the sample arrays could otherwise alias them, and
// every store would reload the whole state.
template <typename T>
void Stereo3950(TPredictor::TStage<T>* S, int32_t* Y, int32_t* X, int Count) {
  TPredictor::TStage<T> y = S[0];
  TPredictor::TStage<T> x = S[1];
  for (int i = 0; i < Count; ++i) {
    Y[i] = Step3950<T, true>(y, x.FilterA, Y[i]);
    X[i] = Step3950<T, true>(x, y.FilterA, X[i]);
  }
  S[0] = y;
  S[1] = x;
}

template <typename T>
void Mono3950(TPredictor::TStage<T>& S, int32_t* Y, int Count) {
  TPredictor::TStage<T> y = S;
  for (int i = 0; i < Count; ++i) Y[i] = Step3950<T, false>(y, T{0}, Y[i]);
  S = y;
}

int32_t Step3930(TPredictor::TStage3930& S, int32_t Decoded) {
  S.History[3] = S.History[2];
  S.History[2] = S.History[1];
  S.History[1] = S.History[0];
  S.History[0] = S.LastA;
  const int32_t d[4] = {S.History[0], WrapSub(S.History[0], S.History[1]),
                        WrapSub(S.History[1], S.History[2]), WrapSub(S.History[2], S.History[3])};
  int32_t prediction = 0;
  for (int i = 0; i < 4; ++i) prediction = WrapAdd(prediction, WrapMul(d[i], S.Coeffs[i]));
  S.LastA = WrapAdd(Decoded, prediction >> 9);
  S.FilterA = WrapAdd(S.LastA, Decay(S.FilterA));
  const int32_t sign = InverseSign(Decoded);
  for (int i = 0; i < 4; ++i) S.Coeffs[i] = WrapAdd(S.Coeffs[i], (d[i] < 0 ? 1 : -1) * sign);
  return S.FilterA;
}

// The long adaptive filter of the high and extra high levels before 3.93: Order taps over
// the outputs so far, the first Order samples passed through.
void LongFilterHigh(int32_t* Data, int Order, int Shift, int Count) {
  if (Order >= Count) return;
  constexpr int kWindow = 512;
  std::vector<int32_t> coeffs(static_cast<size_t>(Order), 0);
  std::vector<int32_t> history(static_cast<size_t>(Order + kWindow));
  std::copy(Data, Data + Order, history.begin());
  int at = 0;  // history[at .. at + Order) are the last Order outputs
  for (int i = Order; i < Count; ++i) {
    const int32_t sign = InverseSign(Data[i]);
    int32_t dot = 0;
    for (int j = 0; j < Order; ++j) {
      const int32_t h = history[static_cast<size_t>(at + j)];
      dot = WrapAdd(dot, WrapMul(h, coeffs[static_cast<size_t>(j)]));
      coeffs[static_cast<size_t>(j)] = WrapAdd(coeffs[static_cast<size_t>(j)], (h < 0 ? -1 : 1) * sign);
    }
    Data[i] = WrapSub(Data[i], dot >> Shift);
    if (++at == kWindow) {
      std::copy(history.begin() + kWindow, history.end(), history.begin());
      at = 0;
    }
    history[static_cast<size_t>(at + Order - 1)] = Data[i];
  }
}

// The eight-tap filter that 3.83 and later add at the extra high level, over the inputs.
void LongFilterExtraHigh(int32_t* Data, int Count) {
  int32_t coeffs[8] = {};
  int32_t history[8] = {};
  for (int i = 0; i < Count; ++i) {
    const int32_t sign = InverseSign(Data[i]);
    int32_t dot = 0;
    for (int j = 7; j >= 0; --j) {
      dot = WrapAdd(dot, WrapMul(history[j], coeffs[j]));
      coeffs[j] = WrapAdd(coeffs[j], (history[j] < 0 ? -1 : 1) * sign);
    }
    std::memmove(history + 1, history, sizeof(int32_t) * 7);
    history[0] = Data[i];
    Data[i] = WrapSub(Data[i], dot >> 9);
  }
}

}  // namespace

TPredictor::TPredictor(int Version, int Level) : FVersion(Version), FLevel(Level) {
  Reset();
}

void TPredictor::Reset() {
  FSamplePosition = 0;
  for (int c = 0; c < 2; ++c) {
    F32[c] = {};
    F64[c] = {};
    F3930[c] = {};
    F3800[c] = {};
    constexpr int32_t kInitialA[4] = {360, 317, -109, 98};
    for (int i = 0; i < 4; ++i) {
      F32[c].CoeffsA[i] = kInitialA[i];
      F64[c].CoeffsA[i] = kInitialA[i];
      F3930[c].Coeffs[i] = kInitialA[i];
    }
    if (FLevel == kLevelFast) {
      F3800[c].CoeffsA[0] = 375;
    } else {
      F3800[c].CoeffsA[0] = 64;
      F3800[c].CoeffsA[1] = 115;
      F3800[c].CoeffsA[2] = 64;
    }
    F3800[c].CoeffsB[0] = 740;
  }
}

int32_t TPredictor::Step3800(TStage3800& S, int32_t Decoded) {
  S.HistoryA[2] = S.HistoryA[1];
  S.HistoryA[1] = S.HistoryA[0];
  S.HistoryA[0] = S.LastA;
  S.HistoryB[1] = S.HistoryB[0];
  S.HistoryB[0] = S.FilterB;

  if (FLevel == kLevelFast) {
    if (FSamplePosition < 3) {
      S.LastA = Decoded;
      S.FilterA = Decoded;
      return Decoded;
    }
    const int32_t prediction = WrapSub(WrapMul(S.HistoryA[0], 2), S.HistoryA[1]);
    S.LastA = WrapAdd(Decoded, WrapMul(prediction, S.CoeffsA[0]) >> 9);
    S.CoeffsA[0] += ((Decoded ^ prediction) > 0) ? 1 : -1;
    S.FilterA = WrapAdd(S.FilterA, S.LastA);
    return S.FilterA;
  }

  if (FSamplePosition < FStart) {
    const int32_t output = WrapAdd(Decoded, S.FilterA);
    S.LastA = Decoded;
    S.FilterB = Decoded;
    S.FilterA = output;
    return output;
  }
  const int32_t a0 = S.HistoryA[0];
  const int32_t d2 = a0;
  const int32_t d1 = WrapMul(WrapSub(a0, S.HistoryA[1]), 2);
  const int32_t d0 = WrapAdd(a0, WrapMul(WrapSub(S.HistoryA[2], S.HistoryA[1]), 8));
  const int32_t d3 = WrapSub(WrapMul(S.HistoryB[0], 2), S.HistoryB[1]);
  const int32_t d4 = S.HistoryB[0];

  const int32_t predictionA = WrapAdd(WrapAdd(WrapMul(d0, S.CoeffsA[0]), WrapMul(d1, S.CoeffsA[1])),
                                      WrapMul(d2, S.CoeffsA[2]));
  int32_t sign = InverseSign(Decoded);
  S.CoeffsA[0] = WrapAdd(S.CoeffsA[0], (((d0 >> 30) & 2) - 1) * sign);
  S.CoeffsA[1] = WrapAdd(S.CoeffsA[1], (((d1 >> 28) & 8) - 4) * sign);
  S.CoeffsA[2] = WrapAdd(S.CoeffsA[2], (((d2 >> 28) & 8) - 4) * sign);

  const int32_t predictionB = WrapSub(WrapMul(d3, S.CoeffsB[0]), WrapMul(d4, S.CoeffsB[1]));
  S.LastA = WrapAdd(Decoded, predictionA >> 11);
  sign = InverseSign(S.LastA);
  S.CoeffsB[0] = WrapAdd(S.CoeffsB[0], (((d3 >> 29) & 4) - 2) * sign);
  S.CoeffsB[1] = WrapSub(S.CoeffsB[1], (((d4 >> 30) & 2) - 1) * sign);

  S.FilterB = WrapAdd(S.LastA, predictionB >> FShift);
  S.FilterA = WrapAdd(S.FilterB, Decay(S.FilterA));
  return S.FilterA;
}

void TPredictor::LongFilters3800(int32_t* Data, int Count) {
  FStart = 4;
  FShift = 10;
  if (FLevel == kLevelHigh) {
    FStart = 16;
    LongFilterHigh(Data, 16, 9, Count);
  } else if (FLevel == kLevelExtraHigh) {
    int order = 128;
    int shift = 11;
    if (FVersion >= 3830) {
      order = 256;
      shift = 12;
      FShift = 11;
      if (Count > order) LongFilterExtraHigh(Data + order, Count - order);
    }
    FStart = order;
    LongFilterHigh(Data, order, shift, Count);
  }
}

void TPredictor::Stereo(int32_t* Y, int32_t* X, int Count, bool Wide) {
  if (FVersion >= 3950) {
    if (Wide) {
      Stereo3950(F64, Y, X, Count);
    } else {
      Stereo3950(F32, Y, X, Count);
    }
    return;
  }
  // Before 3.95 the first coded channel is predicted from the second's stage and the other
  // way round.
  if (FVersion >= 3930) {
    for (int i = 0; i < Count; ++i) {
      const int32_t y = X[i];
      const int32_t x = Y[i];
      Y[i] = Step3930(F3930[0], y);
      X[i] = Step3930(F3930[1], x);
    }
    return;
  }
  LongFilters3800(Y, Count);
  LongFilters3800(X, Count);
  for (int i = 0; i < Count; ++i) {
    const int32_t y = X[i];
    const int32_t x = Y[i];
    Y[i] = Step3800(F3800[0], y);
    X[i] = Step3800(F3800[1], x);
    ++FSamplePosition;
  }
}

void TPredictor::Mono(int32_t* Y, int Count, bool Wide) {
  if (FVersion >= 3950) {
    if (Wide) {
      Mono3950(F64[0], Y, Count);
    } else {
      Mono3950(F32[0], Y, Count);
    }
    return;
  }
  if (FVersion >= 3930) {
    for (int i = 0; i < Count; ++i) Y[i] = Step3930(F3930[0], Y[i]);
    return;
  }
  LongFilters3800(Y, Count);
  for (int i = 0; i < Count; ++i) {
    Y[i] = Step3800(F3800[0], Y[i]);
    ++FSamplePosition;
  }
}

}  // namespace corvane::macdll
