#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FlacFormat.h"
#include "ReadStatus.h"

namespace corvane {

// Reads the APE tag at the end of a Monkey's Audio file (behind an ID3v1 tag when one ends
// the file) and keeps the texts of eight keys. Values arrive as UTF-8; every value goes through
// the program's one text conversion, so a legacy GB18030 value comes out as UTF-8 as well.
class TAPEtag {
 public:
  // A text larger than one FLAC comment block can hold (beside the block's vendor length and
  // entry count, its own length and at least "X=") can never be written, so it is not read
  // into memory either: it is left out (see LeftOutKeys).
  static constexpr int64_t kMaxValueSize = flac::kMaxBlockLength - 3 * 4 - 2;
  // A real embedded cue sheet is far shorter; a larger item is a hostile file.
  static constexpr int64_t kMaxCueSheetSize = 1 << 20;
  // Items read, and values kept, at most. A tag of a hundred thousand items is real; past
  // these the items are left out (and counted), so that millions of one-byte items in a
  // hostile tag can neither take memory in proportion nor keep the reader busy for long.
  static constexpr int64_t kMaxItemCount = 1 << 20;
  static constexpr int64_t kMaxValueCount = 1 << 18;
  // A cover picture may be larger than a text: a file name and an image of up to 16 MiB.
  static constexpr int64_t kMaxCoverArtSize = (int64_t{16} << 20) + 4096;
  // The keys and texts of the eight keys with fields together, and apart from them those of
  // OtherItems together: neither can be written beyond one comment block, and counting them
  // apart keeps a pile of other items from crowding out the title.
  static constexpr int64_t kMaxFieldBytes = flac::kMaxBlockLength;
  static constexpr int64_t kMaxOtherItemBytes = flac::kMaxBlockLength;
  // Keys of left-out items kept for the user's note; LeftOutCount counts them all.
  static constexpr size_t kMaxLeftOutKeys = 16;

  TAPEtag() { Reset(); }
  void Reset();
  // Read: a whole tag. NotThisFormat: the file has no APE tag (or is too short for one).
  // Damaged: a tag whose size, count or items break the format; the items before the damage
  // are kept. A footer whose size does not lead to the items is overruled by the tag's header,
  // when one is found; a footer that counts fewer items than the tag holds is read on to the
  // footer. FileFailed: the file could not be opened or read.
  TReadStatus Read(const std::string& FileName);

  bool Exists = false;  // the last Read found an APE tag footer
  int32_t Version = 0;  // 1000 or 2000 in tags written to the standard
  int32_t Size = 0;     // items plus footer, as the footer declares
  // Texts of the keys "Title" ... "Copyright" (keys match without regard to case; a later item
  // replaces an earlier one). An item holds a list of values when they are separated by NUL
  // bytes ("Alice\0Bob"): the field is its first value, MoreValues has the rest. Values are
  // trimmed; empty ones are dropped, except a list's only value.
  std::string Title, Artist, Album;
  uint8_t Track = 0;      // the "Track" text's number cut to 8 bits ("3/12" gives 3); 0 if none
  std::string TrackText;  // the "Track" text itself ("3/12"); empty when there is none
  std::string Year, Genre, Comment, Copyright;
  // The values after the first of these keys' lists, in order, as (key, value) pairs with the
  // key in upper case as in the tag's standard: "TITLE", "ARTIST", "ALBUM", "TRACK", "YEAR",
  // "GENRE", "COMMENT", "COPYRIGHT".
  std::vector<std::pair<std::string, std::string>> MoreValues;
  // The "Cuesheet" item's bytes as stored, for the caller to decode (a user may correct the
  // encoding); empty when there is none. Makes the file a CD image.
  std::string CueSheet;
  // The "Cover Art (Front)" item's bytes as stored (a file name, a NUL, the image), when it
  // is no larger than kMaxCoverArtSize; CoverArtFrontSize is its size as declared, also when
  // it was too large to be read. 0 when there is none.
  std::string CoverArtFront;
  int64_t CoverArtFrontSize = 0;
  // The text items of every other key, in the order of the tag, as (key, text) pairs with the
  // key trimmed, one pair per value of a list; a later item of a key replaces an earlier one
  // with all its values. Binary items, links to external files and pictures ("Cover Art (...)")
  // are not texts and are not kept (in a version 1 tag, which cannot mark binary items, every
  // other item counts as text).
  std::vector<std::pair<std::string, std::string>> OtherItems;
  // Text items read but left out by the limits above, for the user's note: the keys (trimmed,
  // each once) of the first kMaxLeftOutKeys, and how many were left out in all. An item left
  // out does not replace an earlier one of its key.
  std::vector<std::string> LeftOutKeys;
  int64_t LeftOutCount = 0;
};

}  // namespace corvane
