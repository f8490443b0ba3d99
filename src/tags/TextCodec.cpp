#include "TextCodec.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

#include "File.h"
#include "TagText.h"

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

constexpr const char* kGb18030 = "GB18030";
// Below this many double-byte characters a Korean or EUC-JP answer is a guess: GBK uses the
// same byte ranges.
constexpr size_t kMinSharedCharacters = 8;
// How much text the detector gets when asked about the titles alone.
constexpr size_t kTitleSampleBytes = 4096;

enum class TCandidateKind {
  Unshared,  // double-byte sets whose byte ranges GBK does not cover as a whole
  Shared,    // double-byte sets that look like GBK byte for byte
  Cyrillic,
  Latin,
};

// What uchardet may answer that moves a text away from GB18030, and the iconv set that reads
// it. The Windows supersets are used where rippers' files come from Windows tools (a Shift-JIS
// "\\" stays a backslash, not a yen sign).
struct TCandidate {
  std::string_view Detected;
  const char* Charset;
  TCandidateKind Kind;
};

constexpr TCandidate kCandidates[] = {
    {"BIG5", "BIG5-HKSCS", TCandidateKind::Unshared},
    {"SHIFT_JIS", "CP932", TCandidateKind::Unshared},
    {"EUC-JP", "EUC-JP", TCandidateKind::Shared},
    {"EUC-KR", "CP949", TCandidateKind::Shared},
    {"UHC", "CP949", TCandidateKind::Shared},
    {"WINDOWS-1251", "WINDOWS-1251", TCandidateKind::Cyrillic},
    {"KOI8-R", "KOI8-R", TCandidateKind::Cyrillic},
    {"KOI8-U", "KOI8-U", TCandidateKind::Cyrillic},
    {"IBM855", "IBM855", TCandidateKind::Cyrillic},
    {"IBM866", "IBM866", TCandidateKind::Cyrillic},
    {"ISO-8859-5", "ISO-8859-5", TCandidateKind::Cyrillic},
    {"MAC-CYRILLIC", "MAC-CYRILLIC", TCandidateKind::Cyrillic},
    {"WINDOWS-1250", "WINDOWS-1250", TCandidateKind::Latin},
    {"WINDOWS-1252", "WINDOWS-1252", TCandidateKind::Latin},
    {"WINDOWS-1257", "WINDOWS-1257", TCandidateKind::Latin},
    {"ISO-8859-1", "ISO-8859-1", TCandidateKind::Latin},
    {"ISO-8859-2", "ISO-8859-2", TCandidateKind::Latin},
    {"ISO-8859-3", "ISO-8859-3", TCandidateKind::Latin},
    {"ISO-8859-4", "ISO-8859-4", TCandidateKind::Latin},
    {"ISO-8859-9", "ISO-8859-9", TCandidateKind::Latin},
    {"ISO-8859-10", "ISO-8859-10", TCandidateKind::Latin},
    {"ISO-8859-13", "ISO-8859-13", TCandidateKind::Latin},
    {"ISO-8859-15", "ISO-8859-15", TCandidateKind::Latin},
    {"ISO-8859-16", "ISO-8859-16", TCandidateKind::Latin},
    {"MAC-CENTRALEUROPE", "MAC-CENTRALEUROPE", TCandidateKind::Latin},
    {"IBM852", "IBM852", TCandidateKind::Latin},
};

const TCandidate* FindCandidate(std::string_view Detected) {
  for (const TCandidate& candidate : kCandidates) {
    if (candidate.Detected == Detected) return &candidate;
  }
  return nullptr;
}

struct TUchardetDeleter {
  void operator()(uchardet* Detector) const { uchardet_delete(Detector); }
};

// The detector's answer in upper case; empty when it has none.
std::string AskUchardet(std::string_view Bytes) {
  const std::unique_ptr<uchardet, TUchardetDeleter> detector(uchardet_new());
  if (!detector) return {};
  if (uchardet_handle_data(detector.get(), Bytes.data(), Bytes.size()) != 0) return {};
  uchardet_data_end(detector.get());
  return UpperAscii(uchardet_get_charset(detector.get()));
}

// The runs of non-ASCII bytes (with the ASCII trail bytes of double-byte characters), one
// blank between runs, repeated up to a sample the detector can weigh.
std::string NonAsciiRuns(std::string_view Bytes) {
  std::string runs;
  bool inRun = false;
  for (const char c : Bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || (inRun && byte >= 0x40 && byte != 0x7F)) {
      runs += c;
      inRun = byte >= 0x80 || inRun;
    } else if (inRun) {
      runs += ' ';
      inRun = false;
    }
  }
  if (runs.empty()) return runs;
  std::string sample;
  while (sample.size() < kTitleSampleBytes) sample += runs;
  return sample;
}

// Characters of two bytes or more, counted as GBK would split them.
size_t DoubleByteCharacters(std::string_view Bytes) {
  size_t count = 0;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    if (static_cast<unsigned char>(Bytes[i]) >= 0x80) {
      ++count;
      ++i;
    }
  }
  return count;
}

