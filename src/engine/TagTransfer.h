#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "APEtag.h"
#include "FLACfile.h"
#include "FlacPicture.h"
#include "Job.h"
#include "TagMapping.h"

namespace corvane {

// A job's tags: what its FLAC file gets, gathered once before it is encoded, so the encoder
// leaves room for them and the very same tags are written afterwards.
struct TJobTags {
  // False when the job writes nothing: a whole file without an APE tag keeps what the encoder
  // wrote.
  bool Write = false;
  TVorbisEntries Comments;
  std::vector<TFlacPicture> Pictures;
  // What the user is told although the job succeeds: covers found but not embedded, tags
  // read but left out (too large for the comment block), a damaged APE tag.
  std::vector<std::string> Notes;

  // Bytes of metadata the tags take in the FLAC file (the comment block with its header and a
  // vendor string, and the picture blocks): the room the encoder leaves so that they are
  // written in place instead of needing a second copy of the file on the disk. 0 when the job
  // writes no tags.
  int64_t MetadataBytes() const;
};

// Gathers and writes the tags of jobs. A whole audio file passes on its APE tag: title,
// artist, album, track, year, genre, comment and copyright, its other text items and its
// front cover. A cue track gets the sheet's fields for it (TagsOfCueTrack) and a front cover:
// the one in the APE tag of its audio, else the image beside the sheet (FolderCoverFile). The
// reader and the writer serve every job; each job starts from empty tags, so nothing of one
// job reaches the next one's file. The comments are kept within one comment block (16 MiB):
// in order, each that still fits goes in, and a note names those left out.
class TTagTransfer {
 public:
  // Throws std::runtime_error when the job's track is not on its disc.
  TJobTags TagsOf(const TJob& Job);
  // The ALBUM of a whole file's tag, without its cover or the fitting of its comments: what a
  // batch needs to tell albums apart before it starts. Empty when there is none.
  std::string AlbumOf(const std::string& File);
  // Writes Tags into the FLAC file OutputFile. Throws EFileError when it cannot be opened or
  // rewritten; a file that does not read as FLAC is left as it is.
  void Write(const TJobTags& Tags, const std::string& OutputFile);

  TAPEtag ApeTagReader;
  TFLACfile FlacTagWriter;

 private:
  void AddApeCover(TJobTags& Tags, const std::string& Source);
  // A whole FLAC file's comments and pictures, as they are.
  TJobTags FlacTagsOf(const TJob& Job);
  // Reads Source's APE tag into ApeTagReader; a damaged tag gets a note.
  void ReadApeTag(TJobTags& Tags, const std::string& Source);
  // Leaves out the comments the block cannot hold and notes them, with the items the APE tag's
  // reader left out when the comments come FromApeTag.
  void FitComments(TJobTags& Tags, const TJob& Job, bool FromApeTag);
};

}  // namespace corvane
