#include "TagMapping.h"

#include <algorithm>
#include <array>

#include "TagText.h"
#include "VorbisFieldName.h"

namespace corvane {
namespace {

constexpr std::array<std::string_view, 4> kNumberNames = {"TRACKNUMBER", "TRACKTOTAL", "DISCNUMBER",
                                                          "DISCTOTAL"};

// The APE keys with fields of their own, in the order they are written, and their Vorbis names.
struct TApeField {
  std::string_view Key;  // in upper case, as TAPEtag::MoreValues names it
  std::string_view Name;
  std::string TAPEtag::*Field;
};
constexpr std::string_view kTrackKey = "TRACK";
const std::array<TApeField, 8> kApeFields = {{
    {"TITLE", "TITLE", &TAPEtag::Title},
    {"ARTIST", "ARTIST", &TAPEtag::Artist},
    {"ALBUM", "ALBUM", &TAPEtag::Album},
    {kTrackKey, "TRACKNUMBER", &TAPEtag::TrackText},
    {"YEAR", "DATE", &TAPEtag::Year},
    {"GENRE", "GENRE", &TAPEtag::Genre},
    {"COMMENT", "COMMENT", &TAPEtag::Comment},
    {"COPYRIGHT", "COPYRIGHT", &TAPEtag::Copyright},
}};

const std::string& Either(const std::string& Own, const std::string& Album) {
  return Own.empty() ? Album : Own;
}

size_t EntryHash(std::string_view Name, std::string_view Value) {
  return std::hash<std::string_view>{}(Name)*31 + std::hash<std::string_view>{}(Value);
}

}  // namespace

void TVorbisEntries::Add(std::string_view Name, std::string Value) {
  if (Value.empty()) return;
  const bool number =
      std::find(kNumberNames.begin(), kNumberNames.end(), Name) != kNumberNames.end();
  if (number && FNames.count(std::string(Name)) != 0) return;
  const size_t hash = EntryHash(Name, Value);
  const auto [first, last] = FByHash.equal_range(hash);
  for (auto same = first; same != last; ++same) {
    const auto& [name, value] = FEntries[same->second];
    if (name == Name && value == Value) return;
  }
  FByHash.emplace(hash, FEntries.size());
  FNames.emplace(Name);
  FEntries.emplace_back(std::string(Name), std::move(Value));
}

std::vector<std::string> TVorbisEntries::KeepWithin(int64_t Room, size_t MaxEntries) {
  int64_t total = 0;
  for (const auto& [name, value] : FEntries) total += CommentBytes(name, value);
  if (total <= Room && FEntries.size() <= MaxEntries) return {};
  std::vector<std::string> leftOut;
  std::vector<std::pair<std::string, std::string>> entries = std::move(FEntries);
  FEntries.clear();
  FNames.clear();
  FByHash.clear();
  for (auto& [name, value] : entries) {
    const int64_t bytes = CommentBytes(name, value);
    if (bytes > Room || FEntries.size() == MaxEntries) {
      leftOut.push_back(std::move(name));
      continue;
    }
    Room -= bytes;
    Add(name, std::move(value));
  }
  return leftOut;
}

int64_t CommentBytes(std::string_view Name, std::string_view Value) {
  return 4 + static_cast<int64_t>(Name.size()) + 1 + static_cast<int64_t>(Value.size());
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
  for (const TApeField& field : kApeFields) {
    const auto add = [&](const std::string& Value) {
      if (field.Key == kTrackKey) {
        tags.AddNumberAndTotal("TRACKNUMBER", "TRACKTOTAL", Value);
      } else {
        tags.Add(field.Name, Value);
      }
    };
    add(Tag.*field.Field);
    for (const auto& [key, value] : Tag.MoreValues) {
      if (key == field.Key) add(value);
    }
  }
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

std::string VorbisNameOfApeItem(std::string_view Key) {
  const std::string upper = UpperAscii(TrimText(Key));
  for (const TApeField& field : kApeFields) {
    if (field.Key == upper) return std::string(field.Name);
  }
  return VorbisNameOfApeKey(Key);
}

}  // namespace corvane
