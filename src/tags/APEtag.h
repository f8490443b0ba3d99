#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ReadStatus.h"

namespace corvane {

// Reads the APE tag at the end of a Monkey's Audio file (behind an ID3v1 tag when one ends
// the file) and keeps the texts of eight keys. Values arrive as UTF-8; every value goes through
// the program's one text conversion, so a legacy GB18030 value comes out as UTF-8 as well.
class TAPEtag {
 public:
  // Values longer than this are skipped rather than read into memory; a real tag text is far
  // shorter, a larger item is a picture or a hostile file.
  static constexpr int64_t kMaxValueSize = 1 << 20;
  // More items than any tagger writes; the items must also fit in the tag.
  static constexpr int64_t kMaxItemCount = 65536;
  // A cover picture may be larger than a text: a file name and an image of up to 16 MiB.
  static constexpr int64_t kMaxCoverArtSize = (int64_t{16} << 20) + 4096;
  // The texts of OtherItems together; more is no tag but a hostile file.
  static constexpr int64_t kMaxOtherItemBytes = int64_t{4} << 20;

  TAPEtag() { Reset(); }
  void Reset();
  // Read: a whole tag. NotThisFormat: the file has no APE tag (or is too short for one).
  // Damaged: a tag whose size or items break the format; the items before the damage are
  // kept. FileFailed: the file could not be opened or read.
  TReadStatus Read(const std::string& FileName);

  bool Exists = false;  // the last Read found an APE tag footer
  int32_t Version = 0;  // 1000 or 2000 in tags written to the standard
  int32_t Size = 0;     // items plus footer, as the footer declares
  // Texts of the keys "Title" ... "Copyright" (keys match without regard to case; a later item
  // replaces an earlier one). A multi-valued item gives its first value.
  std::string Title, Artist, Album;
  uint8_t Track = 0;      // the "Track" text's number cut to 8 bits ("3/12" gives 3); 0 if none
  std::string TrackText;  // the "Track" text itself ("3/12"); empty when there is none
  std::string Year, Genre, Comment, Copyright;
  // The "Cuesheet" item's bytes as stored, for the caller to decode (a user may correct the
  // encoding); empty when there is none. Makes the file a CD image.
  std::string CueSheet;
  // The "Cover Art (Front)" item's bytes as stored (a file name, a NUL, the image), when it
  // is no larger than kMaxCoverArtSize; CoverArtFrontSize is its size as declared, also when
  // it was too large to be read. 0 when there is none.
  std::string CoverArtFront;
  int64_t CoverArtFrontSize = 0;
  // The text items of every other key, in the order of the tag, as (key, text) pairs with the
  // key trimmed; a later item of a key replaces an earlier one. Binary items, links to
  // external files and pictures ("Cover Art (...)") are not texts and are left out (in a
  // version 1 tag, which cannot mark binary items, every other item counts as text).
  std::vector<std::pair<std::string, std::string>> OtherItems;
};

}  // namespace corvane
