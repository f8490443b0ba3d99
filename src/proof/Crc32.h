#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::proof {

// The CRC-32 of zlib and Ethernet, which EAC's log gives as a track's "Copy CRC": taken over
// the track's PCM exactly as it lies on the disc, 16-bit little-endian stereo, nothing
// skipped. Feed the bytes in pieces of any size.
class TCrc32 {
 public:
  void Add(const uint8_t* Data, size_t Bytes);
  uint32_t Value() const { return Crc; }
  // How many bytes went in: what CombineCrc32 needs to append this CRC to another.
  int64_t Bytes() const { return Count; }

 private:
  uint32_t Crc = 0;
  int64_t Count = 0;
};

// The CRC-32 of the bytes behind First followed by the SecondBytes bytes behind Second. The
// tracks of an image are converted side by side and finish in any order; the whole image's
// CRC is then made from theirs, in disc order, without reading the audio again.
uint32_t CombineCrc32(uint32_t First, uint32_t Second, int64_t SecondBytes);

}  // namespace corvane::proof
