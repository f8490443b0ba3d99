#pragma once

#include <string>

#include "APEtag.h"
#include "CueSheetList.h"
#include "FLACfile.h"
#include "JobLine.h"

namespace corvane {

// Writes the tags of a finished job into its FLAC file: a whole ".ape" file passes on its APE
// tag, a cue track its title and performer and the sheet's album title. The reader and the
// writer live as long as the window and serve every job; every job that writes assigns all
// eight fields, so nothing of one job reaches the next one's file.
class TTagTransfer {
 public:
  // Throws std::runtime_error when the FLAC file cannot be opened or rewritten, and when a
  // cue-track line names a sheet or track that is no longer loaded.
  void TransferTags(const TJob& Job, const TCueSheetList& Sheets, const std::string& OutputFile);

  TAPEtag ApeTagReader;
  TFLACfile FlacTagWriter;

 private:
  void Write(const std::string& OutputFile);
};

// The sheet and track of a cue-track line (track 0 is the hidden track before track 1); throws
// std::runtime_error when they are not loaded.
const TCueFile& SheetOfLine(const TCueSheetList& Sheets, const std::string& Line);
const TCueTrack& TrackOfLine(const TCueFile& Sheet, const std::string& Line);

}  // namespace corvane
