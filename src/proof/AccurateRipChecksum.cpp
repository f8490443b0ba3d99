#include "AccurateRipChecksum.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace corvane::proof {
namespace {

// Spelt out byte by byte so a big-endian host reads the disc's order too; compilers turn it
// into one load on a little-endian one.
inline uint32_t LoadLe32(const uint8_t* Bytes) {
  return static_cast<uint32_t>(Bytes[0]) | static_cast<uint32_t>(Bytes[1]) << 8 |
         static_cast<uint32_t>(Bytes[2]) << 16 | static_cast<uint32_t>(Bytes[3]) << 24;
}

// Adds word*k for Count frames numbered k = First, First+1, ... (as 32-bit numbers, like the
// reference rippers' counters): the products' sum to Products, their high halves' to Highs.
// Both sums wrap at 2^64, which leaves the low 32 bits the checksums keep intact.
void SumFrames(const uint8_t* Pcm, uint32_t First, size_t Count, uint64_t& Products,
               uint64_t& Highs) {
  uint64_t products = 0;
  uint64_t highs = 0;
  size_t i = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  // Neither GCC nor clang vectorises the plain loop below; by hand, four frames a step (two
  // 32x32->64 multiplies of two lanes each) run several times faster. SSE2 is part of every
  // x86-64, and x86 holds the PCM's little-endian words as they are.
  __m128i even = _mm_set_epi32(0, static_cast<int>(First + 2), 0, static_cast<int>(First));
  __m128i odd = _mm_add_epi64(even, _mm_set_epi32(0, 1, 0, 1));
  const __m128i step = _mm_set_epi32(0, 4, 0, 4);
  __m128i sum = _mm_setzero_si128();
  __m128i high = _mm_setzero_si128();
  for (; i + 4 <= Count; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Pcm + 4 * i));
    const __m128i evenProducts = _mm_mul_epu32(words, even);
    const __m128i oddProducts = _mm_mul_epu32(_mm_srli_epi64(words, 32), odd);
    sum = _mm_add_epi64(sum, _mm_add_epi64(evenProducts, oddProducts));
    high = _mm_add_epi64(
        high, _mm_add_epi64(_mm_srli_epi64(evenProducts, 32), _mm_srli_epi64(oddProducts, 32)));
    even = _mm_add_epi64(even, step);
    odd = _mm_add_epi64(odd, step);
  }
  uint64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), sum);
  products = lanes[0] + lanes[1];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), high);
  highs = lanes[0] + lanes[1];
#endif
  for (; i < Count; ++i) {
    const uint64_t product =
        uint64_t{LoadLe32(Pcm + 4 * i)} * static_cast<uint32_t>(First + static_cast<uint32_t>(i));
    products += product;
    highs += product >> 32;
  }
  Products += products;
  Highs += highs;
}

}  // namespace

TAccurateRipChecksum::TAccurateRipChecksum(bool FirstTrack, bool LastTrack, int64_t TrackFrames)
    : From(FirstTrack ? kSkippedFrames : 1),
      To(LastTrack ? TrackFrames - kSkippedFrames : TrackFrames) {}

void TAccurateRipChecksum::Add(const uint8_t* Pcm, size_t Bytes) {
  if (PartialBytes > 0) {
    const size_t take = std::min(Bytes, static_cast<size_t>(4 - PartialBytes));
    std::copy(Pcm, Pcm + take, Partial + PartialBytes);
    PartialBytes += static_cast<int>(take);
    Pcm += take;
    Bytes -= take;
    if (PartialBytes < 4) return;
    AddFrames(Partial, 1);
    PartialBytes = 0;
  }
  const size_t whole = Bytes / 4;
  AddFrames(Pcm, static_cast<int64_t>(whole));
  PartialBytes = static_cast<int>(Bytes % 4);
  std::copy(Pcm + whole * 4, Pcm + Bytes, Partial);
}

void TAccurateRipChecksum::AddFrames(const uint8_t* Pcm, int64_t Count) {
  // Only the part of this run inside From..To is summed, so the loop itself tests nothing.
  const int64_t first = std::max(Next, From);
  const int64_t last = std::min(Next + Count - 1, To);
  if (first <= last) {
    SumFrames(Pcm + (first - Next) * 4, static_cast<uint32_t>(first),
              static_cast<size_t>(last - first + 1), SumProducts, SumHighs);
  }
  Next += Count;
}

}  // namespace corvane::proof
