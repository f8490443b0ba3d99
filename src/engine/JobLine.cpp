#include "JobLine.h"

#include <charconv>
#include <stdexcept>

#include "PathNames.h"

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

}  // namespace corvane
