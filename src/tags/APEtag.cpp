#include "APEtag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ByteOrder.h"
#include "File.h"
#include "TagText.h"
#include "TextCodec.h"

namespace corvane {
namespace {

constexpr int64_t kId3v1Size = 128;
// The footer's size, and the header's.
constexpr int64_t kFooterSize = 32;
constexpr int64_t kItemHeaderSize = 8;
// The APE standard allows keys of 2 to 255 characters; with the zero that ends them.
constexpr int64_t kMaxKeyBytes = 256;
// The smallest item: a header and the zero of an empty key.
constexpr int64_t kMinItemSize = kItemHeaderSize + 1;
// A flag of the header and the footer: these 32 bytes are the header.
constexpr uint32_t kIsHeader = 1u << 29;
// How far before the footer a header is looked for when the footer's size is wrong: a tag
// further back would hold more than the program keeps of one (a cover and two blocks' texts).
constexpr int64_t kMaxHeaderSearch = int64_t{64} << 20;
constexpr int64_t kSearchChunk = int64_t{64} << 10;
constexpr std::string_view kMarker = "APETAGEX";

// The text items with fields of their own, by their keys in upper case.
struct TTextKey {
  std::string_view Key;
  std::string TAPEtag::*Field;
};
const std::array<TTextKey, 8> kTextKeys = {{
    {"TITLE", &TAPEtag::Title},
    {"ARTIST", &TAPEtag::Artist},
    {"ALBUM", &TAPEtag::Album},
    {"TRACK", &TAPEtag::TrackText},
    {"YEAR", &TAPEtag::Year},
    {"GENRE", &TAPEtag::Genre},
    {"COMMENT", &TAPEtag::Comment},
    {"COPYRIGHT", &TAPEtag::Copyright},
}};
constexpr std::string_view kCueSheetKey = "CUESHEET", kFrontCoverKey = "COVER ART (FRONT)";
// Bits 1 and 2 of a version 2 item's flags: what its value is.
constexpr uint32_t kValueKindMask = 0x6, kTextValue = 0;

// "Cover Art (Back)" and its kind hold a file name and an image, even where a tagger forgot to
// mark them binary.
bool IsPictureKey(std::string_view Key) {
  return UpperAscii(TrimText(Key)).rfind("COVER ART", 0) == 0;
}

// The key with a field of its own that UpperKey is; null when it has none.
const TTextKey* TextKeyOf(const std::string& UpperKey) {
  for (const TTextKey& text : kTextKeys) {
    if (text.Key == UpperKey) return &text;
  }
  return nullptr;
}

std::string Quoted(const std::string& FileName) {
  return "\"" + FileName + "\"";
}

// The values of a list, each trimmed; empty ones are dropped, but a list keeps one value
// however empty. False, with Values incomplete, when there are more than Limit.
bool SplitValues(std::string_view Text, int64_t Limit, std::vector<std::string>& Values) {
  for (size_t start = 0; start <= Text.size();) {
    const size_t zero = std::min(Text.find('\0', start), Text.size());
    const std::string_view value = TrimText(Text.substr(start, zero - start));
    if (!value.empty()) {
      if (static_cast<int64_t>(Values.size()) >= Limit) return false;
      Values.emplace_back(value);
    }
    start = zero + 1;
  }
  if (Values.empty()) Values.emplace_back();
  return static_cast<int64_t>(Values.size()) <= Limit;
}

// Whether a tag header of Version starts at Position.
bool IsHeaderAt(const TFile& File, int64_t Position, uint32_t Version) {
  uint8_t header[kFooterSize];
  if (Position < 0 || !File.ReadExact(Position, header, kFooterSize)) return false;
  return std::memcmp(header, kMarker.data(), kMarker.size()) == 0 &&
         LittleEndian32(header + 8) == Version && (LittleEndian32(header + 20) & kIsHeader) != 0;
}

// The nearest tag header of Version that ends before the footer at FooterStart; nothing when
// none is found within kMaxHeaderSearch bytes.
std::optional<int64_t> FindHeader(const TFile& File, int64_t FooterStart, uint32_t Version) {
  const int64_t from = std::max<int64_t>(0, FooterStart - kMaxHeaderSearch);
  std::vector<char> chunk;
  for (int64_t end = FooterStart - kFooterSize + static_cast<int64_t>(kMarker.size());
       end > from;) {
    const int64_t start = std::max(from, end - kSearchChunk);
    chunk.resize(static_cast<size_t>(end - start));
    if (!File.ReadExact(start, chunk.data(), end - start)) return std::nullopt;
    const std::string_view text(chunk.data(), chunk.size());
    for (size_t at = text.rfind(kMarker); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : text.rfind(kMarker, at - 1)) {
      const int64_t position = start + static_cast<int64_t>(at);
      if (IsHeaderAt(File, position, Version)) return position;
    }
    if (start == from) break;
    // The next chunk overlaps this one, so a marker across their border is found.
    end = start + static_cast<int64_t>(kMarker.size()) - 1;
  }
  return std::nullopt;
}

// An item's header and key, and where its value starts.
struct TItemHead {
  int64_t ValueSize = 0;
  bool IsText = false;
  std::string Key;
  int64_t ValueStart = 0;
};

// A text item as read, until the tag's fields are filled from the items still standing.
struct TTextItem {
  std::string Key;                  // trimmed, as stored
  const TTextKey* Field = nullptr;  // the field it fills, if any
  std::vector<std::string> Values;  // at least one
  int64_t Bytes = 0;                // its key and value, counted against their limit
  bool Replaced = false;            // a later item of its key took its place
};

// Reads the items of one tag, in the order of the file. Every length is checked against the
// end of the items (the footer) before it is read.
class TItemReader {
 public:
  TItemReader(const TFile& File, TAPEtag& Tag, int64_t Start, int64_t End)
      : FFile(File), FTag(Tag), FPosition(Start), FEnd(End) {}

