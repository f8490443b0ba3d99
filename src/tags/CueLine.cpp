#include "CueLine.h"

#include "TagText.h"

namespace corvane {
namespace {

bool AllDigits(std::string_view Text) {
  if (Text.empty()) return false;
  for (const char c : Text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Digits(std::string_view Text) {
  int value = 0;
  for (const char c : Text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

std::vector<std::string_view> SplitCueLines(std::string_view Text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < Text.size()) {
    const size_t end = Text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(Text.substr(start));
      break;
    }
    lines.push_back(Text.substr(start, end - start));
    start = end + (Text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

TCueWords SplitFirstWord(std::string_view Text) {
  Text = TrimText(Text);
  size_t end = 0;
  while (end < Text.size() && !IsBlankByte(Text[end])) ++end;
  return {Text.substr(0, end), TrimText(Text.substr(end))};
}

bool IsCueNumber(std::string_view Word) {
  return AllDigits(Word) && Word.size() <= 9;
}

bool IsOverlongCueNumber(std::string_view Word) {
  return AllDigits(Word) && Word.size() > 9;
}

// A quote byte never occurs inside a multi-byte UTF-8 character, so this keeps Chinese text
// whole.
std::string CueValue(std::string_view Rest) {
  const size_t open = Rest.find('"');
  if (open == std::string_view::npos) return std::string(TrimText(Rest));
  const size_t close = Rest.rfind('"');
  if (close == open) return std::string(Rest.substr(open + 1));
  return std::string(Rest.substr(open + 1, close - open - 1));
}

std::string CueFileValue(std::string_view Rest) {
  if (Rest.find('"') != std::string_view::npos) return CueValue(Rest);
  size_t typeStart = Rest.size();
  while (typeStart > 0 && !IsBlankByte(Rest[typeStart - 1])) --typeStart;
  // One word alone is the name; a type without a name would be no file at all.
  if (typeStart == 0) return std::string(Rest);
  return std::string(TrimText(Rest.substr(0, typeStart)));
}

std::optional<int64_t> ParseCueTime(std::string_view Time) {
  const size_t first = Time.find(':');
  const size_t second = first == std::string_view::npos ? first : Time.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::string_view minutes = Time.substr(0, first);
  const std::string_view seconds = Time.substr(first + 1, second - first - 1);
  const std::string_view frames = Time.substr(second + 1);
  if (!AllDigits(minutes) || minutes.size() > 3 || !AllDigits(seconds) || seconds.size() != 2 ||
      !AllDigits(frames) || frames.size() != 2) {
    return std::nullopt;
  }
  if (Digits(seconds) >= 60 || Digits(frames) >= 75) return std::nullopt;
  return (int64_t{Digits(minutes)} * 60 + Digits(seconds)) * 75 + Digits(frames);
}

}  // namespace corvane
