#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Every text inside the program is UTF-8. These are the only places where bytes from outside
// become text, so every reader and writer converts the same way.

bool IsValidUtf8(std::string_view Bytes);

// Bytes without a declared encoding, or claiming UTF-8 without being it: kept when they are
// valid UTF-8, otherwise decoded as GB18030 (the superset of GBK that the program's users'
// files are written in). Bytes that are not GB18030 either become U+FFFD each; nothing is
// dropped silently.
std::string LegacyToUtf8(std::string_view Bytes);

// UTF-16 code units to UTF-8; surrogate pairs are joined, a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view Units);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Text);

// Decodes the bytes of a text file by its byte-order mark: UTF-8, UTF-16 LE, UTF-16 BE, or
// none (then as LegacyToUtf8). The mark itself is dropped.
std::string DecodeTextBytes(std::string_view Bytes);
// Reads a whole text file and decodes it as DecodeTextBytes does. Throws std::runtime_error
// naming the file when it cannot be read.
std::string ReadTextFile(const std::string& FileName);

}  // namespace corvane
