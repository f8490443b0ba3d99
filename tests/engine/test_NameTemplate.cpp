#include <gtest/gtest.h>

#include <string>

#include "NameTemplate.h"

namespace corvane {
namespace {

// ---- Templates that cannot be used ----

struct TBadCase {
  const char* Name;
  const char* Template;
  const char* Says;
};
std::ostream& operator<<(std::ostream& Out, const TBadCase& Case) {
  return Out << Case.Name;
}

class BadTemplate : public testing::TestWithParam<TBadCase> {};

TEST_P(BadTemplate, IsRefusedSayingWhy) {
  try {
    TNameTemplate refused(GetParam().Template);
    FAIL() << "accepted";
  } catch (const ENameTemplateError& E) {
    EXPECT_NE(std::string(E.what()).find(GetParam().Says), std::string::npos) << E.what();
  }
}

// Without a translator, as here, the reasons are in the Chinese they are written in.
INSTANTIATE_TEST_SUITE_P(Faults, BadTemplate,
                         testing::Values(TBadCase{"Empty", "", "模板为空"},
                                         TBadCase{"UnknownField", "{track} {composer}",
                                                  "未知字段 {composer}"},
                                         TBadCase{"EmptyField", "{}", "未知字段 {}"},
                                         TBadCase{"OpenBrace", "{track", "“{”没有对应的“}”"},
                                         TBadCase{"CloseBrace", "track}", "“}”没有对应的“{”"},
                                         TBadCase{"OnlyFolders", "{album}/", "以文件夹结尾"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Names made ----

TNameFields Fields() {
  TNameFields fields;
  fields.Track = "07";
  fields.Title = "  Song\n";
  fields.Artist = "AC/DC";
  fields.Album = "..";
  fields.Date =
      "19\x01"
      "99";
  fields.Source = "src";
  fields.Fallback = "Track_7";
  return fields;  // no album artist, no disc
}

struct TExpandCase {
  const char* Name;
  const char* Template;
  const char* Expanded;
};
std::ostream& operator<<(std::ostream& Out, const TExpandCase& Case) {
  return Out << Case.Name;
}

class ExpandedName : public testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandedName, KeepsEveryValueInsideItsOwnName) {
  EXPECT_EQ(TNameTemplate(GetParam().Template).Expand(Fields()), GetParam().Expanded);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ExpandedName,
    testing::Values(TExpandCase{"Fields", "{track} - {title} ({source})", "07 - Song (src).flac"},
                    TExpandCase{"AnyLetterCase", "{TRACK} {Title}", "07 Song.flac"},
                    TExpandCase{"SlashInAValue", "{artist}", "AC_DC.flac"},
                    TExpandCase{"ControlCharacter", "{date}", "19_99.flac"},
                    TExpandCase{"DotsAsAFolder", "{album}/{title}", "__/Song.flac"},
                    TExpandCase{"EmptyFolderLeftOut", "{albumartist}/{disc}/{title}", "Song.flac"},
                    TExpandCase{"EmptyFileName", "{artist}/{albumartist}", "AC_DC/Track_7.flac"},
                    TExpandCase{"LiteralTextKeepsAnEmptyField", "CD{disc}/{title}", "CD/Song.flac"},
                    TExpandCase{"JoinBeforeAnEmptyField", "{track} - {disc}", "07.flac"},
                    TExpandCase{"JoinAfterAnEmptyField", "{albumartist} - {title}", "Song.flac"},
                    TExpandCase{"WiderJoinAroundAnEmptyField", "{track}. {disc} - {title}",
                                "07 - Song.flac"},
                    TExpandCase{"WideCharacterJoins", "{disc}、{title}　{albumartist}", "Song.flac"},
                    TExpandCase{"OnlyJoinsLeft", "{albumartist} - {disc}/{disc}_{albumartist}",
                                "Track_7.flac"},
                    TExpandCase{"Braces", "{{{title}}}", "{Song}.flac"},
                    TExpandCase{"DoubledSlashes", "a//b/{title}", "a/b/Song.flac"},
                    TExpandCase{"TheUsersOwnParent", "../flac/{title}", "../flac/Song.flac"},
                    TExpandCase{"Absolute", "/music/{title}", "/music/Song.flac"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(NameTemplate, LongNamesAreCutBetweenCharactersWithRoomForANumber) {
  TNameFields fields = Fields();
  fields.Title.clear();
  for (int i = 0; i < 300; ++i) fields.Title += "é";
  fields.Album = std::string(300, 'a');
  const std::string name = TNameTemplate("{album}/{title}").Expand(fields);
  const size_t slash = name.find('/');
  EXPECT_EQ(name.substr(0, slash), std::string(255, 'a'));
  const std::string file = name.substr(slash + 1);
  // " (99).flac" still fits in a file system's 255 bytes.
  EXPECT_LE(file.size() + 5, 255u);
  EXPECT_GE(file.size(), 230u);
  EXPECT_TRUE(file.ends_with("é.flac")) << file;
}

}  // namespace
}  // namespace corvane
