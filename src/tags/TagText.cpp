#include "TagText.h"

#include <limits>

namespace corvane {

std::string_view TrimText(std::string_view Text) {
  while (!Text.empty() && IsBlankByte(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlankByte(Text.back())) Text.remove_suffix(1);
  return Text;
}

std::string UpperAscii(std::string_view Text) {
  std::string out(Text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string_view UpToZero(std::string_view Text) {
  const size_t zero = Text.find('\0');
  return zero == std::string_view::npos ? Text : Text.substr(0, zero);
}

std::optional<int32_t> ParseInteger(std::string_view Text) {
  size_t pos = 0;
  while (pos < Text.size() && Text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < Text.size() && (Text[pos] == '+' || Text[pos] == '-')) {
    negative = Text[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (pos < Text.size() && (Text[pos] == '$' || Text[pos] == 'x' || Text[pos] == 'X')) {
    base = 16;
    ++pos;
  } else if (pos + 1 < Text.size() && Text[pos] == '0' &&
             (Text[pos + 1] == 'x' || Text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos == Text.size()) return std::nullopt;
  // Hexadecimal covers the whole 32-bit pattern (so "$FFFFFFFF" is -1); decimal must fit the
  // signed range.
  const int64_t limit = base == 16
                            ? int64_t{0xFFFFFFFF}
                            : int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  int64_t value = 0;
  for (; pos < Text.size(); ++pos) {
    const char c = Text[pos];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  if (negative) value = -value;
  // Two's-complement wrap for hexadecimal patterns above 0x7FFFFFFF.
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t ParseTrackNumber(std::string_view Text) {
  const size_t slash = Text.find('/');
  if (slash != std::string_view::npos) Text = Text.substr(0, slash);
  return ParseInteger(Text).value_or(0);
}

}  // namespace corvane
