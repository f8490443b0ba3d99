#include "CueFile.h"

#include <string_view>

namespace corvane {
namespace {

// Splits at CR LF, lone CR or lone LF; a NUL ends the text.
std::vector<std::string_view> SplitLines(std::string_view Text) {
  Text = Text.substr(0, Text.find('\0'));
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

// Strips characters 0 to 32 at both ends, which takes indentation with spaces or tabs.
std::string_view Trim(std::string_view Line) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!Line.empty() && blank(Line.front())) Line.remove_prefix(1);
  while (!Line.empty() && blank(Line.back())) Line.remove_suffix(1);
  return Line;
}

bool StartsWith(std::string_view Line, std::string_view Keyword) {
  return Line.substr(0, Keyword.size()) == Keyword;
}

// The text between the first two double quotes; empty without a closing quote. What follows
// (a FILE line's file type) is dropped. A quote byte never occurs inside a multi-byte UTF-8
// character, so Chinese text stays whole.
std::string QuotedValue(std::string_view Line) {
  const size_t open = Line.find('"');
  if (open == std::string_view::npos) return {};
  const size_t close = Line.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(Line.substr(open + 1, close - open - 1));
}

// For "INDEX 01 04:12:00": the text after the first space, then after the first space within
// that. Without a second space the remainder is taken whole.
std::string IndexTime(std::string_view Line) {
  const size_t first = Line.find(' ');
  if (first == std::string_view::npos) return {};
  std::string_view rest = Line.substr(first + 1);
  const size_t second = rest.find(' ');
  if (second != std::string_view::npos) rest = rest.substr(second + 1);
  return std::string(rest);
}

}  // namespace

void TCueFile::Parse() {
  if (CueText.empty()) return;
  const std::vector<std::string_view> lines = SplitLines(CueText);

  size_t firstTrack = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = Trim(lines[i]);
    if (StartsWith(line, "TITLE")) {
      Title = QuotedValue(line);
    } else if (StartsWith(line, "PERFORMER")) {
      Performer = QuotedValue(line);
    } else if (StartsWith(line, "FILE")) {
      AudioFileName = QuotedValue(line);
    } else if (StartsWith(line, "TRACK")) {
      firstTrack = i;
      break;
    }
  }

  // Lines before any TRACK have no track to belong to; they were the header's.
  TCueTrack* current = nullptr;
  for (size_t i = firstTrack; i < lines.size(); ++i) {
    const std::string_view line = Trim(lines[i]);
    if (StartsWith(line, "TRACK")) {
      current = &Tracks.emplace_back();
    } else if (current == nullptr) {
      continue;
    } else if (StartsWith(line, "TITLE")) {
      current->Title = QuotedValue(line);
    } else if (StartsWith(line, "PERFORMER")) {
      current->Performer = QuotedValue(line);
    } else if (StartsWith(line, "INDEX 01")) {
      current->StartTime = IndexTime(line);
      if (Tracks.size() >= 2) Tracks[Tracks.size() - 2].EndTime = current->StartTime;
    }
  }
}

}  // namespace corvane
