#include "AccurateRipEntry.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace corvane::proof {
namespace {

constexpr size_t kHeaderBytes = 13;
constexpr size_t kTrackBytes = 9;

uint32_t LoadLe32(const uint8_t* Bytes) {
  return static_cast<uint32_t>(Bytes[0]) | static_cast<uint32_t>(Bytes[1]) << 8 |
         static_cast<uint32_t>(Bytes[2]) << 16 | static_cast<uint32_t>(Bytes[3]) << 24;
}

[[noreturn]] void Fail(size_t Chunk, size_t At, const std::string& What) {
  throw std::runtime_error("AccurateRip entry: submission " + std::to_string(Chunk + 1) +
                           " (at byte " + std::to_string(At) + ") " + What);
}

}  // namespace

std::vector<TArPressing> ParseAccurateRipEntry(const uint8_t* Data, size_t Size) {
  if (Size == 0) throw std::runtime_error("AccurateRip entry: empty");
  std::vector<TArPressing> pressings;
  size_t at = 0;
  while (at < Size) {
    const size_t chunk = pressings.size();
    if (Size - at < kHeaderBytes) {
      Fail(chunk, at,
           "is cut short in its header: " + std::to_string(Size - at) + " of " +
               std::to_string(kHeaderBytes) + " bytes");
    }
    TArPressing pressing;
    pressing.TrackCount = Data[at];
    pressing.DiscId1 = LoadLe32(Data + at + 1);
    pressing.DiscId2 = LoadLe32(Data + at + 5);
    pressing.FreeDb = LoadLe32(Data + at + 9);
    // A CD holds 1 to 99 tracks; any other count means these bytes are no entry.
    if (pressing.TrackCount == 0 || pressing.TrackCount > 99) {
      Fail(chunk, at, "claims " + std::to_string(pressing.TrackCount) + " tracks");
    }
    const size_t start = at;
    at += kHeaderBytes;
    const size_t needed = static_cast<size_t>(pressing.TrackCount) * kTrackBytes;
    if (Size - at < needed) {
      Fail(chunk, start,
           "is cut short: its " + std::to_string(pressing.TrackCount) + " tracks need " +
               std::to_string(needed) + " bytes, " + std::to_string(Size - at) + " are left");
    }
    pressing.Tracks.resize(static_cast<size_t>(pressing.TrackCount));
    for (TArTrackEntry& track : pressing.Tracks) {
      track.Confidence = Data[at];
      track.Checksum = LoadLe32(Data + at + 1);
      track.Frame450Checksum = LoadLe32(Data + at + 5);
      at += kTrackBytes;
    }
    pressings.push_back(std::move(pressing));
  }
  return pressings;
}

}  // namespace corvane::proof
