#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Small text rules the tag and cue sheet readers share.

// Blanks and control characters: every byte up to 0x20. Such bytes are always single ASCII
// characters in UTF-8 and GB18030, so cutting at them is safe on either.
inline bool IsBlankByte(char C) {
  return static_cast<unsigned char>(C) <= 0x20;
}

// Drops blank bytes (IsBlankByte) from both ends; takes indentation with spaces or tabs, and
// line ends.
std::string_view TrimText(std::string_view Text);

// Upper-cases the letters a to z only; other bytes (UTF-8 included) stay as they are.
std::string UpperAscii(std::string_view Text);

// The text up to its first zero byte: tag values are zero-terminated or zero-separated lists.
std::string_view UpToZero(std::string_view Text);

// A whole text as a signed 32-bit integer: leading blanks, an optional sign, then decimal
// digits or hexadecimal digits after "$", "x" or "0x" (either case); nothing may follow.
// Empty, malformed or out-of-range texts give nothing.
std::optional<int32_t> ParseInteger(std::string_view Text);

// A track number as tag texts hold it ("3", "07", "3/12", "$0A"): the part before the first
// "/" parsed with ParseInteger; 0 when that fails.
int32_t ParseTrackNumber(std::string_view Text);

}  // namespace corvane
