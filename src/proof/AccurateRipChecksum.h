#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::proof {

// The AccurateRip checksums of one track of a CD, made while its PCM streams by: 44.1 kHz
// 16-bit stereo, little-endian, interleaved, so one frame is four bytes read as one
// little-endian 32-bit word. Frame number k (counted from 1) adds word*k: v1 keeps the low 32
// bits of the sum of these products, v2 adds the high halves of the 64-bit products to it.
//
// Drives differ in how far they reach into the lead-in and lead-out, so the disc's edges do
// not count: on the first track the frames numbered 1 to 5*588-1 (the reference rippers start
// at 5*588, so one frame short of five sectors), on the last track the final 5*588 frames. A
// disc of one track is both.
class TAccurateRipChecksum {
 public:
  static constexpr int64_t kSkippedFrames = 5 * 588;

  TAccurateRipChecksum(bool FirstTrack, bool LastTrack, int64_t TrackFrames);

  // Any number of bytes: a frame split between calls is kept until its last byte comes.
  // Frames past TrackFrames do not count.
  void Add(const uint8_t* Pcm, size_t Bytes);

  uint32_t V1() const { return static_cast<uint32_t>(SumProducts); }
  uint32_t V2() const { return static_cast<uint32_t>(SumProducts + SumHighs); }
  // Whole frames seen so far.
  int64_t Frames() const { return Next - 1; }

 private:
  void AddFrames(const uint8_t* Pcm, int64_t Count);

  int64_t From;              // the first frame number that counts
  int64_t To;                // the last one
  int64_t Next = 1;          // the number of the frame to come
  uint64_t SumProducts = 0;  // of the 64-bit products, wrapping
  uint64_t SumHighs = 0;     // of their high halves
  uint8_t Partial[4] = {};
  int PartialBytes = 0;
};

}  // namespace corvane::proof
