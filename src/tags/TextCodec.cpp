#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace corvane {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

// Decodes one UTF-8 sequence at Pos; returns false (Pos unchanged) when it is not valid:
// overlong forms, surrogates and values past U+10FFFF are refused.
bool DecodeUtf8(std::string_view Bytes, size_t& Pos, char32_t& C) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(Bytes[i]); };
  const unsigned char lead = byte(Pos);
  size_t length;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    C = lead;
    ++Pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (Pos + length > Bytes.size()) return false;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(Pos + i);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  C = value;
  Pos += length;
  return true;
}

// iconv descriptor owned for one conversion.
class TIconv {
 public:
  TIconv(const char* To, const char* From) : FHandle(::iconv_open(To, From)) {
    if (FHandle == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + From + " to " + To);
    }
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  ~TIconv() { ::iconv_close(FHandle); }
  iconv_t Get() const { return FHandle; }

 private:
  iconv_t FHandle;
};

}  // namespace

bool IsValidUtf8(std::string_view Bytes) {
  size_t pos = 0;
  char32_t c;
  while (pos < Bytes.size()) {
    if (!DecodeUtf8(Bytes, pos, c)) return false;
  }
  return true;
}

std::string LegacyToUtf8(std::string_view Bytes) {
  if (IsValidUtf8(Bytes)) return std::string(Bytes);
  TIconv converter("UTF-8", "GB18030");
  std::string out;
  out.reserve(Bytes.size() * 3 / 2 + 16);
  char buffer[4096];
  // iconv takes a non-const input pointer although it does not write through it.
  char* in = const_cast<char*>(Bytes.data());
  size_t inLeft = Bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = ::iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or cut-off sequence: mark it and go on with the next byte.
      AppendUtf8(out, kReplacement);
      ++in;
      --inLeft;
      ::iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view Units) {
  std::string out;
  out.reserve(Units.size() * 3);
  for (size_t i = 0; i < Units.size(); ++i) {
    const char16_t unit = Units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < Units.size() && Units[i + 1] >= 0xDC00 &&
        Units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (Units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string out;
  out.reserve(Text.size());
  size_t pos = 0;
  while (pos < Text.size()) {
    char32_t c;
    if (!DecodeUtf8(Text, pos, c)) {
      c = kReplacement;
      ++pos;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string DecodeTextBytes(std::string_view Bytes) {
  const auto startsWith = [&](std::string_view mark) { return Bytes.substr(0, mark.size()) == mark; };
  const bool littleEndian = startsWith("\xFF\xFE");
  if (littleEndian || startsWith("\xFE\xFF")) {
    std::u16string units;
    units.reserve(Bytes.size() / 2);
    for (size_t i = 2; i + 1 < Bytes.size(); i += 2) {
      const auto lo = static_cast<unsigned char>(Bytes[littleEndian ? i : i + 1]);
      const auto hi = static_cast<unsigned char>(Bytes[littleEndian ? i + 1 : i]);
      units += static_cast<char16_t>(lo | (hi << 8));
    }
    return Utf16ToUtf8(units);
  }
  if (startsWith("\xEF\xBB\xBF")) return LegacyToUtf8(Bytes.substr(3));
  return LegacyToUtf8(Bytes);
}

std::string ReadTextFile(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) {
    throw std::runtime_error("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
  }
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    throw std::runtime_error("Cannot read file \"" + FileName + "\". " + std::strerror(errno));
  }
  return DecodeTextBytes(bytes);
}

}  // namespace corvane
