#pragma once

#include <initializer_list>
#include <string>

namespace corvane {

// Replaces %1, %2 ... in Text.
std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments);
// A duration as a clock shows it: "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(double Seconds);

}  // namespace corvane
