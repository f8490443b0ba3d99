#include "ID3v2.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "ByteOrder.h"
#include "TagFile.h"
#include "TagText.h"
#include "TextCodec.h"

namespace corvane {
namespace {

constexpr int64_t kHeaderSize = 10;

enum TSlot {
  kTitle,
  kArtist,
  kAlbum,
  kTrack,
  kYear,
  kGenre,
  kComment,
  kComposer,
  kEncoder,
  kCopyright,
  kLanguage,
  kLink,
  kRecordingTime,
  kOriginalArtist,
  kContentGroup,
  kOriginalAlbum,
  kSize,
  kSlotCount
};

struct TFrameName {
  std::string_view Current;  // versions 3 and 4
  std::string_view Old;      // version 2
};

constexpr std::array<TFrameName, kSlotCount> kFrameNames = {{
    {"TIT2", "TT2"},
    {"TPE1", "TP1"},
    {"TALB", "TAL"},
    {"TRCK", "TRK"},
    {"TYER", "TYE"},
    {"TCON", "TCO"},
    {"COMM", "COM"},
    {"TCOM", "TCM"},
    {"TENC", "TEN"},
    {"TCOP", "TCR"},
    {"TLAN", "TLA"},
    {"WXXX", "WXX"},
    {"TDRC", "TOR"},
    {"TOPE", "TOA"},
    {"TIT1", "TT1"},
    {"TOAL", "TOT"},
    {"TSIZ", "TSI"},
}};

// Text encodings of the frame's first byte.
constexpr uint8_t kLatin1 = 0, kUtf16 = 1, kUtf16BigEndian = 2, kUtf8 = 3;

uint32_t SyncSafe(const uint8_t* Bytes) {
  return uint32_t{Bytes[0] & 0x7Fu} << 21 | uint32_t{Bytes[1] & 0x7Fu} << 14 |
         uint32_t{Bytes[2] & 0x7Fu} << 7 | (Bytes[3] & 0x7Fu);
}

bool IsUtf16(uint8_t Encoding) {
  return Encoding == kUtf16 || Encoding == kUtf16BigEndian;
}

// Decodes text bytes of the given encoding up to their terminator. UTF-16 follows its
// byte-order mark when there is one; without one, encoding 1 is taken as little-endian (what
// the writers that leave the mark out use) and encoding 2 as big-endian (as defined).
std::string DecodeText(uint8_t Encoding, std::string_view Bytes) {
  if (IsUtf16(Encoding)) {
    bool bigEndian = Encoding == kUtf16BigEndian;
    size_t pos = 0;
    if (Bytes.size() >= 2) {
      const auto b0 = static_cast<unsigned char>(Bytes[0]);
      const auto b1 = static_cast<unsigned char>(Bytes[1]);
      if (b0 == 0xFF && b1 == 0xFE) bigEndian = false, pos = 2;
      if (b0 == 0xFE && b1 == 0xFF) bigEndian = true, pos = 2;
    }
    std::u16string units;
    for (; pos + 1 < Bytes.size(); pos += 2) {
      const auto first = static_cast<unsigned char>(Bytes[pos]);
      const auto second = static_cast<unsigned char>(Bytes[pos + 1]);
      const auto unit =
          static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
      if (unit == 0) break;
      units += unit;
    }
    return std::string(TrimText(Utf16ToUtf8(units)));
  }
  if (Encoding == kLatin1 || Encoding == kUtf8) return LegacyToUtf8(TrimText(UpToZero(Bytes)));
  return {};
}

// A frame as stored in a slot: its encoding byte and the bytes after it.
struct TFrameBody {
  bool Present = false;
  uint8_t Encoding = 0;
  std::string Bytes;
};

std::string SlotText(const TFrameBody& Body) {
  return Body.Present ? DecodeText(Body.Encoding, Body.Bytes) : std::string();
}

// COMM and WXXX carry a description before their text. The description's terminator is one
// zero byte, or a zero code unit (two zero bytes on a unit boundary) in UTF-16.
std::string_view AfterDescription(uint8_t Encoding, std::string_view Bytes) {
  if (IsUtf16(Encoding)) {
    for (size_t pos = 0; pos + 1 < Bytes.size(); pos += 2) {
      if (Bytes[pos] == 0 && Bytes[pos + 1] == 0) return Bytes.substr(pos + 2);
    }
    return {};
  }
  const size_t zero = Bytes.find('\0');
  return zero == std::string_view::npos ? std::string_view() : Bytes.substr(zero + 1);
}

// "(17)Rock" and "(17)" name a genre by its ID3v1 number; the text after the references is
// the genre's name. "((" starts a name that really begins with "(".
std::string WithoutGenreReferences(std::string Text) {
  while (Text.size() >= 2 && Text[0] == '(' && Text[1] != '(') {
    const size_t close = Text.find(')');
    if (close == std::string::npos) break;
    Text.erase(0, close + 1);
  }
  if (Text.starts_with("((")) Text.erase(0, 1);
  return Text;
}

// The first Count characters of a UTF-8 text.
std::string FirstCharacters(const std::string& Text, size_t Count) {
  size_t pos = 0;
  for (size_t n = 0; n < Count && pos < Text.size(); ++n) {
    ++pos;
    while (pos < Text.size() && (static_cast<unsigned char>(Text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return Text.substr(0, pos);
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
std::string Resynchronise(std::string_view Bytes) {
  std::string out;
  out.reserve(Bytes.size());
  for (size_t i = 0; i < Bytes.size(); ++i) {
    out += Bytes[i];
    if (static_cast<unsigned char>(Bytes[i]) == 0xFF && i + 1 < Bytes.size() && Bytes[i + 1] == 0)
      ++i;
  }
  return out;
}

}  // namespace

void TID3v2::Reset() {
  Exists = false;
  Version = 0;
  Size = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &TrackText, &Year, &Genre, &Comment, &Composer,
                            &Encoder, &Copyright, &Language, &Link, &SizeText}) {
    text->clear();
  }
}

bool TID3v2::Read(const std::string& FileName) {
  Reset();
  const TTagFile file = TTagFile::OpenRead(FileName);
  if (!file.IsOpen()) return false;
  uint8_t header[kHeaderSize];
  if (!file.ReadExact(0, header, kHeaderSize)) return false;
  const int64_t fileSize = file.Size();
  if (std::memcmp(header, "ID3", 3) != 0) return true;

  Exists = true;
  Version = header[3];
  const uint8_t flags = header[5];
  // The size bytes are taken as they stand, without masking their top bits: a tag that
  // breaks the 7-bit rule then comes out too large for the file and is not trusted.
  Size = (int64_t{header[6]} << 21) + (int64_t{header[7]} << 14) + (int64_t{header[8]} << 7) +
         header[9] + kHeaderSize + ((flags & 0x10) != 0 ? 10 : 0);
  if (Size > fileSize) Size = 0;
  if (Version < 2 || Version > 4 || Size <= 0) return true;
  // A compressed version 2 tag has no scheme defined for it; its frames cannot be read.
  if (Version == 2 && (flags & 0x40) != 0) return true;

  const bool oldLayout = Version == 2;
  const int64_t frameHeaderSize = oldLayout ? 6 : 10;
  const bool tagUnsynchronised = Version < 4 && (flags & 0x80) != 0;
  int64_t position = kHeaderSize;
  if (!oldLayout && (flags & 0x40) != 0) {
    uint8_t extended[4];
    if (!file.ReadExact(position, extended, 4)) return true;
    // Version 3 counts the extended header without its size field, version 4 with it.
    position += Version == 3 ? 4 + int64_t{BigEndian32(extended)} : int64_t{SyncSafe(extended)};
  }

  std::array<TFrameBody, kSlotCount> slots;
  std::string body;
  while (position < Size && position < fileSize) {
    uint8_t frame[10];
    if (Size - position < frameHeaderSize || !file.ReadExact(position, frame, frameHeaderSize))
      break;
    if (frame[0] < 'A' || frame[0] > 'Z') break;  // padding or garbage
    int64_t length;
    if (oldLayout) {
      length = BigEndian24(frame + 3);
    } else if (Version == 4 && (frame[4] & 0x80) == 0 && (frame[5] & 0x80) == 0 &&
               (frame[6] & 0x80) == 0 && (frame[7] & 0x80) == 0) {
      length = SyncSafe(frame + 4);
    } else {
      // Version 3, or a version 4 writer that stored a plain number.
      length = BigEndian32(frame + 4);
    }
    const int64_t bodyStart = position + frameHeaderSize;
    if (length > Size - bodyStart) break;  // a frame cannot reach past its tag
    position = bodyStart + length;

    const std::string_view name(reinterpret_cast<const char*>(frame), oldLayout ? 3 : 4);
    int slot = -1;
    for (int i = 0; i < kSlotCount; ++i) {
      const auto& names = kFrameNames[static_cast<size_t>(i)];
      if (name == (oldLayout ? names.Old : names.Current)) slot = i;
    }
    if (slot < 0 || length < 1 || length > kMaxFrameSize) continue;

    bool unsynchronised = tagUnsynchronised;
    int64_t skip = 0;
    if (Version == 3 && (frame[9] & 0xC0) != 0) continue;  // compressed or encrypted
    if (Version == 4) {
      if ((frame[9] & 0x8C) != 0) continue;  // compressed or encrypted
      unsynchronised = (frame[9] & 0x02) != 0;
      if ((frame[9] & 0x01) != 0) skip = 4;  // a data length indicator precedes the data
    }
    body.resize(static_cast<size_t>(length));
    if (!file.ReadExact(bodyStart, body.data(), length)) break;
    std::string_view data(body);
    data.remove_prefix(static_cast<size_t>(std::min<int64_t>(skip, length)));
    const std::string plain = unsynchronised ? Resynchronise(data) : std::string(data);
    if (plain.empty()) continue;
    auto& stored = slots[static_cast<size_t>(slot)];
    stored.Present = true;
    stored.Encoding = static_cast<uint8_t>(plain[0]);
    stored.Bytes = plain.substr(1);
  }

  const auto text = [&](TSlot Slot) { return SlotText(slots[Slot]); };
  const auto either = [&](TSlot First, TSlot Second) {
    std::string value = text(First);
    return value.empty() ? text(Second) : value;
  };
  Title = either(kTitle, kContentGroup);
  Artist = either(kArtist, kOriginalArtist);
  Album = either(kAlbum, kOriginalAlbum);
  TrackText = text(kTrack);
  Track = static_cast<uint16_t>(ParseTrackNumber(TrackText) & 0xFFFF);
  Year = text(kYear);
  if (Year.empty()) Year = FirstCharacters(text(kRecordingTime), 4);
  Genre = WithoutGenreReferences(text(kGenre));
  if (const auto& comment = slots[kComment]; comment.Present) {
    const std::string_view afterLanguage =
        comment.Bytes.size() > 3 ? std::string_view(comment.Bytes).substr(3) : std::string_view();
    Comment = DecodeText(comment.Encoding, AfterDescription(comment.Encoding, afterLanguage));
  }
  if (const auto& link = slots[kLink]; link.Present) {
    // The address itself is always ISO-8859-1; only the description follows the encoding.
    Link = DecodeText(kLatin1, AfterDescription(link.Encoding, link.Bytes));
  }
  Composer = text(kComposer);
  Encoder = text(kEncoder);
  Copyright = text(kCopyright);
  Language = text(kLanguage);
  SizeText = text(kSize);
  return true;
}

}  // namespace corvane
