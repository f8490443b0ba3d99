#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Language.h"

namespace corvane {

std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments) {
  std::string out = TranslatedText(Text);
  int number = 1;
  for (const std::string& argument : Arguments) {
    const std::string mark = "%" + std::to_string(number++);
    const size_t at = out.find(mark);
    if (at != std::string::npos) out.replace(at, mark.size(), argument);
  }
  return out;
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
