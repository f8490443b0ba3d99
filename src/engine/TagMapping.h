#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "APEtag.h"
#include "CueFile.h"

namespace corvane {

// The Vorbis comments a job's FLAC file gets, in order, as (name, value) pairs.
class TVorbisEntries {
 public:
  // Adds an entry unless Value is empty, the very same entry is there already, or Name is a
  // number (TRACKNUMBER, TRACKTOTAL, DISCNUMBER, DISCTOTAL) that is given already: a second
  // track number would leave players guessing.
  void Add(std::string_view Name, std::string Value);
  // "3/12" as NumberName 3 and TotalName 12; a Total given apart wins over the one in Text.
  void AddNumberAndTotal(std::string_view NumberName, std::string_view TotalName,
                         std::string_view Text, std::string_view Total = {});
  // Keeps at most MaxEntries entries that fit Room bytes of a comment block (each takes its
  // 32-bit length, its name, "=" and its value), in order: an entry too large for what is left
  // is left out and the entries after it still go in. The names of those left out, in order.
  std::vector<std::string> KeepWithin(int64_t Room, size_t MaxEntries);

  const std::vector<std::pair<std::string, std::string>>& Entries() const { return FEntries; }

 private:
  std::vector<std::pair<std::string, std::string>> FEntries;
  // What Add looks up, so that a tag of a hundred thousand items is no quadratic work: the
  // names given, and the entries by a hash of name and value.
  std::unordered_set<std::string> FNames;
  std::unordered_multimap<size_t, size_t> FByHash;
};

// The bytes an entry takes in a comment block.
int64_t CommentBytes(std::string_view Name, std::string_view Value);

// A track or disc number as tags write it: decimal without leading zeros ("07" gives "7",
// "$10" gives "16"); a text that is no number ("A1", vinyl's side and track) stays as written.
std::string NumberText(std::string_view Text);

// A cue track's tags: its own fields, the album's where it has none, and the numbers.
// TRACKTOTAL counts the sheet's tracks; the hidden track 0 is not one of them.
TVorbisEntries TagsOfCueTrack(const TCueFile& Sheet, const TCueTrack& Track);
// A whole APE file's tags: TITLE, ARTIST, ALBUM, TRACKNUMBER with TRACKTOTAL, DATE, GENRE,
// COMMENT and COPYRIGHT, then every other text item under its Vorbis name; every value of a
// list is an entry of its own, next to its first. The cue sheet and the cover are not texts
// for a comment.
TVorbisEntries TagsOfApeTag(const TAPEtag& Tag);
// The Vorbis name an APE item of Key is written under (by TagsOfApeTag): "Year" gives DATE,
// "Track" TRACKNUMBER, other keys VorbisNameOfApeKey's name. Empty when it is not written.
std::string VorbisNameOfApeItem(std::string_view Key);

}  // namespace corvane
