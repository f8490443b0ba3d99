#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A point in one of the sheet's audio files.
struct TCuePosition {
  int File = -1;       // index into TCueFile::Files of the FILE line the INDEX line stands under
  int64_t Frames = 0;  // CD frames (75 per second) from the start of that file
  int Line = 0;        // the INDEX line, 1-based
};

// One FILE line.
struct TCueAudioFile {
  std::string Name;  // as written: a bare name, a relative path or another machine's full path
  int Line = 0;      // the FILE line, 1-based
  std::string Path;  // where the audio was found on disk; set by the sheet's loader
};

struct TCueTrack {
  std::string Title;      // TITLE inside the track; empty if it has none
  std::string Performer;  // PERFORMER inside the track; empty if it has none
  std::string StartTime;  // INDEX 01 time as written (mm:ss:ff); empty when the track has none
  std::string EndTime;    // next track's StartTime when that lies in the same file, else empty
  // Fields from here on carry initialisers, so a track can still be written as its first four.
  std::string Number{};      // the TRACK line's number as written ("01")
  std::string Songwriter{};  // SONGWRITER inside the track
  std::string Isrc{};        // ISRC inside the track
  std::string Date{};        // REM DATE inside the track: overrides the album's when not empty
  std::string Genre{};       // REM GENRE inside the track: overrides the album's when not empty
  std::string Comment{};     // REM COMMENT inside the track: overrides the album's when not empty
  std::optional<TCuePosition> Index00{};  // start of the pregap, when the track has an INDEX 00
  std::optional<TCuePosition> Index01{};  // start of the track itself
  int Line = 0;                           // the TRACK line, 1-based
};

// What makes a sheet unusable: converting it would give tracks with the wrong audio.
enum class TCueProblemKind {
  NulByte,  // a NUL byte: the text is not a cue sheet, or was cut
  TrackWithoutNumber,
  TrackNumberOutOfRange,
  TrackBeforeFile,  // no FILE line names the audio of the track
  FileWithoutName,
  IndexOutsideTrack,
  MalformedIndex,  // INDEX without a number or a time
  IndexNumberOutOfRange,
  MalformedTime,  // not mm:ss:ff with seconds below 60 and frames below 75
  RepeatedIndex01,
  MissingIndex01,     // reported at the TRACK line
  TimeNotIncreasing,  // an INDEX at or before an earlier one of the same file
};

struct TCueProblem {
  int Line = 0;  // 1-based
  TCueProblemKind Kind;
  std::string Text;  // the offending line, trimmed
};

// A stretch of one audio file, in CD frames.
struct TCueSpan {
  int File = 0;
  int64_t From = 0;
  int64_t To = -1;  // -1: to the end of the file
};

// What the converter needs of one cue sheet. It parses text handed to it (UTF-8, already
// decoded by the caller) and keeps the time texts as written beside their frame counts.
// Keywords match in any letter case; values keep theirs.
class TCueFile {
 public:
  explicit TCueFile(std::string FileName) : CueFileName(std::move(FileName)) {}

  void SetCueText(std::string Text) { CueText = std::move(Text); }
  // Fills the album fields, the files and the tracks, and lists in Problems whatever makes the
  // sheet unusable. Unknown lines are skipped. A sheet with one track or none is fine.
  void Parse();
  void FreeTracks() { Tracks.clear(); }
  // False when Parse found a problem.
  bool Valid() const { return Problems.empty(); }

  std::string CueText;
  std::string CueFileName;
  std::vector<TCueTrack> Tracks;
  // Album fields: the last of each before the first TRACK line. A quoted value runs to the
  // last quote of its line, so quotes inside it stay.
  std::string Title;          // TITLE
  std::string Performer;      // PERFORMER
  std::string AudioFileName;  // FILE name as written
  std::string Songwriter;     // SONGWRITER
  std::string Date;           // REM DATE
  std::string Genre;          // REM GENRE
  std::string Comment;        // REM COMMENT
  std::string DiscNumber;     // REM DISCNUMBER
  std::string TotalDiscs;     // REM TOTALDISCS
  std::string Catalog;        // CATALOG (anywhere in the sheet)
  // Every FILE line in order; tracks and indexes refer to them by position.
  std::vector<TCueAudioFile> Files;
  // In line order; empty for a usable sheet.
  std::vector<TCueProblem> Problems;
  // The audio before track 1's INDEX 01, converted as track 0 when it is not all silence. Set
  // by the sheet's loader, which can listen to the audio; the parser never sets it.
  std::optional<TCueTrack> HiddenTrack;
};

// The audio of track Track (0-based; -1 for the audio before the first track) of a usable
// sheet: from its INDEX 01 to the next track's, or to the end of its file and on through the
// next file's audio before its first track. Joined in order, the spans of track -1 and of all
// tracks cover every file once, without gap or overlap. Empty for a track without INDEX 01
// and for track -1 when track 1 starts at the start of the first file.
std::vector<TCueSpan> TrackSpans(const TCueFile& Sheet, int Track);

}  // namespace corvane
