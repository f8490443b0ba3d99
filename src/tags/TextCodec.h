#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Every text inside the program is UTF-8. These are the only places where bytes from outside
// become text, so every reader and writer converts the same way.

bool IsValidUtf8(std::string_view Bytes);

// The encodings a user can pick for a cue sheet when the detection got it wrong. Auto is the
// rule of LegacyToUtf8.
enum class TTextEncoding { Auto, Gb18030, Big5, ShiftJis, EucKr, Utf8, Windows1251, Windows1252 };

// The legacy encoding of bytes that are not valid UTF-8, as an iconv name. GB18030 (the
// superset of GBK that the program's users' files are written in) unless uchardet recognises
// Big5, Shift-JIS, EUC-JP, EUC-KR or a single-byte Cyrillic or Latin set and the bytes decode
// in it cleanly. GB18030 accepts nearly any byte pairs, so the detector is trusted only where
// GBK is implausible: a Latin answer for bytes that read as GBK, or a Korean or EUC-JP answer
// resting on a handful of characters (whose byte ranges GBK shares), keeps GB18030.
std::string DetectLegacyCharset(std::string_view Bytes);

// Decodes Bytes from the iconv encoding Charset; bytes that do not decode become U+FFFD each,
// so nothing is dropped silently.
std::string DecodeCharset(std::string_view Bytes, const std::string& Charset);

// Bytes without a declared encoding, or claiming UTF-8 without being it: kept when they are
// valid UTF-8, otherwise decoded from DetectLegacyCharset's answer. The one conversion of
// undeclared text in the program: cue sheets, APE, ID3v2 and FLAC tag values.
std::string LegacyToUtf8(std::string_view Bytes);

// UTF-16 code units to UTF-8; surrogate pairs are joined, a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view Units);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Text);

// Decodes the bytes of a text file by its byte-order mark: UTF-8, UTF-16 LE, UTF-16 BE, or
// none (then as LegacyToUtf8). The mark itself is dropped. A chosen Encoding other than Auto
// decodes the bytes after a UTF-8 mark with that encoding; a UTF-16 mark always wins, as no
// other choice could read such a file.
std::string DecodeTextBytes(std::string_view Bytes, TTextEncoding Encoding = TTextEncoding::Auto);
// The whole file's bytes. Throws std::runtime_error naming the file when it cannot be read.
std::string ReadFileBytes(const std::string& FileName);
// Reads a whole text file and decodes it as DecodeTextBytes does.
std::string ReadTextFile(const std::string& FileName, TTextEncoding Encoding = TTextEncoding::Auto);

}  // namespace corvane
