#include "ID3v2.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "ByteOrder.h"
#include "File.h"
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

std::string Quoted(const std::string& FileName) {
  return "\"" + FileName + "\"";
}

using TSlots = std::array<TFrameBody, kSlotCount>;

// Reads the frames of a tag of a version this reader knows into their slots. Every frame must
// lie within the tag; a frame that does not ends the reading, and what came before it stays.
class TFrameReader {
 public:
  TFrameReader(const TFile& File, uint8_t Version, uint8_t Flags, int64_t TagSize)
      : FFile(File), FVersion(Version), FFlags(Flags), FTagSize(TagSize) {}

  TReadStatus ReadFrames(TSlots& Slots);

 private:
  bool OldLayout() const { return FVersion == 2; }
  int64_t FrameHeaderSize() const { return OldLayout() ? 6 : 10; }
  TReadStatus Stopped(const char* Damage) const;
  // Steps over an extended header; false when it cannot be read.
  bool SkipExtendedHeader();
  int64_t FrameLength(const uint8_t* Frame) const;
  int SlotOf(const uint8_t* Frame) const;
  // Reads the body of a frame of Length bytes at Start into Slot, undoing what its flags ask
  // for; a compressed or encrypted frame is left out. False when the read failed.
  bool ReadBody(const uint8_t* Frame, int64_t Start, int64_t Length, TFrameBody& Slot);

  const TFile& FFile;
  const uint8_t FVersion;
  const uint8_t FFlags;
  const int64_t FTagSize;
  int64_t FPosition = kHeaderSize;
  std::string FBody;
};

TReadStatus TFrameReader::Stopped(const char* Damage) const {
  if (FFile.Error().Code != 0) return TReadStatus::FileFailed(FFile.Error());
  return TReadStatus::Damaged("The ID3v2 tag of " + Quoted(FFile.FileName()) +
                              " is damaged: " + Damage + ".");
}

bool TFrameReader::SkipExtendedHeader() {
  if (OldLayout() || (FFlags & 0x40) == 0) return true;
  uint8_t extended[4];
  if (!FFile.ReadExact(FPosition, extended, 4)) return false;
  // Version 3 counts the extended header without its size field, version 4 with it.
  FPosition += FVersion == 3 ? 4 + int64_t{BigEndian32(extended)} : int64_t{SyncSafe(extended)};
  return true;
}

int64_t TFrameReader::FrameLength(const uint8_t* Frame) const {
  if (OldLayout()) return BigEndian24(Frame + 3);
  if (FVersion == 4 && (Frame[4] & 0x80) == 0 && (Frame[5] & 0x80) == 0 && (Frame[6] & 0x80) == 0 &&
      (Frame[7] & 0x80) == 0) {
    return SyncSafe(Frame + 4);
  }
  // Version 3, or a version 4 writer that stored a plain number.
  return BigEndian32(Frame + 4);
}

int TFrameReader::SlotOf(const uint8_t* Frame) const {
  const std::string_view name(reinterpret_cast<const char*>(Frame), OldLayout() ? 3 : 4);
  int slot = -1;
  for (int i = 0; i < kSlotCount; ++i) {
    const auto& names = kFrameNames[static_cast<size_t>(i)];
    if (name == (OldLayout() ? names.Old : names.Current)) slot = i;
  }
  return slot;
}

bool TFrameReader::ReadBody(const uint8_t* Frame, int64_t Start, int64_t Length, TFrameBody& Slot) {
  bool unsynchronised = FVersion < 4 && (FFlags & 0x80) != 0;
  int64_t skip = 0;
  if (FVersion == 3 && (Frame[9] & 0xC0) != 0) return true;  // compressed or encrypted
  if (FVersion == 4) {
    if ((Frame[9] & 0x8C) != 0) return true;  // compressed or encrypted
    unsynchronised = (Frame[9] & 0x02) != 0;
    if ((Frame[9] & 0x01) != 0) skip = 4;  // a data length indicator precedes the data
  }
  FBody.resize(static_cast<size_t>(Length));
  if (!FFile.ReadExact(Start, FBody.data(), Length)) return false;
  std::string_view data(FBody);
  data.remove_prefix(static_cast<size_t>(std::min<int64_t>(skip, Length)));
  const std::string plain = unsynchronised ? Resynchronise(data) : std::string(data);
  if (plain.empty()) return true;
  Slot.Present = true;
  Slot.Encoding = static_cast<uint8_t>(plain[0]);
  Slot.Bytes = plain.substr(1);
  return true;
}

