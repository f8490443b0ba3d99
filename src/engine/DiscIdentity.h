#pragma once

#include <optional>
#include <vector>

#include "DiscIds.h"
#include "TrackMeasures.h"

namespace corvane {

using proof::TDiscIds;

class TDisc;

// Where the tracks of a sheet's disc lie in its audio, in sample frames from the start of the
// image (its files joined): what the disc IDs and the AccurateRip checksums are computed from.
struct TDiscLayout {
  // The sheet's tracks, 0-based, each with its first frame (INDEX 01) and its length.
  struct TTrack {
    int64_t Start = 0;
    int64_t Frames = 0;
  };
  std::vector<TTrack> Tracks;
  // Frames of audio before track 1 (the hidden track's), and of the whole image.
  int64_t Before = 0;
  int64_t Total = 0;
};

// The layout of a sheet's disc; none for a whole file, a sheet without tracks, or a disc with
// a track whose audio cannot be had.
std::optional<TDiscLayout> DiscLayoutOf(const TDisc& Disc);
// The disc's IDs, as if it were an audio CD of those tracks: a data track is never in an image,
// so a disc that had one is not recognised.
TDiscIds DiscIdsOf(const TDiscLayout& Layout);
// Where Track (0-based; -1, the hidden track, has no place) lies for its AccurateRip checksum.
std::optional<TDiscTrackPlace> TrackPlaceOf(const TDiscLayout& Layout, int Track);

}  // namespace corvane
