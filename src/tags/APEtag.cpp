#include "APEtag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "ByteOrder.h"
#include "TagFile.h"
#include "TagText.h"
#include "TextCodec.h"

namespace corvane {
namespace {

constexpr int64_t kId3v1Size = 128;
constexpr int64_t kFooterSize = 32;
constexpr int64_t kItemHeaderSize = 8;
// The APE standard allows keys of 2 to 255 characters; with the zero that ends them.
constexpr int64_t kMaxKeyBytes = 256;

enum TKey {
  kTitle,
  kArtist,
  kAlbum,
  kTrack,
  kYear,
  kGenre,
  kComment,
  kCopyright,
  kCueSheet,
  kCoverArtFront,
  kKeyCount
};
constexpr std::array<std::string_view, kKeyCount> kKeyNames = {
    "TITLE", "ARTIST",  "ALBUM",     "TRACK",    "YEAR",
    "GENRE", "COMMENT", "COPYRIGHT", "CUESHEET", "COVER ART (FRONT)"};
// Bits 1 and 2 of a version 2 item's flags: what its value is.
constexpr uint32_t kValueKindMask = 0x6, kTextValue = 0;

// "Cover Art (Back)" and its kind hold a file name and an image, even where a tagger forgot to
// mark them binary.
bool IsPictureKey(std::string_view Key) {
  return UpperAscii(TrimText(Key)).rfind("COVER ART", 0) == 0;
}

int KeyIndex(std::string_view Key) {
  const std::string upper = UpperAscii(TrimText(Key));
  const auto found = std::find(kKeyNames.begin(), kKeyNames.end(), upper);
  return found == kKeyNames.end() ? -1 : static_cast<int>(found - kKeyNames.begin());
}

}  // namespace

void TAPEtag::KeepOtherItem(std::string Key, std::string Text) {
  const std::string upper = UpperAscii(Key);
  const auto same = std::find_if(OtherItems.begin(), OtherItems.end(),
                                 [&](const auto& Item) { return UpperAscii(Item.first) == upper; });
  if (same != OtherItems.end()) OtherItems.erase(same);
  OtherItems.emplace_back(std::move(Key), std::move(Text));
}

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

bool TAPEtag::Read(const std::string& FileName) {
  Reset();
  const TTagFile file = TTagFile::OpenRead(FileName);
  if (!file.IsOpen()) return false;
  const int64_t fileSize = file.Size();
  if (fileSize < kId3v1Size) return false;

  char id3[3];
  if (!file.ReadExact(fileSize - kId3v1Size, id3, 3)) return false;
  const int64_t shift = std::memcmp(id3, "TAG", 3) == 0 ? kId3v1Size : 0;
  const int64_t footerOffset = fileSize - shift - kFooterSize;
  uint8_t footer[kFooterSize];
  if (footerOffset < 0 || !file.ReadExact(footerOffset, footer, kFooterSize)) return false;
  if (std::memcmp(footer, "APETAGEX", 8) != 0) return true;

  Exists = true;
  Version = static_cast<int32_t>(LittleEndian32(footer + 8));
  Size = static_cast<int32_t>(LittleEndian32(footer + 12));
  const auto itemCount = static_cast<int32_t>(LittleEndian32(footer + 16));

  // The items lie between the start the tag size gives and the footer; a size that reaches
  // before the start of the file, or an item running into the footer, is damage and ends the
  // reading there.
  const int64_t itemsEnd = footerOffset;
  int64_t position = fileSize - shift - Size;
  std::array<std::string, kKeyCount> texts;
  int64_t otherBytes = 0;
  if (Size >= kFooterSize && position >= 0) {
    const int64_t count = std::min<int64_t>(itemCount, kMaxItemCount);
    std::vector<char> value;
    for (int64_t item = 0; item < count; ++item) {
      uint8_t header[kItemHeaderSize];
      if (itemsEnd - position < kItemHeaderSize ||
          !file.ReadExact(position, header, kItemHeaderSize))
        break;
      const int64_t valueSize = LittleEndian32(header);
      const bool isText =
          Version < 2000 || (LittleEndian32(header + 4) & kValueKindMask) == kTextValue;
      position += kItemHeaderSize;

      char keyBytes[kMaxKeyBytes];
      const int64_t keyRead =
          file.ReadAt(position, keyBytes, std::min(kMaxKeyBytes, itemsEnd - position));
      if (keyRead <= 0) break;
      const auto* zero =
          static_cast<const char*>(std::memchr(keyBytes, 0, static_cast<size_t>(keyRead)));
      if (zero == nullptr) break;
      const std::string_view key(keyBytes, static_cast<size_t>(zero - keyBytes));
      position += static_cast<int64_t>(key.size()) + 1;

      if (valueSize > itemsEnd - position) break;
      const int index = KeyIndex(key);
      const auto readValue = [&] {
        value.resize(static_cast<size_t>(valueSize));
        return file.ReadExact(position, value.data(), valueSize);
      };
      const auto firstText = [&] {
        return std::string(TrimText(UpToZero(std::string_view(value.data(), value.size()))));
      };
      if (index == kCoverArtFront) {
        CoverArtFrontSize = valueSize;
        CoverArtFront.clear();
        if (valueSize <= kMaxCoverArtSize) {
          if (!readValue()) break;
          CoverArtFront.assign(value.data(), value.size());
        }
      } else if (index == kCueSheet) {
        if (valueSize <= kMaxValueSize) {
          if (!readValue()) break;
          texts[kCueSheet] = std::string(UpToZero(std::string_view(value.data(), value.size())));
        }
      } else if (index >= 0) {
        if (isText && valueSize <= kMaxValueSize) {
          if (!readValue()) break;
          texts[static_cast<size_t>(index)] = firstText();
        }
      } else if (isText && !IsPictureKey(key) && valueSize <= kMaxValueSize &&
                 otherBytes + valueSize <= kMaxOtherItemBytes) {
        if (!readValue()) break;
        otherBytes += valueSize;
        KeepOtherItem(std::string(TrimText(key)), firstText());
      }
      position += valueSize;
    }
  }

  // Both versions are read the same way: version 2 values are UTF-8 by the standard, version 1
  // values are in whatever code page the tagger used. The values that are not UTF-8 were all
  // written by one tagger, so their encoding is detected from all of them at once: one short
  // title alone tells a detector little.
  std::vector<std::string*> values;
  for (size_t key = 0; key < kKeyCount; ++key) {
    if (key != kCueSheet && key != kCoverArtFront) values.push_back(&texts[key]);
  }
  for (auto& item : OtherItems) values.push_back(&item.second);
  std::string legacy;
  for (const std::string* text : values) {
    if (!IsValidUtf8(*text)) legacy += *text + "\n";
  }
  if (!legacy.empty()) {
    const std::string charset = DetectLegacyCharset(legacy);
    for (std::string* text : values) {
      if (!IsValidUtf8(*text)) *text = DecodeCharset(*text, charset);
    }
  }

  Title = texts[kTitle];
  Artist = texts[kArtist];
  Album = texts[kAlbum];
  TrackText = texts[kTrack];
  Track = static_cast<uint8_t>(ParseTrackNumber(texts[kTrack]) & 0xFF);
  Year = texts[kYear];
  Genre = texts[kGenre];
  Comment = texts[kComment];
  Copyright = texts[kCopyright];
  CueSheet = texts[kCueSheet];
  return true;
}

}  // namespace corvane
