#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AudioSegment.h"
#include "CueFile.h"
#include "JobFailure.h"

namespace corvane {

struct TJob;

// The audio of one track of a disc: where it is, or why it cannot be had.
struct TTrackAudio {
  std::vector<TAudioSegment> Segments;
  std::optional<TFailure> Problem;
};

// What one added file stands for: the tracks of one cue sheet (a .cue file, or the sheet in an
// audio file's tag) with the audio they point into, or a whole audio file as a disc of one
// track. The jobs of its tracks share it, so what belongs to the whole disc (the sheet's album
// fields, its cover, the audio of every track) is found in one place.
class TDisc {
 public:
  // A whole audio file.
  explicit TDisc(std::string AudioFile);
  // A loaded sheet whose audio files have been located, with the audio of each of its tracks
  // (index -1 for the hidden track before track 1).
  TDisc(std::unique_ptr<const TCueFile> Sheet, std::map<int, TTrackAudio> Audio);

  // What was added: the sheet's file (a .cue, or the audio file holding the sheet), or the
  // audio file.
  const std::string& Source() const { return FSource; }
  // The sheet; null for a whole file.
  const TCueFile* Sheet() const { return FSheet.get(); }
  // The sheet's track Index (-1: the hidden track). Throws std::runtime_error when the sheet
  // has no such track.
  const TCueTrack& Track(int Index) const;
  // The tracks in the order the list shows them: the hidden track first when there is one.
  std::vector<int> TrackIndexes() const;
  const TTrackAudio& AudioOf(int Index) const;

 private:
  std::string FSource;
  std::unique_ptr<const TCueFile> FSheet;
  std::map<int, TTrackAudio> FAudio;
};

// The loaded discs of sheets: cue-track lines name a sheet by its position here, so a disc
// keeps its place until the whole list is emptied.
using TDiscList = std::vector<std::shared_ptr<const TDisc>>;

// The sheet of a cue track's job; throws std::runtime_error when it has none.
const TCueFile& SheetOfJob(const TJob& Job);

// One job per track of Disc, with the lines of a sheet at SheetPosition (1-based), or the job
// of a whole file.
std::vector<TJob> JobsOfDisc(const std::shared_ptr<const TDisc>& Disc, int SheetPosition);

}  // namespace corvane
