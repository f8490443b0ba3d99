#pragma once

#include <string>
#include <vector>

namespace corvane {

struct TCueTrack {
  std::string Title;
  std::string Performer;
  // The INDEX 01 time as written (mm:ss:ff); empty when the track has none.
  std::string StartTime;
  // The next track's StartTime; empty for the last track.
  std::string EndTime;
};

// What the converter needs of one cue sheet. It parses text handed to it (UTF-8, already
// decoded by the caller) and keeps the time texts as written; converting them is the caller's.
class TCueFile {
 public:
  explicit TCueFile(std::string FileName) : CueFileName(std::move(FileName)) {}

  void SetCueText(std::string Text) { CueText = std::move(Text); }
  // Fills the album fields and appends the tracks. Never fails: unknown lines are skipped and
  // a missing value stays empty. A sheet with one track or none is fine.
  void Parse();
  void FreeTracks() { Tracks.clear(); }

  std::string CueText;
  std::string CueFileName;
  std::vector<TCueTrack> Tracks;
  // Album title, performer and audio file: the last of each before the first TRACK line.
  std::string Title;
  std::string Performer;
  std::string AudioFileName;
};

}  // namespace corvane
