#include "TagMapping.h"

#include <algorithm>
#include <array>

#include "TagText.h"
#include "VorbisFieldName.h"

namespace corvane {
namespace {

constexpr std::array<std::string_view, 4> kNumberNames = {"TRACKNUMBER", "TRACKTOTAL", "DISCNUMBER",
                                                          "DISCTOTAL"};

const std::string& Either(const std::string& Own, const std::string& Album) {
  return Own.empty() ? Album : Own;
}

}  // namespace

void TVorbisEntries::Add(std::string_view Name, std::string Value) {
  if (Value.empty()) return;
  const bool number =
      std::find(kNumberNames.begin(), kNumberNames.end(), Name) != kNumberNames.end();
  const bool present = std::any_of(FEntries.begin(), FEntries.end(), [&](const auto& Entry) {
    return Entry.first == Name && (number || Entry.second == Value);
  });
  if (!present) FEntries.emplace_back(std::string(Name), std::move(Value));
}

void TVorbisEntries::AddNumberAndTotal(std::string_view NumberName, std::string_view TotalName,
                                       std::string_view Text, std::string_view Total) {
  const size_t slash = Text.find('/');
  Add(NumberName, NumberText(Text.substr(0, slash)));
  Add(TotalName, NumberText(Total));
  if (slash != std::string_view::npos) Add(TotalName, NumberText(Text.substr(slash + 1)));
}

std::string NumberText(std::string_view Text) {
  Text = TrimText(Text);
  const std::optional<int32_t> number = ParseInteger(Text);
  return number && *number >= 0 ? std::to_string(*number) : std::string(Text);
}

TVorbisEntries TagsOfCueTrack(const TCueFile& Sheet, const TCueTrack& Track) {
  TVorbisEntries tags;
  tags.Add("TITLE", Track.Title);
  tags.Add("ARTIST", Either(Track.Performer, Sheet.Performer));
  tags.Add("ALBUM", Sheet.Title);
  tags.Add("ALBUMARTIST", Sheet.Performer);
  tags.Add("TRACKNUMBER", NumberText(Track.Number));
  if (!Sheet.Tracks.empty()) tags.Add("TRACKTOTAL", std::to_string(Sheet.Tracks.size()));
  // A DISCNUMBER of "1/2" gives the total as well, where TOTALDISCS does not.
  tags.AddNumberAndTotal("DISCNUMBER", "DISCTOTAL", Sheet.DiscNumber, Sheet.TotalDiscs);
  tags.Add("DATE", Either(Track.Date, Sheet.Date));
  tags.Add("GENRE", Either(Track.Genre, Sheet.Genre));
  tags.Add("COMPOSER", Either(Track.Songwriter, Sheet.Songwriter));
  tags.Add("COMMENT", Either(Track.Comment, Sheet.Comment));
  tags.Add("ISRC", Track.Isrc);
  return tags;
}

TVorbisEntries TagsOfApeTag(const TAPEtag& Tag) {
  TVorbisEntries tags;
  tags.Add("TITLE", Tag.Title);
  tags.Add("ARTIST", Tag.Artist);
  tags.Add("ALBUM", Tag.Album);
  tags.AddNumberAndTotal("TRACKNUMBER", "TRACKTOTAL", Tag.TrackText);
  tags.Add("DATE", Tag.Year);
  tags.Add("GENRE", Tag.Genre);
  tags.Add("COMMENT", Tag.Comment);
  tags.Add("COPYRIGHT", Tag.Copyright);
  for (const auto& [key, text] : Tag.OtherItems) {
    const std::string name = VorbisNameOfApeKey(key);
    if (name.empty()) continue;
    if (name == "TRACKNUMBER" || name == "DISCNUMBER") {
      tags.AddNumberAndTotal(name, name == "TRACKNUMBER" ? "TRACKTOTAL" : "DISCTOTAL", text);
    } else {
      tags.Add(name, text);
    }
  }
  return tags;
}

}  // namespace corvane
