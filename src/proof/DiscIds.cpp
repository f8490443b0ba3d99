#include "DiscIds.h"

#include <cstdio>
#include <stdexcept>

namespace corvane::proof {
namespace {

// The lead-in a player counts before sector 0 of the program area; FreeDB's sums see it, the
// AccurateRip IDs do not.
constexpr int64_t kLeadInSectors = 150;
constexpr int64_t kSectorsPerSecond = 75;

int DigitSum(int64_t Value) {
  int sum = 0;
  for (; Value > 0; Value /= 10) sum += static_cast<int>(Value % 10);
  return sum;
}

void CheckTable(const std::vector<int64_t>& Starts, int64_t LeadOut) {
  if (Starts.empty() || Starts.size() > 99) {
    throw std::invalid_argument("a CD holds 1 to 99 tracks, not " + std::to_string(Starts.size()));
  }
  int64_t previous = -1;
  for (const int64_t start : Starts) {
    if (start <= previous) {
      throw std::invalid_argument("the tracks' start sectors must ascend from sector 0");
    }
    previous = start;
  }
  if (LeadOut <= previous) {
    throw std::invalid_argument("the image ends before its last track starts");
  }
}

std::string Hex8(uint32_t Value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(Value));
  return text;
}

}  // namespace

TDiscIds DiscIdsOf(const std::vector<int64_t>& TrackStartSectors, int64_t LeadOutSector) {
  CheckTable(TrackStartSectors, LeadOutSector);
  TDiscIds ids;
  ids.TrackCount = static_cast<int>(TrackStartSectors.size());
  uint64_t id1 = 0;
  uint64_t id2 = 0;
  int digits = 0;
  for (size_t i = 0; i < TrackStartSectors.size(); ++i) {
    const int64_t start = TrackStartSectors[i];
    id1 += static_cast<uint64_t>(start);
    // A track at sector 0 would add nothing; the database counts it as sector 1.
    id2 += static_cast<uint64_t>(start > 0 ? start : 1) * (i + 1);
    digits += DigitSum((start + kLeadInSectors) / kSectorsPerSecond);
  }
  id1 += static_cast<uint64_t>(LeadOutSector);
  id2 += static_cast<uint64_t>(LeadOutSector) * (TrackStartSectors.size() + 1);
  ids.AccurateRip1 = static_cast<uint32_t>(id1);
  ids.AccurateRip2 = static_cast<uint32_t>(id2);
  // Whole seconds from the first track to the lead-out, each rounded down on its own.
  const int64_t seconds = (LeadOutSector + kLeadInSectors) / kSectorsPerSecond -
                          (TrackStartSectors.front() + kLeadInSectors) / kSectorsPerSecond;
  ids.FreeDb = static_cast<uint32_t>(digits % 255) << 24 |
               static_cast<uint32_t>(seconds & 0xffff) << 8 | static_cast<uint32_t>(ids.TrackCount);
  return ids;
}

std::string AccurateRipEntryPath(const TDiscIds& Ids) {
  const std::string id1 = Hex8(Ids.AccurateRip1);
  char count[4];
  std::snprintf(count, sizeof count, "%03d", Ids.TrackCount);
  return std::string{id1[7], '/', id1[6], '/', id1[5], '/'} + "dBAR-" + count + "-" + id1 + "-" +
         Hex8(Ids.AccurateRip2) + "-" + Hex8(Ids.FreeDb) + ".bin";
}

std::string FormatDiscIds(const TDiscIds& Ids) {
  return "AccurateRip " + Hex8(Ids.AccurateRip1) + "-" + Hex8(Ids.AccurateRip2) + ", FreeDB " +
         Hex8(Ids.FreeDb);
}

}  // namespace corvane::proof