// Converts Bytes from Charset to UTF-8, into Out when one is given. Strict: an invalid or
// cut-off sequence ends the conversion with false. Otherwise it is marked with U+FFFD and the
// conversion goes on with the next byte.
bool ConvertToUtf8(std::string_view Bytes, const char* Charset, bool Strict, std::string* Out) {
  TIconv converter("UTF-8", Charset);
  char buffer[4096];
  // iconv takes a non-const input pointer although it does not write through it.
  char* in = const_cast<char*>(Bytes.data());
  size_t inLeft = Bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = ::iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
    if (Out != nullptr) Out->append(buffer, static_cast<size_t>(outPtr - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    if (Strict) return false;
    if (Out != nullptr) AppendUtf8(*Out, kReplacement);
    ++in;
    --inLeft;
    ::iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
  }
  if (!Strict) return true;
  // A stateful set may still hold a cut-off sequence.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  return ::iconv(converter.Get(), nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
}

// True when every byte of Bytes belongs to a character of Charset.
bool DecodesCleanly(std::string_view Bytes, const char* Charset) {
  return ConvertToUtf8(Bytes, Charset, true, nullptr);
}

}  // namespace

bool IsValidUtf8(std::string_view Bytes) {
  size_t pos = 0;
  char32_t c;
  while (pos < Bytes.size()) {
    if (!DecodeUtf8(Bytes, pos, c)) return false;
  }
  return true;
}

std::string DecodeCharset(std::string_view Bytes, const std::string& Charset) {
  std::string out;
  out.reserve(Bytes.size() * 3 / 2 + 16);
  ConvertToUtf8(Bytes, Charset.c_str(), false, &out);
  return out;
}

std::string DetectLegacyCharset(std::string_view Bytes) {
  std::string detected = AskUchardet(Bytes);
  const TCandidate* candidate = FindCandidate(detected);
  const bool strongAnswer = candidate != nullptr && (candidate->Kind == TCandidateKind::Unshared ||
                                                     candidate->Kind == TCandidateKind::Cyrillic);
  if (!strongAnswer) {
    // Titles drown in the ASCII of the keywords, times and file types; asked about the titles
    // alone, the detector tells Big5 and Shift-JIS apart from the rest far more often.
    const TCandidate* fromTitles = FindCandidate(AskUchardet(NonAsciiRuns(Bytes)));
    if (fromTitles != nullptr && fromTitles->Kind == TCandidateKind::Unshared) {
      candidate = fromTitles;
    }
  }
  if (candidate == nullptr || !DecodesCleanly(Bytes, candidate->Charset)) return kGb18030;
  switch (candidate->Kind) {
    case TCandidateKind::Latin:
      // Mostly-ASCII GBK is often taken for a Latin set; Latin text rarely reads as GBK.
      if (DecodesCleanly(Bytes, "GBK")) return kGb18030;
      break;
    case TCandidateKind::Shared:
      if (DoubleByteCharacters(Bytes) < kMinSharedCharacters && DecodesCleanly(Bytes, "GBK")) {
        return kGb18030;
      }
      break;
    case TCandidateKind::Unshared:
    case TCandidateKind::Cyrillic:
      break;
  }
  return candidate->Charset;
}

std::string LegacyToUtf8(std::string_view Bytes) {
  if (IsValidUtf8(Bytes)) return std::string(Bytes);
  return DecodeCharset(Bytes, DetectLegacyCharset(Bytes));
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

namespace {

// The charset iconv decodes a chosen encoding with; none for Auto.
const char* CharsetOf(TTextEncoding Encoding) {
  static constexpr std::pair<TTextEncoding, const char*> kCharsets[] = {
      {TTextEncoding::Gb18030, kGb18030},          {TTextEncoding::Big5, "BIG5-HKSCS"},
      {TTextEncoding::ShiftJis, "CP932"},          {TTextEncoding::EucKr, "CP949"},
      {TTextEncoding::Utf8, "UTF-8"},              {TTextEncoding::Windows1251, "WINDOWS-1251"},
      {TTextEncoding::Windows1252, "WINDOWS-1252"}};
  for (const auto& [encoding, charset] : kCharsets) {
    if (encoding == Encoding) return charset;
  }
  return nullptr;
}

}  // namespace

std::string DecodeTextBytes(std::string_view Bytes, TTextEncoding Encoding) {
  const auto startsWith = [&](std::string_view mark) {
    return Bytes.substr(0, mark.size()) == mark;
  };
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
  const std::string_view text = startsWith("\xEF\xBB\xBF") ? Bytes.substr(3) : Bytes;
  if (const char* charset = CharsetOf(Encoding)) return DecodeCharset(text, charset);
  return LegacyToUtf8(text);
}

std::string ReadFileBytes(const std::string& FileName) {
  const TFile file = TFile::OpenRead(FileName);
  if (!file.IsOpen()) throw std::runtime_error(file.Error().Message);
  // Read to the end rather than to the size the file had when asked.
  constexpr int64_t kChunk = 1 << 16;
  std::string bytes;
  for (;;) {
    const size_t at = bytes.size();
    bytes.resize(at + kChunk);
    const int64_t got = file.ReadAt(static_cast<int64_t>(at), bytes.data() + at, kChunk);
    if (got < 0) throw std::runtime_error(file.Error().Message);
    bytes.resize(at + static_cast<size_t>(got));
    if (got < kChunk) return bytes;
  }
}

std::string ReadTextFile(const std::string& FileName, TTextEncoding Encoding) {
  return DecodeTextBytes(ReadFileBytes(FileName), Encoding);
}

}  // namespace corvane
