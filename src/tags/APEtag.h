#pragma once

#include <cstdint>
#include <string>

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

  TAPEtag() { Reset(); }
  void Reset();
  // True when the end of the file could be read, whether or not a tag is there (see Exists).
  // Damaged items end the item reading quietly: what was read before them stays.
  bool Read(const std::string& FileName);

  bool Exists = false;  // the last Read found an APE tag footer
  int32_t Version = 0;  // 1000 or 2000 in tags written to the standard
  int32_t Size = 0;     // items plus footer, as the footer declares
  // Texts of the keys "Title" ... "Copyright" (keys match without regard to case; a later item
  // replaces an earlier one). A multi-valued item gives its first value.
  std::string Title, Artist, Album;
  uint8_t Track = 0;  // the "Track" text's number cut to 8 bits ("3/12" gives 3); 0 if none
  std::string Year, Genre, Comment, Copyright;
  // The "Cuesheet" item's bytes as stored, for the caller to decode (a user may correct the
  // encoding); empty when there is none. Makes the file a CD image.
  std::string CueSheet;
};

}  // namespace corvane
