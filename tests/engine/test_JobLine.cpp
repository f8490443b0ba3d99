#include <gtest/gtest.h>

#include <stdexcept>

#include "JobLine.h"
#include "OutputNames.h"
#include "PathNames.h"

namespace corvane {
namespace {

TEST(JobLine, CueTrackLineCarriesPositionsTextsAndSheetName) {
  EXPECT_EQ(CueTrackLine(1, 3, {"Summer", "Band A", "", ""}, "/music/cd/album.cue"),
            "1 | 3 - Summer,Band A  --album.cue");
  EXPECT_EQ(CueTrackLine(12, 10, {}, "album.cue"), "12 | 10 - ,  --album.cue");
}

struct TLineCase {
  const char* Line;
  int Cue;
  int Track;
};

class LineIndexes : public testing::TestWithParam<TLineCase> {};

TEST_P(LineIndexes, ReadBackFromTheNumericPrefix) {
  EXPECT_EQ(CueIndexOfLine(GetParam().Line), GetParam().Cue);
  EXPECT_EQ(TrackIndexOfLine(GetParam().Line), GetParam().Track);
}

// Titles and performers that contain the separators do not disturb the prefix.
INSTANTIATE_TEST_SUITE_P(Lines, LineIndexes,
                         testing::Values(TLineCase{"1 | 3 - Summer,Band A  --album.cue", 0, 2},
                                         TLineCase{"2 | 10 - A | B - C,D  --x.cue", 1, 9},
                                         TLineCase{"10 | 1 - 1 | 2 - 3,  --y.cue", 9, 0}),
                         [](const auto& Info) {
                           return "Sheet" + std::to_string(Info.param.Cue + 1) + "Track" +
                                  std::to_string(Info.param.Track + 1);
                         });

TEST(JobLine, NonNumericPrefixIsAnError) {
  EXPECT_THROW(CueIndexOfLine("/music/a.ape"), std::invalid_argument);
  EXPECT_THROW(CueIndexOfLine("x | 1 - t,p  --a.cue"), std::invalid_argument);
  EXPECT_THROW(TrackIndexOfLine("1 | 1x - t,p  --a.cue"), std::invalid_argument);
  EXPECT_THROW(TrackIndexOfLine("1 - 2 | 3"), std::invalid_argument);
}

struct TNameCase {
  const char* Name;
  const char* Source;
  const char* Folder;  // the folder field's text
  const char* Expected;
};

class PlainOutput : public testing::TestWithParam<TNameCase> {};

TEST_P(PlainOutput, FollowsTheFolderField) {
  EXPECT_EQ(PlainOutputName(GetParam().Source, OutputFolderOf(GetParam().Folder)),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PlainOutput,
    testing::Values(TNameCase{"SourceFolder", "/music/a.ape", "原文件目录", "/music/a.flac"},
                    TNameCase{"EmptyField", "/music/a.ape", "", "/music/a.flac"},
                    TNameCase{"ChosenFolder", "/music/a.ape", "/out/", "/out/a.flac"},
                    // A folder typed without its final "/" is still the folder, never a prefix
                    // of the file name that writes into its parent.
                    TNameCase{"TypedWithoutSlash", "/music/a.ape", "/out", "/out/a.flac"},
                    TNameCase{"UpperCaseExtension", "/music/A.Live.APE", "", "/music/A.Live.flac"},
                    // Only a dot in the name itself starts an extension.
                    TNameCase{"DotInFolderOnly", "/music.d/noext", "", "/music.d/noext.flac"},
                    TNameCase{"ChineseNames", "/music/专辑 1.ape", "/输出", "/输出/专辑 1.flac"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(JobLine, CueTrackOutputsAreNamedByPosition) {
  EXPECT_EQ(CueTrackOutputName("/cd/album.cue", "", 2), "/cd/Track_3.flac");
  EXPECT_EQ(CueTrackOutputName("/cd/album.cue", "/out/", 9), "/out/Track_10.flac");
  EXPECT_EQ(CueTrackOutputName("album.cue", "", 0), "Track_1.flac");
}

TEST(JobLine, PathPieces) {
  EXPECT_EQ(ExtractFileName("/a/b.c/d.cue"), "d.cue");
  EXPECT_EQ(ExtractFilePath("/a/b.c/d.cue"), "/a/b.c/");
  EXPECT_EQ(ExtractFilePath("d.cue"), "");
  EXPECT_EQ(UpperExtension("/a/x.Ape"), ".APE");
  EXPECT_EQ(UpperExtension("/a.b/x"), "");
  EXPECT_EQ(NumberedName("/cd/Track_1.flac", 2), "/cd/Track_1 (2).flac");
  EXPECT_EQ(NumberedName("/a.b/noext", 3), "/a.b/noext (3)");
  EXPECT_EQ(NumberedName("歌.live.flac", 12), "歌.live (12).flac");
}

}  // namespace
}  // namespace corvane
