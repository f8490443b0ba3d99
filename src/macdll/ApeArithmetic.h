#pragma once

// Integer helpers for the decoder's stages. The encoders compute in fixed-width integers that
// wrap; these do the same without signed overflow.

#include <cstdint>
#include <type_traits>

namespace corvane::macdll {

template <typename T>
constexpr T WrapAdd(T A, T B) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(A) + static_cast<U>(B));
}
template <typename T>
constexpr T WrapSub(T A, T B) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(A) - static_cast<U>(B));
}
template <typename T>
constexpr T WrapMul(T A, T B) {
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(A) * static_cast<U>(B));
}

// -1 for a positive value, 1 for a negative one, 0 for 0: the sign the adaptive stages move
// their coefficients by. Wider values are judged by their low 32 bits, as the 64-bit
// predictor of other decoders does.
template <typename T>
constexpr int32_t InverseSign(T X) {
  const auto low = static_cast<int32_t>(X);
  return (low < 0) - (low > 0);
}

}  // namespace corvane::macdll
