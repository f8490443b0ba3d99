#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvane {

std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments) {
  std::string out = Text;
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

}  // namespace corvane
