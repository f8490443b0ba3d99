#include "DiscIdentity.h"

#include "Disc.h"

namespace corvane {
namespace {

// Sample frames in a CD sector.
constexpr int64_t kFramesPerSector = 588;

int64_t FramesOf(const TTrackAudio& Audio) {
  int64_t frames = 0;
  for (const TAudioSegment& segment : Audio.Segments) {
    frames += segment.EndSample - segment.StartSample;
  }
  return frames;
}

}  // namespace

std::optional<TDiscLayout> DiscLayoutOf(const TDisc& Disc) {
  if (Disc.Sheet() == nullptr || Disc.Sheet()->Tracks.empty()) return std::nullopt;
  TDiscLayout layout;
  const std::vector<int> indexes = Disc.TrackIndexes();
  // Silence before track 1 makes no hidden track, but it is on the disc all the same.
  if (indexes.empty() || indexes.front() != -1) {
    const TTrackAudio& first = Disc.AudioOf(0);
    if (first.Problem || first.Segments.empty()) return std::nullopt;
    const TAudioSegment& start = first.Segments.front();
    if (Disc.Sheet()->Files.empty() || start.FileName != Disc.Sheet()->Files.front().Path) {
      return std::nullopt;
    }
    layout.Before = start.StartSample;
    layout.Total = start.StartSample;
  }
  // The tracks' audio joined covers the image once, in order: each track starts where the
  // ones before it end.
  for (int index : indexes) {
    const TTrackAudio& audio = Disc.AudioOf(index);
    if (audio.Problem) return std::nullopt;
    for (const TAudioSegment& segment : audio.Segments) {
      if (segment.EndSample < segment.StartSample) return std::nullopt;
    }
    const int64_t frames = FramesOf(audio);
    if (index < 0) {
      layout.Before = frames;
    } else {
      layout.Tracks.push_back({layout.Total, frames});
    }
    layout.Total += frames;
  }
  if (layout.Tracks.size() != Disc.Sheet()->Tracks.size()) return std::nullopt;
  return layout;
}

TDiscIds DiscIdsOf(const TDiscLayout& Layout) {
  std::vector<int64_t> starts;
  for (const TDiscLayout::TTrack& track : Layout.Tracks) {
    starts.push_back(track.Start / kFramesPerSector);
  }
  return proof::DiscIdsOf(starts, Layout.Total / kFramesPerSector);
}

std::optional<TDiscTrackPlace> TrackPlaceOf(const TDiscLayout& Layout, int Track) {
  if (Track < 0 || Track >= static_cast<int>(Layout.Tracks.size())) return std::nullopt;
  const size_t last = Layout.Tracks.size() - 1;
  return TDiscTrackPlace{Track == 0, static_cast<size_t>(Track) == last,
                         Layout.Tracks[static_cast<size_t>(Track)].Frames};
}

}  // namespace corvane
