#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::proof {

// The numbers that name a CD in the AccurateRip database: its audio track count, the two
// AccurateRip disc IDs and the FreeDB (CDDB) disc ID, all made from the table of contents.
struct TDiscIds {
  int TrackCount = 0;
  uint32_t AccurateRip1 = 0;
  uint32_t AccurateRip2 = 0;
  uint32_t FreeDb = 0;

  friend bool operator==(const TDiscIds&, const TDiscIds&) = default;
};

// The IDs of an audio-only disc from where its tracks start (the sector of each track's
// INDEX 01, counted from the start of the image, without the 150 sectors of the lead-in) and
// the image's length in sectors, which is where the lead-out starts. Throws
// std::invalid_argument unless there are 1 to 99 tracks, starting at or after sector 0 in
// ascending order, all before the lead-out.
TDiscIds DiscIdsOf(const std::vector<int64_t>& TrackStartSectors, int64_t LeadOutSector);

// Where the disc's entry lies in the AccurateRip database, relative to its root:
// "a/b/c/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin", the folders being the last three hex digits
// of the first AccurateRip ID, last first.
std::string AccurateRipEntryPath(const TDiscIds& Ids);

// "AccurateRip 0015d3b5-00d3c3f5, FreeDB a10b830b", for logs and reports.
std::string FormatDiscIds(const TDiscIds& Ids);

}  // namespace corvane::proof
