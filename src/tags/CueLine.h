#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The small reading rules of cue sheet lines, shared by the parser and its tests.

// Splits at CR LF, lone CR or lone LF. Line i of the result is line i + 1 of the sheet.
std::vector<std::string_view> SplitCueLines(std::string_view Text);

// The first word of Text (up to a blank) and what follows it, trimmed.
struct TCueWords {
  std::string_view First;
  std::string_view Rest;
};
TCueWords SplitFirstWord(std::string_view Text);

// A TRACK or INDEX number: digits only.
bool IsCueNumber(std::string_view Word);
// Digits too many for any track or index: a number, just not one a sheet can mean.
bool IsOverlongCueNumber(std::string_view Word);

// A value as sheets write it: from the first double quote to the last one on the line (so a
// title may itself hold quotes), or without quotes the text as it stands. A lone opening quote
// takes the rest of the line.
std::string CueValue(std::string_view Rest);

// A FILE line's name: the quoted value, or without quotes everything but the trailing file type.
std::string CueFileValue(std::string_view Rest);

// "mm:ss:ff" (one to three digits of minutes, two of seconds below 60, two of frames below 75)
// in CD frames; nothing for any other text.
std::optional<int64_t> ParseCueTime(std::string_view Time);

}  // namespace corvane
