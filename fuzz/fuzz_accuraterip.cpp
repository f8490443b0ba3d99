// AccurateRip database entries as they arrive from the network or a cache: any bytes. An entry
// either reads whole, every byte spoken for, or fails with std::runtime_error; and whatever it
// reads can be matched against a disc.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "AccurateRipEntry.h"
#include "AccurateRipMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<corvane::proof::TArPressing> entry;
  try {
    entry = corvane::proof::ParseAccurateRipEntry(Data, Size);
  } catch (const std::runtime_error&) {
    return 0;
  }
  size_t bytes = 0;
  for (const corvane::proof::TArPressing& pressing : entry) {
    if (pressing.TrackCount < 1 || pressing.TrackCount > 99) __builtin_trap();
    if (pressing.Tracks.size() != static_cast<size_t>(pressing.TrackCount)) __builtin_trap();
    bytes += 13 + pressing.Tracks.size() * 9;
  }
  if (bytes != Size) __builtin_trap();
  // The disc of the first submission, asked for each of its tracks and one past them.
  const corvane::proof::TArPressing& first = entry.front();
  const corvane::proof::TDiscIds disc{first.TrackCount, first.DiscId1, first.DiscId2, first.FreeDb};
  for (int track = 0; track <= first.TrackCount; ++track) {
    const uint32_t sum = first.Tracks[static_cast<size_t>(track % first.TrackCount)].Checksum;
    const corvane::proof::TArTrackVerdict verdict =
        corvane::proof::MatchTrack(entry, disc, track, sum, ~sum);
    const bool inRange = track < first.TrackCount;
    if ((verdict.Kind == corvane::proof::TArTrackVerdict::TKind::NotInDatabase) == inRange) {
      __builtin_trap();
    }
    if (verdict.Confidence > verdict.Total) __builtin_trap();
  }
  return 0;
}
