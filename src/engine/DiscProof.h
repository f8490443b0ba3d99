#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AccurateRipMatch.h"
#include "DiscIds.h"
#include "TrackMeasures.h"

namespace corvane {

using proof::TArPressing;
using proof::TArTrackVerdict;
using proof::TDiscIds;

// What one track of a disc came to: written or not, its checksums and the database's word.
struct TTrackProof {
  int Track = 0;  // the sheet's, 0-based; -1 for the hidden track
  std::string Title;
  bool Written = false;
  std::optional<uint32_t> Crc32;
  std::optional<TTrackMeasures::TArChecksums> AccurateRip;
  std::optional<TArTrackVerdict> Verdict;
};

// How the AccurateRip lookup of a disc went.
struct TLookupOutcome {
  enum class TKind { NotAsked, Found, NotInDatabase, Unreachable };
  TKind Kind = TKind::NotAsked;
  std::string Problem;  // why it could not be had, for Unreachable
};

// The whole disc's result, in one word and counts.
struct TDiscVerdict {
  enum class TKind {
    Accurate,        // every track matched the database
    PartlyAccurate,  // some tracks did
    NotAccurate,     // the disc is there, no track matched
    NotInDatabase,
    Unreachable,  // the database could not be asked
    NotChecked,   // the lookup is off
    NotCdAudio,   // nothing to look up: not 44.1 kHz 16-bit stereo, or no layout
  };
  TKind Kind = TKind::NotChecked;
  int Accurate = 0;  // tracks accurately ripped
  int Tracks = 0;    // tracks of the disc in the batch
  int Failed = 0;    // of those, not written
};

// One disc of a batch: its sheet and audio, its identity and each track's result.
struct TDiscProof {
  std::string Sheet;
  std::vector<std::string> AudioFiles;
  std::optional<TDiscIds> Ids;
  std::vector<TTrackProof> Tracks;
  // The CRC32 of the whole image, when every part of it was converted.
  std::optional<uint32_t> ImageCrc32;
  TLookupOutcome Lookup;
};

TDiscVerdict VerdictOf(const TDiscProof& Disc);
// "accurately ripped (11 of 11 tracks)", "not in the AccurateRip database", …, with the failed
// tracks said.
std::string DescribeDiscVerdict(const TDiscVerdict& Verdict);
// Fills in each track's verdict from the database's entry.
void MatchTracks(TDiscProof& Disc, const std::vector<TArPressing>& Entry);

}  // namespace corvane
