#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::proof {

// One track of one pressing in an AccurateRip database entry: how many rips agreed on its
// checksum (v1 or v2, the entry does not say which), and the checksum of its frame 450, which
// rippers use to find a drive's read offset.
struct TArTrackEntry {
  int Confidence = 0;
  uint32_t Checksum = 0;
  uint32_t Frame450Checksum = 0;
};

// One submission chunk of an entry: the disc it was made for and a line per track. An entry
// holds one chunk per distinct set of checksums the database has seen for the disc, i.e. per
// pressing and per checksum version.
struct TArPressing {
  int TrackCount = 0;
  uint32_t DiscId1 = 0;
  uint32_t DiscId2 = 0;
  uint32_t FreeDb = 0;
  std::vector<TArTrackEntry> Tracks;
};

// Reads an entry as the database serves it ("dBAR-*.bin"): chunks of a 13-byte header (track
// count, the two AccurateRip IDs and the FreeDB ID, little-endian) each followed by 9 bytes a
// track (confidence, checksum, frame-450 checksum), up to the last byte. Throws
// std::runtime_error on an empty, cut or malformed entry; what it builds never outgrows the
// bytes it was given.
std::vector<TArPressing> ParseAccurateRipEntry(const uint8_t* Data, size_t Size);

}  // namespace corvane::proof
