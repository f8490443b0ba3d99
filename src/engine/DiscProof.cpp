#include "DiscProof.h"

#include <algorithm>

namespace corvane {

using namespace proof;

TDiscVerdict VerdictOf(const TDiscProof& Disc) {
  TDiscVerdict verdict;
  bool cdAudio = Disc.Ids.has_value();
  for (const TTrackProof& track : Disc.Tracks) {
    if (track.Track < 0) continue;  // no track of the database's
    ++verdict.Tracks;
    if (!track.Written) {
      ++verdict.Failed;
      continue;
    }
    if (!track.AccurateRip) cdAudio = false;
    if (track.Verdict && track.Verdict->Kind == TArTrackVerdict::TKind::Accurate) {
      ++verdict.Accurate;
    }
  }
  using TKind = TDiscVerdict::TKind;
  if (!cdAudio) {
    verdict.Kind = TKind::NotCdAudio;
  } else {
    switch (Disc.Lookup.Kind) {
      case TLookupOutcome::TKind::NotAsked:
        verdict.Kind = TKind::NotChecked;
        break;
      case TLookupOutcome::TKind::Unreachable:
        verdict.Kind = TKind::Unreachable;
        break;
      case TLookupOutcome::TKind::NotInDatabase:
        verdict.Kind = TKind::NotInDatabase;
        break;
      case TLookupOutcome::TKind::Found: {
        const bool listed =
            std::any_of(Disc.Tracks.begin(), Disc.Tracks.end(), [](const TTrackProof& Track) {
              return Track.Verdict && Track.Verdict->Kind != TArTrackVerdict::TKind::NotInDatabase;
            });
        if (!listed) {
          verdict.Kind = TKind::NotInDatabase;
        } else if (verdict.Accurate == 0) {
          verdict.Kind = TKind::NotAccurate;
        } else if (verdict.Accurate == verdict.Tracks) {
          verdict.Kind = TKind::Accurate;
        } else {
          verdict.Kind = TKind::PartlyAccurate;
        }
        break;
      }
    }
  }
  return verdict;
}

std::string DescribeDiscVerdict(const TDiscVerdict& Verdict) {
  using TKind = TDiscVerdict::TKind;
  const std::string counts =
      std::to_string(Verdict.Accurate) + " of " + std::to_string(Verdict.Tracks) + " tracks";
  std::string text;
  switch (Verdict.Kind) {
    case TKind::Accurate:
      text = "accurately ripped (" + counts + ")";
      break;
    case TKind::PartlyAccurate:
      text = "partly accurately ripped (" + counts + ")";
      break;
    case TKind::NotAccurate:
      text = "not accurately ripped (" + counts + ")";
      break;
    case TKind::NotInDatabase:
      text = "not in the AccurateRip database";
      break;
    case TKind::Unreachable:
      text = "AccurateRip database not reached";
      break;
    case TKind::NotChecked:
      text = "checksums written, AccurateRip not asked";
      break;
    case TKind::NotCdAudio:
      text = "not CD audio: no AccurateRip checksums";
      break;
  }
  if (Verdict.Failed > 0) text += ", " + std::to_string(Verdict.Failed) + " not converted";
  return text;
}

void MatchTracks(TDiscProof& Disc, const std::vector<TArPressing>& Entry) {
  if (!Disc.Ids) return;
  for (TTrackProof& track : Disc.Tracks) {
    if (track.Track < 0 || !track.Written || !track.AccurateRip) continue;
    track.Verdict =
        MatchTrack(Entry, *Disc.Ids, track.Track, track.AccurateRip->V1, track.AccurateRip->V2);
  }
}

}  // namespace corvane
