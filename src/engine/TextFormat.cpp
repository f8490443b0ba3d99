#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Language.h"

namespace corvane {

namespace {

// One pass over the text alone: an argument is a user's file name or template, and a "%2"
// typed in it is not a place for the next argument.
std::string Filled(const std::string& Text, std::initializer_list<std::string> Arguments) {
  std::string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const size_t number = i + 1 < Text.size() ? static_cast<size_t>(Text[i + 1] - '0') : 0;
    if (Text[i] == '%' && number >= 1 && number <= 9 && number <= Arguments.size()) {
      out += Arguments.begin()[number - 1];
      ++i;
    } else {
      out += Text[i];
    }
  }
  return out;
}

}  // namespace

std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments) {
  return Filled(TranslatedText(Text), Arguments);
}

std::string FormatEnglishText(const char* Text, std::initializer_list<std::string> Arguments) {
  return Filled(EnglishText(Text), Arguments);
}

std::string ClockText(double Seconds) {
  const auto whole = static_cast<long long>(std::llround(std::max(Seconds, 0.0)));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

std::string EscapeControls(std::string_view Text, bool KeepLineBreaks) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(Text[i]);
    if ((byte < 0x20 && !(byte == '\n' && KeepLineBreaks)) || byte == 0x7f) {
      out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    } else if (byte == 0xc2 && i + 1 < Text.size() &&
               static_cast<unsigned char>(Text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(Text[i + 1]) <= 0x9f) {
      // U+0080 to U+009F: a terminal may take U+009B as the start of a control sequence.
      const auto code = static_cast<unsigned char>(Text[++i]);
      out += {'\\', 'u', '0', '0', kHex[code >> 4], kHex[code & 15]};
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

}  // namespace corvane
