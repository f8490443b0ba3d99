#include "CueFile.h"

#include "CueLine.h"
#include "TagText.h"

namespace corvane {
namespace {

// One pass over the lines of a sheet. Lines before the first TRACK are the album's; after it
// they belong to the latest track. Every fault is noted with its line; reading goes on so the
// fields stay as complete as the text allows.
class TCueParser {
 public:
  explicit TCueParser(TCueFile& Sheet) : FSheet(Sheet) {}

  void Run() {
    const std::vector<std::string_view> lines = SplitCueLines(FSheet.CueText);
    for (size_t i = 0; i < lines.size(); ++i) {
      FLine = static_cast<int>(i + 1);
      FText = TrimText(lines[i]);
      if (lines[i].find('\0') != std::string_view::npos) {
        // What follows a NUL cannot be trusted to be the rest of the sheet.
        Problem(TCueProblemKind::NulByte);
        return;
      }
      ReadLine();
    }
    EndTrack();
  }

 private:
  TCueTrack* Track() { return FTrack < 0 ? nullptr : &FSheet.Tracks[static_cast<size_t>(FTrack)]; }

  void Problem(TCueProblemKind Kind, int Line = 0) {
    FSheet.Problems.push_back({Line == 0 ? FLine : Line, Kind, std::string(FText)});
  }

  void ReadLine() {
    const auto [word, rest] = SplitFirstWord(FText);
    const std::string keyword = UpperAscii(word);
    TCueTrack* track = Track();
    if (keyword == "TITLE") {
      (track ? track->Title : FSheet.Title) = CueValue(rest);
    } else if (keyword == "PERFORMER") {
      (track ? track->Performer : FSheet.Performer) = CueValue(rest);
    } else if (keyword == "SONGWRITER") {
      (track ? track->Songwriter : FSheet.Songwriter) = CueValue(rest);
    } else if (keyword == "ISRC") {
      if (track) track->Isrc = CueValue(rest);
    } else if (keyword == "CATALOG") {
      FSheet.Catalog = CueValue(rest);
    } else if (keyword == "REM") {
      ReadRem(rest);
    } else if (keyword == "FILE") {
      ReadFile(rest);
    } else if (keyword == "TRACK") {
      ReadTrack(rest);
    } else if (keyword == "INDEX") {
      ReadIndex(rest);
    }
  }

  void ReadRem(std::string_view Rest) {
    const auto [word, value] = SplitFirstWord(Rest);
    const std::string key = UpperAscii(word);
    TCueTrack* track = Track();
    if (key == "DATE") {
      (track ? track->Date : FSheet.Date) = CueValue(value);
    } else if (key == "GENRE") {
      (track ? track->Genre : FSheet.Genre) = CueValue(value);
    } else if (key == "COMMENT") {
      (track ? track->Comment : FSheet.Comment) = CueValue(value);
    } else if (key == "DISCNUMBER" && !track) {
      FSheet.DiscNumber = CueValue(value);
    } else if (key == "TOTALDISCS" && !track) {
      FSheet.TotalDiscs = CueValue(value);
    }
  }

  void ReadFile(std::string_view Rest) {
    std::string name = CueFileValue(Rest);
    if (name.empty()) Problem(TCueProblemKind::FileWithoutName);
    if (!Track()) FSheet.AudioFileName = name;
    FSheet.Files.push_back({std::move(name), FLine, {}});
    // Times count from the start of each file.
    FLastIndex.reset();
    FLastIndex01.reset();
  }

  void ReadTrack(std::string_view Rest) {
    EndTrack();
    const std::string_view number = SplitFirstWord(Rest).First;
    TCueTrack& track = FSheet.Tracks.emplace_back();
    FTrack = static_cast<int>(FSheet.Tracks.size() - 1);
    track.Number = std::string(number);
    track.Line = FLine;
    if (IsOverlongCueNumber(number)) {
      Problem(TCueProblemKind::TrackNumberOutOfRange);
    } else if (!IsCueNumber(number)) {
      Problem(TCueProblemKind::TrackWithoutNumber);
    }
    if (FSheet.Files.empty()) Problem(TCueProblemKind::TrackBeforeFile);
  }

