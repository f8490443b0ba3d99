#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace corvane {

// Replaces %1, %2 ... in Text, in the language installed.
std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments);
// The same in English whatever the language, for records (EnglishText).
std::string FormatEnglishText(const char* Text, std::initializer_list<std::string> Arguments);
// A duration as a clock shows it: "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(double Seconds);
// Text from sheets, tags and file names, made safe to show: control characters (C0, DEL and
// C1) become visible escapes such as "\x1b", so a name cannot clear a terminal or move its
// cursor. Line breaks stay when the text is a message of several lines.
std::string EscapeControls(std::string_view Text, bool KeepLineBreaks = true);

}  // namespace corvane
