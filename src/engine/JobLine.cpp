#include "JobLine.h"

#include <charconv>
#include <stdexcept>

#include "AppTexts.h"
#include "TagText.h"

namespace corvane {
namespace {

constexpr std::string_view kSheetSeparator = " | ";
constexpr std::string_view kTrackSeparator = " - ";

int ParseIndex(std::string_view Digits, const std::string& Line) {
  int value = 0;
  const char* end = Digits.data() + Digits.size();
  const auto [ptr, error] = std::from_chars(Digits.data(), end, value);
  if (Digits.empty() || error != std::errc() || ptr != end) {
    throw std::invalid_argument("\"" + Line + "\" is not a cue-track line");
  }
  return value - 1;
}

}  // namespace

std::string CueTrackLine(int SheetPosition, int TrackPosition, const TCueTrack& Track,
                         const std::string& CueFileName) {
  return std::to_string(SheetPosition) + std::string(kSheetSeparator) +
         std::to_string(TrackPosition) + std::string(kTrackSeparator) + Track.Title + "," +
         Track.Performer + "  --" + ExtractFileName(CueFileName);
}

std::vector<std::string> CueSheetLines(int SheetPosition, const TCueFile& Sheet) {
  std::vector<std::string> lines;
  if (Sheet.HiddenTrack) {
    lines.push_back(CueTrackLine(SheetPosition, 0, *Sheet.HiddenTrack, Sheet.CueFileName));
  }
  for (size_t k = 0; k < Sheet.Tracks.size(); ++k) {
    lines.push_back(
        CueTrackLine(SheetPosition, static_cast<int>(k + 1), Sheet.Tracks[k], Sheet.CueFileName));
  }
  return lines;
}

int CueIndexOfLine(const std::string& Line) {
  const size_t bar = Line.find(kSheetSeparator);
  if (bar == std::string::npos) return ParseIndex({}, Line);
  return ParseIndex(std::string_view(Line).substr(0, bar), Line);
}

int TrackIndexOfLine(const std::string& Line) {
  const size_t bar = Line.find(kSheetSeparator);
  const size_t dash = Line.find(kTrackSeparator);
  const size_t from = bar == std::string::npos ? 0 : bar + kSheetSeparator.size();
  if (bar == std::string::npos || dash == std::string::npos || dash < from) {
    return ParseIndex({}, Line);
  }
  return ParseIndex(std::string_view(Line).substr(from, dash - from), Line);
}

std::string ExtractFileName(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

std::string ChangeFileExt(const std::string& Path, const std::string& Extension) {
  const size_t slash = Path.rfind('/');
  const size_t dot = Path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return Path + Extension;
  }
  return Path.substr(0, dot) + Extension;
}

std::string UpperExtension(const std::string& Path) {
  const std::string name = ExtractFileName(Path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  return UpperAscii(std::string_view(name).substr(dot));
}

std::string OutputFolderOf(const std::string& FieldText) {
  if (FieldText.empty() || FieldText == texts::kSourceFolder) return {};
  return FieldText.back() == '/' ? FieldText : FieldText + "/";
}

std::string PlainOutputName(const std::string& Source, const std::string& OutputFolder) {
  if (OutputFolder.empty()) return ChangeFileExt(Source, ".flac");
  return OutputFolder + ChangeFileExt(ExtractFileName(Source), ".flac");
}

std::string CueTrackOutputName(const std::string& CueFileName, const std::string& OutputFolder,
                               int TrackIndex) {
  const std::string folder = OutputFolder.empty() ? ExtractFilePath(CueFileName) : OutputFolder;
  return folder + "Track_" + std::to_string(TrackIndex + 1) + ".flac";
}

std::string NumberedName(const std::string& Path, int Number) {
  const std::string name = ExtractFileName(Path);
  const size_t dot = name.rfind('.');
  const size_t stemEnd = Path.size() - name.size() + (dot == std::string::npos ? name.size() : dot);
  return Path.substr(0, stemEnd) + " (" + std::to_string(Number) + ")" + Path.substr(stemEnd);
}

}  // namespace corvane
