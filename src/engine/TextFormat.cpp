#include "TextFormat.h"

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

}  // namespace corvane