TReadStatus TFrameReader::ReadFrames(TSlots& Slots) {
  if (!SkipExtendedHeader()) return Stopped("its extended header runs past the file");
  const int64_t headerSize = FrameHeaderSize();
  while (FPosition < FTagSize) {
    uint8_t frame[10];
    // Fewer bytes than a frame header, or a byte no frame name starts with: padding.
    if (FTagSize - FPosition < headerSize) break;
    if (!FFile.ReadExact(FPosition, frame, headerSize)) return Stopped("a frame header is cut off");
    if (frame[0] < 'A' || frame[0] > 'Z') break;
    const int64_t length = FrameLength(frame);
    const int64_t bodyStart = FPosition + headerSize;
    if (length > FTagSize - bodyStart) return Stopped("a frame runs past the end of the tag");
    FPosition = bodyStart + length;
    const int slot = SlotOf(frame);
    if (slot < 0 || length < 1 || length > TID3v2::kMaxFrameSize) continue;
    if (!ReadBody(frame, bodyStart, length, Slots[static_cast<size_t>(slot)])) {
      return Stopped("a frame is cut off");
    }
  }
  return {};
}

// Puts the texts of the frames read into the tag's fields.
void TakeSlots(TID3v2& Tag, const TSlots& Slots) {
  const auto text = [&](TSlot Slot) { return SlotText(Slots[Slot]); };
  const auto either = [&](TSlot First, TSlot Second) {
    std::string value = text(First);
    return value.empty() ? text(Second) : value;
  };
  Tag.Title = either(kTitle, kContentGroup);
  Tag.Artist = either(kArtist, kOriginalArtist);
  Tag.Album = either(kAlbum, kOriginalAlbum);
  Tag.TrackText = text(kTrack);
  Tag.Track = static_cast<uint16_t>(ParseTrackNumber(Tag.TrackText) & 0xFFFF);
  Tag.Year = text(kYear);
  if (Tag.Year.empty()) Tag.Year = FirstCharacters(text(kRecordingTime), 4);
  Tag.Genre = WithoutGenreReferences(text(kGenre));
  if (const auto& comment = Slots[kComment]; comment.Present) {
    const std::string_view afterLanguage =
        comment.Bytes.size() > 3 ? std::string_view(comment.Bytes).substr(3) : std::string_view();
    Tag.Comment = DecodeText(comment.Encoding, AfterDescription(comment.Encoding, afterLanguage));
  }
  if (const auto& link = Slots[kLink]; link.Present) {
    // The address itself is always ISO-8859-1; only the description follows the encoding.
    Tag.Link = DecodeText(kLatin1, AfterDescription(link.Encoding, link.Bytes));
  }
  Tag.Composer = text(kComposer);
  Tag.Encoder = text(kEncoder);
  Tag.Copyright = text(kCopyright);
  Tag.Language = text(kLanguage);
  Tag.SizeText = text(kSize);
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

TReadStatus TID3v2::Read(const std::string& FileName) {
  Reset();
  const TFile file = TFile::OpenRead(FileName);
  if (!file.IsOpen()) return TReadStatus::FileFailed(file.Error());
  uint8_t header[kHeaderSize] = {};
  const int64_t fileSize = file.Size();
  if (fileSize < 0 || file.ReadAt(0, header, kHeaderSize) < 0) {
    return TReadStatus::FileFailed(file.Error());
  }
  if (fileSize < kHeaderSize || std::memcmp(header, "ID3", 3) != 0) {
    return TReadStatus::NotThisFormat(Quoted(FileName) + " does not start with an ID3v2 tag.");
  }
  Exists = true;
  Version = header[3];
  const uint8_t flags = header[5];
  // The size bytes are taken as they stand, without masking their top bits: a tag that
  // breaks the 7-bit rule then comes out too large for the file and is not trusted.
  Size = (int64_t{header[6]} << 21) + (int64_t{header[7]} << 14) + (int64_t{header[8]} << 7) +
         header[9] + kHeaderSize + ((flags & 0x10) != 0 ? 10 : 0);
  if (Size > fileSize) {
    Size = 0;
    return TReadStatus::Damaged("The ID3v2 tag of " + Quoted(FileName) +
                                " declares more bytes than the file holds.");
  }
  // A compressed version 2 tag has no scheme defined for it; its frames cannot be read.
  if (Version < 2 || Version > 4 || (Version == 2 && (flags & 0x40) != 0)) {
    return TReadStatus::NotThisFormat("The ID3v2 tag of " + Quoted(FileName) + " is of version 2." +
                                      std::to_string(Version) + ", whose frames are not read.");
  }
  TSlots slots;
  const TReadStatus status = TFrameReader(file, Version, flags, Size).ReadFrames(slots);
  TakeSlots(*this, slots);
  return status;
}

}  // namespace corvane
