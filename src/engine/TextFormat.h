#pragma once

#include <initializer_list>
#include <string>

namespace corvane {

// Replaces %1, %2 ... in Text.
std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments);

}  // namespace corvane
