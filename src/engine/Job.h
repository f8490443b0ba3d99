#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AudioSegment.h"
#include "JobFailure.h"

namespace corvane {

class TDisc;

enum class TJobKind { PlainFile, CueTrack };

// One job of a batch, resolved when its file or sheet was added: what it converts, the disc it
// belongs to and the audio it reads. Nothing after that reads the job's line back: the line is
// only what the list shows.
struct TJob {
  // The job list's line: a whole file's path, or a cue track's line (see JobLine.h).
  std::string Text;
  TJobKind Kind = TJobKind::PlainFile;
  std::shared_ptr<const TDisc> Disc;
  // The track of the disc's sheet, 0-based, -1 for the hidden track before track 1; 0 for a
  // whole file.
  int Track = 0;
  // The audio, in the order it is read; a track may span files.
  std::vector<TAudioSegment> Audio;
  // Why the job cannot run (a track that starts past the end of its file, say), told as its
  // failure when it starts.
  std::optional<TFailure> Unresolved;
  // The file the job writes, planned when a batch starts; empty before.
  std::string Output;
};

// The job of a whole audio file, all of it.
TJob WholeFileJob(const std::string& AudioFile);

}  // namespace corvane
