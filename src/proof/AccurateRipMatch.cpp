#include "AccurateRipMatch.h"

namespace corvane::proof {
namespace {

bool IsOfDisc(const TArPressing& Pressing, const TDiscIds& Disc) {
  return Pressing.TrackCount == Disc.TrackCount && Pressing.DiscId1 == Disc.AccurateRip1 &&
         Pressing.DiscId2 == Disc.AccurateRip2 && Pressing.FreeDb == Disc.FreeDb;
}

}  // namespace

TArTrackVerdict MatchTrack(const std::vector<TArPressing>& Entry, const TDiscIds& Disc, int Track,
                           uint32_t V1, uint32_t V2) {
  TArTrackVerdict verdict;
  bool found = false;
  for (const TArPressing& pressing : Entry) {
    if (!IsOfDisc(pressing, Disc) || Track < 0 ||
        static_cast<size_t>(Track) >= pressing.Tracks.size()) {
      continue;
    }
    found = true;
    const TArTrackEntry& line = pressing.Tracks[static_cast<size_t>(Track)];
    verdict.Total += line.Confidence;
    if (line.Confidence == 0) continue;
    // v2 first, so a pressing whose two checksums coincide counts as v2.
    const int version = line.Checksum == V2 ? 2 : line.Checksum == V1 ? 1 : 0;
    if (version == 0) continue;
    if (line.Confidence > verdict.Confidence ||
        (line.Confidence == verdict.Confidence && version > verdict.Version)) {
      verdict.Confidence = line.Confidence;
      verdict.Version = version;
    }
  }
  if (!found) return verdict;
  verdict.Kind =
      verdict.Version != 0 ? TArTrackVerdict::TKind::Accurate : TArTrackVerdict::TKind::NotAccurate;
  return verdict;
}

std::string DescribeVerdict(const TArTrackVerdict& Verdict) {
  switch (Verdict.Kind) {
    case TArTrackVerdict::TKind::Accurate:
      return "accurately ripped (confidence " + std::to_string(Verdict.Confidence) + ", v" +
             std::to_string(Verdict.Version) + ")";
    case TArTrackVerdict::TKind::NotAccurate:
      return "not accurately ripped";
    case TArTrackVerdict::TKind::NotInDatabase:
      break;
  }
  return "not in the database";
}

}  // namespace corvane::proof
