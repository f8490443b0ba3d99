#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AccurateRipEntry.h"
#include "DiscIds.h"

namespace corvane::proof {

// What the database says of one ripped track.
struct TArTrackVerdict {
  enum class TKind { Accurate, NotAccurate, NotInDatabase };
  TKind Kind = TKind::NotInDatabase;
  // When Accurate: how many rips agreed, and whether the v1 or v2 checksum matched.
  int Confidence = 0;
  int Version = 0;
  // The confidences of this track summed over every pressing of this disc in the entry, v1
  // and v2 submissions alike: the "of M" in "N of M".
  int Total = 0;
};

// Looks up Track (0-based) of Disc in an entry, given the track's v1 and v2 checksums. Only
// the pressings made for this very disc count: same track count and same AccurateRip and
// FreeDB IDs; with none, or none reaching Track, the disc is not in the database. Lines of
// confidence 0 are ignored, as they vouch for nothing.
//
// When several pressings match (a v1 and a v2 submission of the same pressing, or two
// pressings that share a track), the verdict takes the one with the highest confidence: that
// is the strongest evidence the rip is right, and the number a user compares with other
// rippers' logs, which report the best match too. On a tie, v2 wins, being the newer and
// stronger checksum.
TArTrackVerdict MatchTrack(const std::vector<TArPressing>& Entry, const TDiscIds& Disc, int Track,
                           uint32_t V1, uint32_t V2);

// "accurately ripped (confidence 12, v2)", "not accurately ripped" or "not in the database".
std::string DescribeVerdict(const TArTrackVerdict& Verdict);

}  // namespace corvane::proof