  // Reads the Count items the footer declares, and on while bytes remain before the footer;
  // the status names the first item that broke the tag.
  TReadStatus ReadItems(int64_t Count);
  // Fills the tag's text fields with the items that stand.
  void Finish();

 private:
  // Why the reading stopped at item Item: the file failed, or the tag is damaged there.
  TReadStatus Stopped(int64_t Item, const char* Damage) const;
  bool OnlyZerosLeft() const;
  bool ReadHead(TItemHead& Head);
  bool ReadValue(const TItemHead& Head);
  // Takes the item's value where it belongs; false when reading it failed.
  bool TakeItem(const TItemHead& Head);
  bool TakeText(const TItemHead& Head, const std::string& UpperKey);
  void LeaveOut(std::string_view Key, int64_t Count = 1);
  // Drops the items that were replaced, so that a tag repeating one key cannot grow FItems.
  void DropReplaced();

  const TFile& FFile;
  TAPEtag& FTag;
  int64_t FPosition;
  const int64_t FEnd;
  std::vector<char> FValue;
  std::vector<TTextItem> FItems;
  // The item that stands for each key in upper case.
  std::unordered_map<std::string, size_t> FLatest;
  int64_t FFieldBytes = 0, FOtherBytes = 0, FValueCount = 0;
  size_t FReplacedCount = 0;
};

TReadStatus TItemReader::ReadItems(int64_t Count) {
  int64_t item = 0;
  // A footer that counts too few items would hide the rest: what lies before it is read too,
  // unless it is only zeros.
  const auto more = [&] {
    if (item < Count) return true;
    return FPosition < FEnd && (item > Count || !OnlyZerosLeft());
  };
  for (; more(); ++item) {
    if (item == TAPEtag::kMaxItemCount) {
      // Not read: as many as the footer still counts, or as the bytes left could hold.
      const int64_t room = std::max<int64_t>((FEnd - FPosition) / kMinItemSize, 1);
      LeaveOut({}, std::clamp<int64_t>(Count - item, 1, room));
      return {};
    }
    TItemHead head;
    if (!ReadHead(head)) return Stopped(item, "its header or key runs past the tag");
    if (head.ValueSize > FEnd - head.ValueStart)
      return Stopped(item, "its value runs past the tag");
    if (!TakeItem(head)) return Stopped(item, "its value cannot be read");
    FPosition = head.ValueStart + head.ValueSize;
  }
  if (item > Count) {
    return TReadStatus::Damaged("The APE tag of " + Quoted(FFile.FileName()) + " holds " +
                                std::to_string(item) + " items, but its footer counts " +
                                std::to_string(Count) + ".");
  }
  return {};
}

TReadStatus TItemReader::Stopped(int64_t Item, const char* Damage) const {
  if (FFile.Error().Code != 0) return TReadStatus::FileFailed(FFile.Error());
  return TReadStatus::Damaged("The APE tag of " + Quoted(FFile.FileName()) +
                              " is damaged at item " + std::to_string(Item + 1) + ": " + Damage +
                              ".");
}

bool TItemReader::OnlyZerosLeft() const {
  std::vector<char> chunk;
  for (int64_t at = FPosition; at < FEnd; at += kSearchChunk) {
    chunk.resize(static_cast<size_t>(std::min(kSearchChunk, FEnd - at)));
    // A failed read is no padding: reading the items there says what went wrong.
    if (!FFile.ReadExact(at, chunk.data(), static_cast<int64_t>(chunk.size()))) return false;
    if (std::any_of(chunk.begin(), chunk.end(), [](char C) { return C != 0; })) return false;
  }
  return true;
}

bool TItemReader::ReadHead(TItemHead& Head) {
  uint8_t header[kItemHeaderSize];
  if (FEnd - FPosition < kItemHeaderSize || !FFile.ReadExact(FPosition, header, kItemHeaderSize)) {
    return false;
  }
  Head.ValueSize = LittleEndian32(header);
  Head.IsText = FTag.Version < 2000 || (LittleEndian32(header + 4) & kValueKindMask) == kTextValue;
  const int64_t keyStart = FPosition + kItemHeaderSize;
  char keyBytes[kMaxKeyBytes];
  const int64_t keyRead = FFile.ReadAt(keyStart, keyBytes, std::min(kMaxKeyBytes, FEnd - keyStart));
  if (keyRead <= 0) return false;
  const auto* zero =
      static_cast<const char*>(std::memchr(keyBytes, 0, static_cast<size_t>(keyRead)));
  if (zero == nullptr) return false;
  Head.Key.assign(keyBytes, static_cast<size_t>(zero - keyBytes));
  Head.ValueStart = keyStart + static_cast<int64_t>(Head.Key.size()) + 1;
  return true;
}

bool TItemReader::ReadValue(const TItemHead& Head) {
  FValue.resize(static_cast<size_t>(Head.ValueSize));
  return FFile.ReadExact(Head.ValueStart, FValue.data(), Head.ValueSize);
}

bool TItemReader::TakeItem(const TItemHead& Head) {
  const int64_t size = Head.ValueSize;
  const std::string key = UpperAscii(TrimText(Head.Key));
  if (key == kFrontCoverKey) {
    FTag.CoverArtFrontSize = size;
    FTag.CoverArtFront.clear();
    if (size > TAPEtag::kMaxCoverArtSize) return true;
    if (!ReadValue(Head)) return false;
    FTag.CoverArtFront.assign(FValue.data(), FValue.size());
  } else if (key == kCueSheetKey) {
    if (size > TAPEtag::kMaxCueSheetSize) return true;
    if (!ReadValue(Head)) return false;
    FTag.CueSheet = std::string(UpToZero(std::string_view(FValue.data(), FValue.size())));
  } else if (Head.IsText && !IsPictureKey(Head.Key)) {
    return TakeText(Head, key);
  }
  return true;
}

bool TItemReader::TakeText(const TItemHead& Head, const std::string& UpperKey) {
  const TTextKey* field = TextKeyOf(UpperKey);
  int64_t& bytes = field != nullptr ? FFieldBytes : FOtherBytes;
  const int64_t limit = field != nullptr ? TAPEtag::kMaxFieldBytes : TAPEtag::kMaxOtherItemBytes;
  const auto latest = FLatest.find(UpperKey);
  TTextItem* replaced = latest == FLatest.end() ? nullptr : &FItems[latest->second];
  // The item it replaces gives back its room.
  const int64_t freedBytes = replaced != nullptr ? replaced->Bytes : 0;
  const auto freedValues = static_cast<int64_t>(replaced != nullptr ? replaced->Values.size() : 0);
  TTextItem item{std::string(TrimText(Head.Key)), field, {}, 0};
  item.Bytes = static_cast<int64_t>(item.Key.size()) + Head.ValueSize;
  if (Head.ValueSize > TAPEtag::kMaxValueSize || bytes - freedBytes + item.Bytes > limit) {
    LeaveOut(Head.Key);
    return true;
  }
  if (!ReadValue(Head)) return false;
  if (!SplitValues(std::string_view(FValue.data(), FValue.size()),
                   TAPEtag::kMaxValueCount - FValueCount + freedValues, item.Values)) {
    LeaveOut(Head.Key);
    return true;
  }
  if (replaced != nullptr) {
    bytes -= freedBytes;
    FValueCount -= freedValues;
    replaced->Replaced = true;
    replaced->Values = {};
    ++FReplacedCount;
  }
  bytes += item.Bytes;
  FValueCount += static_cast<int64_t>(item.Values.size());
  FLatest[UpperKey] = FItems.size();
  FItems.push_back(std::move(item));
  if (FReplacedCount > 1024 && FReplacedCount * 2 > FItems.size()) DropReplaced();
  return true;
}

void TItemReader::DropReplaced() {
  std::erase_if(FItems, [](const TTextItem& Item) { return Item.Replaced; });
  for (size_t i = 0; i < FItems.size(); ++i) FLatest[UpperAscii(FItems[i].Key)] = i;
  FReplacedCount = 0;
}

void TItemReader::LeaveOut(std::string_view Key, int64_t Count) {
  FTag.LeftOutCount += Count;
  const std::string key(TrimText(Key));
  std::vector<std::string>& keys = FTag.LeftOutKeys;
  if (key.empty() || keys.size() >= TAPEtag::kMaxLeftOutKeys ||
      std::find(keys.begin(), keys.end(), key) != keys.end()) {
    return;
  }
  keys.push_back(key);
}

void TItemReader::Finish() {
  for (TTextItem& item : FItems) {
    if (item.Replaced) continue;
    if (item.Field == nullptr) {
      for (std::string& value : item.Values)
        FTag.OtherItems.emplace_back(item.Key, std::move(value));
      continue;
    }
    FTag.*(item.Field->Field) = std::move(item.Values.front());
    for (size_t i = 1; i < item.Values.size(); ++i) {
      FTag.MoreValues.emplace_back(item.Field->Key, std::move(item.Values[i]));
    }
  }
}

// Both versions are read the same way: version 2 values are UTF-8 by the standard, version 1
// values are in whatever code page the tagger used. The values that are not UTF-8 were all
// written by one tagger, so their encoding is detected from all of them at once: one short
// title alone tells a detector little.
void DecodeLegacyTexts(const std::vector<std::string*>& Values) {
  std::string legacy;
  for (const std::string* text : Values) {
    if (!IsValidUtf8(*text)) legacy += *text + "\n";
  }
  if (legacy.empty()) return;
  const std::string charset = DetectLegacyCharset(legacy);
  for (std::string* text : Values) {
    if (!IsValidUtf8(*text)) *text = DecodeCharset(*text, charset);
  }
}

// The values that are not UTF-8 decoded, and the track number taken from its text.
void FinishTexts(TAPEtag& Tag) {
  std::vector<std::string*> values;
  for (const TTextKey& text : kTextKeys) values.push_back(&(Tag.*text.Field));
  for (auto& item : Tag.MoreValues) values.push_back(&item.second);
  for (auto& item : Tag.OtherItems) values.push_back(&item.second);
  DecodeLegacyTexts(values);
  Tag.Track = static_cast<uint8_t>(ParseTrackNumber(Tag.TrackText) & 0xFF);
}

}  // namespace

void TAPEtag::Reset() {
  Exists = false;
  Version = 0;
  Size = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &TrackText, &Year, &Genre, &Comment,
                            &Copyright, &CueSheet, &CoverArtFront}) {
    text->clear();
  }
  CoverArtFrontSize = 0;
  MoreValues.clear();
  OtherItems.clear();
  LeftOutKeys.clear();
  LeftOutCount = 0;
}

