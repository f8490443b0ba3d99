#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <vector>

#include "AudioSegment.h"
#include "CueFile.h"

namespace corvane {

// The audio of the tracks of a loaded sheet whose files have been located. Each audio file is
// opened once, when a track first needs its rate and length.
class TSheetAudio {
 public:
  explicit TSheetAudio(const TCueFile& Sheet) : FSheet(Sheet), FFiles(Sheet.Files.size()) {}

  // The sample ranges of track Track (0-based; -1 for the audio before track 1), each at its
  // own file's rate. An end past the end of a file runs to the end of that file. Throws when a
  // file cannot be opened (the same error for every track that needs it), and when the track
  // starts at or past the end of its file.
  std::vector<TAudioSegment> TrackSegments(int Track);

 private:
  struct TFileLength {
    int SampleRate = 0;
    int64_t Frames = 0;
    std::exception_ptr Error;
  };
  const TFileLength& LengthOf(int File);

  const TCueFile& FSheet;
  std::vector<std::optional<TFileLength>> FFiles;
};

// True when every sample of the ranges is digital silence (0, or 128 for 8-bit audio).
// Decodes the ranges; throws when they cannot be read.
bool IsDigitalSilence(const std::vector<TAudioSegment>& Segments);

}  // namespace corvane
