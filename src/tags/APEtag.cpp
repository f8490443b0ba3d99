#include "APEtag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "ByteOrder.h"
#include "File.h"
#include "TagText.h"
#include "TextCodec.h"

namespace corvane {
namespace {

constexpr int64_t kId3v1Size = 128;
constexpr int64_t kFooterSize = 32;
constexpr int64_t kItemHeaderSize = 8;
// The APE standard allows keys of 2 to 255 characters; with the zero that ends them.
constexpr int64_t kMaxKeyBytes = 256;

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

// The field a text item of Key fills; null when it has none.
std::string* FieldOf(TAPEtag& Tag, const std::string& UpperKey) {
  for (const TTextKey& text : kTextKeys) {
    if (text.Key == UpperKey) return &(Tag.*text.Field);
  }
  return nullptr;
}

std::string Quoted(const std::string& FileName) {
  return "\"" + FileName + "\"";
}

// An item's header and key, and where its value starts.
struct TItemHead {
  int64_t ValueSize = 0;
  bool IsText = false;
  std::string Key;
  int64_t ValueStart = 0;
};

// Reads the items of one tag into the tag's fields, in the order of the file. Every length is
// checked against the end of the items (the footer) before it is read.
class TItemReader {
 public:
  TItemReader(const TFile& File, TAPEtag& Tag, int64_t Start, int64_t End)
      : FFile(File), FTag(Tag), FPosition(Start), FEnd(End) {}

  // Reads Count items; the status names the first item that broke the tag.
  TReadStatus ReadItems(int64_t Count);

 private:
  // Why the reading stopped at item Item: the file failed, or the tag is damaged there.
  TReadStatus Stopped(int64_t Item, const char* Damage) const;
  bool ReadHead(TItemHead& Head);
  bool ReadValue(const TItemHead& Head);
  // Takes the item's value where it belongs; false when reading it failed.
  bool TakeItem(const TItemHead& Head);
  void KeepOtherItem(std::string Key, std::string Text);
  std::string FirstText() const {
    return std::string(TrimText(UpToZero(std::string_view(FValue.data(), FValue.size()))));
  }

  const TFile& FFile;
  TAPEtag& FTag;
  int64_t FPosition;
  const int64_t FEnd;
  int64_t FOtherBytes = 0;
  std::vector<char> FValue;
};

TReadStatus TItemReader::ReadItems(int64_t Count) {
  for (int64_t item = 0; item < Count; ++item) {
    TItemHead head;
    if (!ReadHead(head)) return Stopped(item, "its header or key runs past the tag");
    if (head.ValueSize > FEnd - head.ValueStart)
      return Stopped(item, "its value runs past the tag");
    if (!TakeItem(head)) return Stopped(item, "its value cannot be read");
    FPosition = head.ValueStart + head.ValueSize;
  }
  return {};
}

TReadStatus TItemReader::Stopped(int64_t Item, const char* Damage) const {
  if (FFile.Error().Code != 0) return TReadStatus::FileFailed(FFile.Error());
  return TReadStatus::Damaged("The APE tag of " + Quoted(FFile.FileName()) +
                              " is damaged at item " + std::to_string(Item + 1) + ": " + Damage +
                              ".");
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
    if (size > TAPEtag::kMaxValueSize) return true;
    if (!ReadValue(Head)) return false;
    FTag.CueSheet = std::string(UpToZero(std::string_view(FValue.data(), FValue.size())));
  } else if (std::string* field = FieldOf(FTag, key)) {
    if (!Head.IsText || size > TAPEtag::kMaxValueSize) return true;
    if (!ReadValue(Head)) return false;
    *field = FirstText();
  } else if (Head.IsText && !IsPictureKey(Head.Key) && size <= TAPEtag::kMaxValueSize &&
             FOtherBytes + size <= TAPEtag::kMaxOtherItemBytes) {
    if (!ReadValue(Head)) return false;
    FOtherBytes += size;
    KeepOtherItem(std::string(TrimText(Head.Key)), FirstText());
  }
  return true;
}

void TItemReader::KeepOtherItem(std::string Key, std::string Text) {
  const std::string upper = UpperAscii(Key);
  auto& items = FTag.OtherItems;
  const auto same = std::find_if(items.begin(), items.end(),
                                 [&](const auto& Item) { return UpperAscii(Item.first) == upper; });
  if (same != items.end()) items.erase(same);
  items.emplace_back(std::move(Key), std::move(Text));
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
  OtherItems.clear();
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
  const auto itemCount = static_cast<int32_t>(LittleEndian32(footer + 16));
  const int64_t itemsStart = tagEnd - Size;
  TItemReader items(file, *this, itemsStart, tagEnd - kFooterSize);
  // What the items before any damage hold is kept.
  const TReadStatus status =
      Size < kFooterSize || itemsStart < 0
          ? TReadStatus::Damaged("The APE tag of " + Quoted(FileName) + " declares a size of " +
                                 std::to_string(Size) + " bytes, which the file cannot hold.")
          : items.ReadItems(std::min<int64_t>(itemCount, kMaxItemCount));
  FinishTexts(*this);
  return status;
}

}  // namespace corvane