TReadStatus TAPEtag::Read(const std::string& FileName) {
  Reset();
  const TFile file = TFile::OpenRead(FileName);
  if (!file.IsOpen()) return TReadStatus::FileFailed(file.Error());
  const int64_t fileSize = file.Size();
  if (fileSize < 0) return TReadStatus::FileFailed(file.Error());
  if (fileSize < kId3v1Size) {
    return TReadStatus::NotThisFormat(Quoted(FileName) + " is too short to hold an APE tag.");
  }
  char id3[3];
  if (!file.ReadExact(fileSize - kId3v1Size, id3, 3)) return TReadStatus::FileFailed(file.Error());
  // An ID3v1 tag, when there is one, ends the file behind the APE tag.
  const int64_t tagEnd = fileSize - (std::memcmp(id3, "TAG", 3) == 0 ? kId3v1Size : 0);
  uint8_t footer[kFooterSize];
  if (!file.ReadExact(tagEnd - kFooterSize, footer, kFooterSize)) {
    return TReadStatus::FileFailed(file.Error());
  }
  if (std::memcmp(footer, "APETAGEX", 8) != 0) {
    return TReadStatus::NotThisFormat(Quoted(FileName) + " has no APE tag.");
  }
  Exists = true;
  Version = static_cast<int32_t>(LittleEndian32(footer + 8));
  Size = static_cast<int32_t>(LittleEndian32(footer + 12));
  const int64_t itemCount = LittleEndian32(footer + 16);
  const int64_t footerStart = tagEnd - kFooterSize;
  const int64_t itemsStart = tagEnd - Size;
  // What the items before any damage hold is kept.
  const auto readFrom = [&](int64_t Start) {
    TItemReader items(file, *this, Start, footerStart);
    const TReadStatus read = items.ReadItems(itemCount);
    items.Finish();
    return read;
  };
  const bool sizeFits = Size >= kFooterSize && itemsStart >= 0;
  TReadStatus status =
      sizeFits
          ? readFrom(itemsStart)
          : TReadStatus::Damaged("The APE tag of " + Quoted(FileName) + " declares a size of " +
                                 std::to_string(Size) + " bytes, which the file cannot hold.");
  // A footer whose size is wrong puts the items anywhere: the tag's header, found where the
  // size does not put it, says where they start.
  if (status.Outcome == TReadOutcome::Damaged &&
      !(sizeFits && IsHeaderAt(file, itemsStart - kFooterSize, LittleEndian32(footer + 8)))) {
    const std::optional<int64_t> header = FindHeader(file, footerStart, LittleEndian32(footer + 8));
    if (header && *header + kFooterSize != itemsStart) {
      const int32_t version = Version, size = Size;
      Reset();
      Exists = true;
      Version = version;
      Size = size;
      status = readFrom(*header + kFooterSize);
      if (status.Whole()) {
        status =
            TReadStatus::Damaged("The APE tag of " + Quoted(FileName) + " declares a size of " +
                                 std::to_string(Size) + " bytes, but its header makes it " +
                                 std::to_string(tagEnd - *header - kFooterSize) + ".");
      }
    }
  }
  FinishTexts(*this);
  return status;
}

}  // namespace corvane
