#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "APEtag.h"
#include "CueSheetList.h"
#include "FLACfile.h"
#include "FlacPicture.h"
#include "JobLine.h"
#include "TagMapping.h"

namespace corvane {

// Writes the tags of a finished job into its FLAC file. A whole ".ape" file passes on its APE
// tag: title, artist, album, track, year, genre, comment and copyright, its other text items
// and its front cover. A cue track gets the sheet's fields for it (TagsOfCueTrack) and a front
// cover: the one in the APE tag of its audio, else the image beside the sheet
// (FolderCoverFile). The reader and the writer live as long as the window and serve every job;
// each job starts from empty tags, so nothing of one job reaches the next one's file.
class TTagTransfer {
 public:
  // Throws EFileError when the FLAC file cannot be opened or rewritten, and
  // std::runtime_error when a cue-track line names a sheet or track that is no longer loaded.
  void TransferTags(const TJob& Job, const TCueSheetList& Sheets, const std::string& OutputFile);
  // What the last TransferTags has to tell the user although the job succeeded: covers that
  // were found but not embedded.
  const std::vector<std::string>& Notes() const { return FNotes; }

  // Bytes of metadata the job's tags will take in the FLAC file (the comment block with its
  // header and a vendor string, and the picture blocks): the room the encoder leaves so that
  // TransferTags can rewrite the file in place instead of needing a second copy of it on the
  // disk. 0 when the job writes no tags.
  int64_t MetadataBytes(const TJob& Job, const TCueSheetList& Sheets);

  TAPEtag ApeTagReader;
  TFLACfile FlacTagWriter;

 private:
  // What a job writes; Write false when it writes nothing.
  struct TJobTags {
    bool Write = false;
    TVorbisEntries Comments;
    std::vector<TFlacPicture> Pictures;
    std::vector<std::string> Notes;
  };
  TJobTags TagsOf(const TJob& Job, const TCueSheetList& Sheets);
  void AddApeCover(TJobTags& Tags, const std::string& Source);
  void Write(const std::string& OutputFile);

  std::vector<std::string> FNotes;
};

// The sheet and track of a cue-track line (track 0 is the hidden track before track 1); throws
// std::runtime_error when they are not loaded.
const TCueFile& SheetOfLine(const TCueSheetList& Sheets, const std::string& Line);
const TCueTrack& TrackOfLine(const TCueFile& Sheet, const std::string& Line);

}  // namespace corvane
