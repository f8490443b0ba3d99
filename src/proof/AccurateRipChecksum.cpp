#include "AccurateRipChecksum.h"

#include <algorithm>

namespace corvane::proof {
namespace {

// Spelt out byte by byte so a big-endian host reads the disc's order too; compilers turn it
// into one load on a little-endian one.
inline uint32_t LoadLe32(const uint8_t* Bytes) {
  return static_cast<uint32_t>(Bytes[0]) | static_cast<uint32_t>(Bytes[1]) << 8 |
         static_cast<uint32_t>(Bytes[2]) << 16 | static_cast<uint32_t>(Bytes[3]) << 24;
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
    const uint8_t* frame = Pcm + (first - Next) * 4;
    // Frame numbers stay below 2^32 on any CD; 64-bit sums of the 32-bit halves keep the
    // loop free of carries and cost nothing once truncated.
    uint64_t low = 0;
    uint64_t high = 0;
    for (uint64_t k = static_cast<uint64_t>(first); k <= static_cast<uint64_t>(last); ++k) {
      const uint64_t product = LoadLe32(frame) * k;
      low += static_cast<uint32_t>(product);
      high += product >> 32;
      frame += 4;
    }
    SumLow += low;
    SumHigh += high;
  }
  Next += Count;
}

}  // namespace corvane::proof
