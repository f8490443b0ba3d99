#pragma once

#include <cstdint>
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
  // Throws EFileError when the FLAC file cannot be opened or rewritten, and
  // std::runtime_error when a cue-track line names a sheet or track that is no longer loaded.
  void TransferTags(const TJob& Job, const TCueSheetList& Sheets, const std::string& OutputFile);

  // Bytes of metadata the job's tags will take in the FLAC file (the comment block with its
  // header and a vendor string): the room the encoder leaves so that TransferTags can rewrite
  // the file in place instead of needing a second copy of it on the disk. 0 when the job
  // writes no tags.
  int64_t MetadataBytes(const TJob& Job, const TCueSheetList& Sheets);

  TAPEtag ApeTagReader;
  TFLACfile FlacTagWriter;

 private:
  // The eight fields a job writes; Write false when it writes none.
  struct TValues {
    bool Write = false;
    std::string Title, Artist, Album, TrackNumber, Date, Genre, Comment, Copyright;
  };
  TValues ValuesOf(const TJob& Job, const TCueSheetList& Sheets);
  void Write(const std::string& OutputFile);
};

// The sheet and track of a cue-track line (track 0 is the hidden track before track 1); throws
// std::runtime_error when they are not loaded.
const TCueFile& SheetOfLine(const TCueSheetList& Sheets, const std::string& Line);
const TCueTrack& TrackOfLine(const TCueFile& Sheet, const std::string& Line);

}  // namespace corvane