  // A track that ends without an INDEX 01 has no start: the track before would run over it.
  void EndTrack() {
    const TCueTrack* track = Track();
    if (track && FTrack >= FFirstTrackOfThisParse && !track->Index01) {
      Problem(TCueProblemKind::MissingIndex01, track->Line);
    }
  }

  void ReadIndex(std::string_view Rest) {
    TCueTrack* track = Track();
    if (!track) {
      Problem(TCueProblemKind::IndexOutsideTrack);
      return;
    }
    const auto [number, rest] = SplitFirstWord(Rest);
    const std::string_view time = SplitFirstWord(rest).First;
    if (IsOverlongCueNumber(number)) {
      Problem(TCueProblemKind::IndexNumberOutOfRange);
      return;
    }
    if (!IsCueNumber(number) || time.empty()) {
      Problem(TCueProblemKind::MalformedIndex);
      return;
    }
    const std::optional<int64_t> frames = ParseCueTime(time);
    if (!frames) {
      Problem(TCueProblemKind::MalformedTime);
      return;
    }
    const int indexNumber = std::stoi(std::string(number));
    const bool start = indexNumber == 1;
    if ((FLastIndex && *frames < *FLastIndex) ||
        (start && FLastIndex01 && *frames <= *FLastIndex01)) {
      Problem(TCueProblemKind::TimeNotIncreasing);
    }
    FLastIndex = frames;
    const TCuePosition position{static_cast<int>(FSheet.Files.size()) - 1, *frames, FLine};
    if (indexNumber == 0) {
      track->Index00 = position;
      return;
    }
    if (!start) return;
    if (track->Index01) {
      Problem(TCueProblemKind::RepeatedIndex01);
      return;
    }
    FLastIndex01 = frames;
    track->Index01 = position;
    track->StartTime = std::string(time);
    if (FTrack > 0) {
      TCueTrack& before = FSheet.Tracks[static_cast<size_t>(FTrack - 1)];
      // A track in another file runs to the end of its own.
      if (!before.Index01 || before.Index01->File == position.File) {
        before.EndTime = track->StartTime;
      }
    }
  }

  TCueFile& FSheet;
  // Parse adds to the tracks a sheet already holds; only its own are checked.
  const int FFirstTrackOfThisParse = static_cast<int>(FSheet.Tracks.size());
  int FTrack = -1;
  int FLine = 0;
  std::string_view FText;
  // The latest index and INDEX 01 of the current file, in CD frames.
  std::optional<int64_t> FLastIndex;
  std::optional<int64_t> FLastIndex01;
};

// Where track Track begins: its INDEX 01, or the start of the first file for the audio before
// track 1.
std::optional<TCuePosition> StartOf(const TCueFile& Sheet, int Track) {
  if (Track < 0) return TCuePosition{0, 0, 0};
  if (Track >= static_cast<int>(Sheet.Tracks.size())) return std::nullopt;
  return Sheet.Tracks[static_cast<size_t>(Track)].Index01;
}

}  // namespace

void TCueFile::Parse() {
  if (CueText.empty()) return;
  TCueParser(*this).Run();
}

std::vector<TCueSpan> TrackSpans(const TCueFile& Sheet, int Track) {
  const std::optional<TCuePosition> from = StartOf(Sheet, Track);
  if (!from || from->File < 0 || Sheet.Files.empty()) return {};
  const int lastFile = static_cast<int>(Sheet.Files.size()) - 1;
  // The next track's start, or past the end of the last file.
  std::optional<TCuePosition> to = StartOf(Sheet, Track + 1);
  if (Track + 1 < static_cast<int>(Sheet.Tracks.size()) && (!to || to->File < from->File)) {
    return {};
  }
  if (!to) to = TCuePosition{lastFile + 1, 0, 0};

  std::vector<TCueSpan> spans;
  if (to->File == from->File) {
    if (to->Frames > from->Frames) spans.push_back({from->File, from->Frames, to->Frames});
    return spans;
  }
  spans.push_back({from->File, from->Frames, -1});
  for (int file = from->File + 1; file < to->File; ++file) spans.push_back({file, 0, -1});
  if (to->File <= lastFile && to->Frames > 0) spans.push_back({to->File, 0, to->Frames});
  return spans;
}

}  // namespace corvane
