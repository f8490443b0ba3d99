#include "NameTemplate.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "APEtag.h"
#include "AppTexts.h"
#include "Disc.h"
#include "Language.h"
#include "PathNames.h"
#include "TagMapping.h"
#include "TagText.h"
#include "TagTransfer.h"
#include "TextFormat.h"

namespace corvane {
namespace {

enum TField { kTrack, kTitle, kArtist, kAlbum, kAlbumArtist, kDate, kDisc, kSource };

// Room in a file name for the " (12)" that keeps two jobs' names apart, and for ".flac".
constexpr size_t kMaxFileStem = NAME_MAX - 15;

const std::string& ValueOf(const TNameFields& Fields, int Field) {
  switch (Field) {
    case kTrack:
      return Fields.Track;
    case kTitle:
      return Fields.Title;
    case kArtist:
      return Fields.Artist;
    case kAlbum:
      return Fields.Album;
    case kAlbumArtist:
      return Fields.AlbumArtist;
    case kDate:
      return Fields.Date;
    case kDisc:
      return Fields.Disc;
    default:
      return Fields.Source;
  }
}

bool OnlyDots(const std::string& Text) {
  return !Text.empty() && Text.find_first_not_of('.') == std::string::npos;
}

// A value as part of a file name: it may not make folders, nor name "." or "..".
std::string SafeValue(const std::string& Value) {
  std::string safe(TrimText(Value));
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  if (OnlyDots(safe)) safe.assign(safe.size(), '_');
  return safe;
}

// At most Bytes bytes, cut between two characters.
std::string CutUtf8(std::string Text, size_t Bytes) {
  if (Text.size() <= Bytes) return Text;
  size_t cut = Bytes;
  while (cut > 0 && (static_cast<unsigned char>(Text[cut]) & 0xC0) == 0x80) --cut;
  Text.resize(cut);
  return Text;
}

std::string KnownFields() {
  std::string known;
  for (const TNameTemplate::TFieldInfo& field : TNameTemplate::FieldList()) {
    known += std::string(known.empty() ? "" : " ") + "{" + field.Name + "}";
  }
  return known;
}

std::string TwoDigits(int Number) {
  return (Number >= 0 && Number < 10 ? "0" : "") + std::to_string(Number);
}

std::string BaseName(const std::string& Path) {
  return ChangeFileExt(ExtractFileName(Path), "");
}

// Text that only joins two values, as in "07 - Song" or "A_B".
constexpr std::string_view kJoiners[] = {" ", "-", "_",  ".",  ",",  ";",  ":",  "~",  "·",
                                         "–", "—", "、", "，", "；", "：", "～", "・", "　"};

size_t JoinerLength(std::string_view Text) {
  for (const std::string_view joiner : kJoiners) {
    if (Text.starts_with(joiner)) return joiner.size();
  }
  return 0;
}

size_t Characters(std::string_view Utf8) {
  return static_cast<size_t>(std::count_if(Utf8.begin(), Utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A name component cut into values (field values and literal text), the text joining them,
// and the fields left empty.
struct TPart {
  enum TKind { kValue, kJoin, kGap } Kind;
  std::string Text;
};

void AddLiteral(std::string_view Text, std::vector<TPart>& Parts) {
  while (!Text.empty()) {
    const bool join = JoinerLength(Text) > 0;
    size_t length = 0;
    while (length < Text.size() && (JoinerLength(Text.substr(length)) > 0) == join) {
      length += join ? JoinerLength(Text.substr(length)) : 1;
    }
    Parts.push_back({join ? TPart::kJoin : TPart::kValue, std::string(Text.substr(0, length))});
    Text.remove_prefix(length);
  }
}

// The parts as one name. A join beside an empty field would dangle ("07 -.flac") or join
// nothing: at either end of the name it goes, and between two values only the widest join
// around the gap stays, as it is the one that parted the larger things.
std::string JoinParts(const std::vector<TPart>& Parts) {
  std::string name;
  for (size_t i = 0; i < Parts.size();) {
    if (Parts[i].Kind == TPart::kValue) {
      name += Parts[i++].Text;
      continue;
    }
    const bool afterValue = i > 0;
    bool gap = false;
    std::string all;
    std::string_view widest;
    for (; i < Parts.size() && Parts[i].Kind != TPart::kValue; ++i) {
      gap = gap || Parts[i].Kind == TPart::kGap;
      all += Parts[i].Text;
      if (Characters(Parts[i].Text) > Characters(widest)) widest = Parts[i].Text;
    }
    if (!gap) {
      name += all;
    } else if (afterValue && i < Parts.size()) {
      name += widest;
    }
  }
  return name;
}

}  // namespace

const std::vector<TNameTemplate::TFieldInfo>& TNameTemplate::FieldList() {
  static const std::vector<TFieldInfo> fields = {
      {"track", texts::kFieldTrack},
      {"title", texts::kFieldTitle},
      {"artist", texts::kFieldArtist},
      {"album", texts::kFieldAlbum},
      {"albumartist", texts::kFieldAlbumArtist},
      {"date", texts::kFieldDate},
      {"disc", texts::kFieldDisc},
      {"source", texts::kFieldSource},
  };
  return fields;
}

TNameTemplate::TNameTemplate(std::string_view Text) {
  const std::string typed(Text);
  if (Text.empty()) throw ENameTemplateError(TranslatedText(texts::kTemplateEmpty));
  if (Text.back() == '/') {
    throw ENameTemplateError(FormatText(texts::kTemplateEndsInFolder, {typed}));
  }
  FAbsolute = Text.front() == '/';
  std::vector<TPiece> component;
  std::string literal;
  const auto keepLiteral = [&] {
    if (!literal.empty()) component.push_back({std::exchange(literal, {}), -1});
  };
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    const bool doubled = i + 1 < Text.size() && Text[i + 1] == c;
    if ((c == '{' || c == '}') && doubled) {
      literal += c;
      ++i;
    } else if (c == '{') {
      const size_t close = Text.find('}', i + 1);
      if (close == std::string_view::npos) {
        throw ENameTemplateError(FormatText(texts::kTemplateOpenBrace, {typed}));
      }
      const std::string name = UpperAscii(Text.substr(i + 1, close - i - 1));
      const std::vector<TFieldInfo>& fields = FieldList();
      const auto found = std::find_if(fields.begin(), fields.end(), [&](const TFieldInfo& Field) {
        return UpperAscii(Field.Name) == name;
      });
      if (found == fields.end()) {
        throw ENameTemplateError(
            FormatText(texts::kTemplateUnknownField,
                       {std::string(Text.substr(i + 1, close - i - 1)), typed, KnownFields()}));
      }
      keepLiteral();
      component.push_back({{}, static_cast<int>(found - fields.begin())});
      i = close;
    } else if (c == '}') {
      throw ENameTemplateError(FormatText(texts::kTemplateCloseBrace, {typed}));
    } else if (c == '/') {
      keepLiteral();
      if (!component.empty()) FComponents.push_back(std::exchange(component, {}));
    } else {
      literal += c;
    }
  }
  keepLiteral();
  FComponents.push_back(std::move(component));
}

std::string TNameTemplate::Expand(const TNameFields& Fields) const {
  std::string path = FAbsolute ? "/" : "";
  for (size_t k = 0; k < FComponents.size(); ++k) {
    const bool file = k + 1 == FComponents.size();
    std::vector<TPart> parts;
    bool fromFields = false;
    for (const TPiece& piece : FComponents[k]) {
      if (piece.Field < 0) {
        AddLiteral(piece.Text, parts);
      } else {
        fromFields = true;
        std::string value = SafeValue(ValueOf(Fields, piece.Field));
        parts.push_back({value.empty() ? TPart::kGap : TPart::kValue, std::move(value)});
      }
    }
    std::string name = JoinParts(parts);
    if (fromFields) {
      name = std::string(TrimText(name));
      if (name.empty() && !file) continue;
      if (name.empty()) name = SafeValue(Fields.Fallback);
      if (OnlyDots(name)) name.assign(name.size(), '_');
    }
    name = CutUtf8(std::move(name), file ? kMaxFileStem : NAME_MAX);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
  }
  return path + ".flac";
}

TNameFields NameFieldsOf(const TJob& Job) {
  TNameFields fields;
  TVorbisEntries tags;
  if (Job.Kind == TJobKind::PlainFile) {
    fields.Source = fields.Fallback = BaseName(Job.Text);
    // The very tags the file gets, whatever the source's format keeps them in.
    TTagTransfer transfer;
    tags = transfer.TagsOf(Job).Comments;
  } else {
    const TCueFile& sheet = SheetOfJob(Job);
    const int index = Job.Track;
    fields.Source = BaseName(sheet.CueFileName);
    fields.Fallback = BaseName(CueTrackOutputName(sheet.CueFileName, {}, index));
    tags = TagsOfCueTrack(sheet, Job.Disc->Track(index));
    // A track is always numbered: by its sheet, else by its place in it.
    fields.Track = TwoDigits(index + 1);
  }
  // The values the file is tagged with, so a name and its tags agree.
  for (const auto& [name, value] : tags.Entries()) {
    std::string* field = name == "TITLE"         ? &fields.Title
                         : name == "ARTIST"      ? &fields.Artist
                         : name == "ALBUM"       ? &fields.Album
                         : name == "ALBUMARTIST" ? &fields.AlbumArtist
                         : name == "DATE"        ? &fields.Date
                         : name == "DISCNUMBER"  ? &fields.Disc
                                                 : nullptr;
    if (field != nullptr && field->empty()) *field = value;
    if (name == "TRACKNUMBER" && ParseTrackNumber(value) > 0) {
      fields.Track = TwoDigits(ParseTrackNumber(value));
    }
  }
  return fields;
}

std::string TemplateOutputOf(const TJob& Job, const std::string& OutputFolder,
                             const TNameTemplate& Template) {
  TNameFields fields;
  std::string source;
  try {
    fields = NameFieldsOf(Job);
    source = Job.Kind == TJobKind::PlainFile ? Job.Text : Job.Disc->Source();
  } catch (const std::exception&) {
    return {};  // its job fails with the reason when it starts
  }
  const std::string name = Template.Expand(fields);
  if (name.front() == '/') return name;
  return (OutputFolder.empty() ? ExtractFilePath(source) : OutputFolder) + name;
}

}  // namespace corvane
