#include <gtest/gtest.h>

#include "CueFile.h"
#include "ScratchDir.h"
#include "TextCodec.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

using namespace std::string_view_literals;

TCueFile Parsed(const std::string& Text) {
  TCueFile cue("/cd/album.cue");
  cue.SetCueText(Text);
  cue.Parse();
  return cue;
}

const char* const kAlbum =
    "REM GENRE Rock\n"
    "PERFORMER \"Band A\"\n"
    "TITLE \"First Title\"\n"
    "TITLE \"Album\"\n"
    "FILE \"disc image.ape\" WAVE\n"
    "  TRACK 01 AUDIO\n"
    "    TITLE \"One\"\n"
    "    PERFORMER \"Singer 1\"\n"
    "    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n"
    "    TITLE \"Two\"\n"
    "    PERFORMER \"Singer 2\"\n"
    "    INDEX 00 03:58:20\n"
    "    INDEX 01 04:00:10\n"
    "  TRACK 03 AUDIO\n"
    "    TITLE \"Three\"\n"
    "    FLAGS DCP\n"
    "    INDEX 00 07:10:00\n"
    "    INDEX 01 07:12:74\n";

TEST(CueFileTest, HeaderAndTracksAreKeptApartAndEndTimesChain) {
  const TCueFile cue = Parsed(kAlbum);
  EXPECT_EQ(cue.Title, "Album");
  EXPECT_EQ(cue.Performer, "Band A");
  EXPECT_EQ(cue.AudioFileName, "disc image.ape");
  EXPECT_EQ(cue.CueFileName, "/cd/album.cue");
  ASSERT_EQ(cue.Tracks.size(), 3u);
  const std::vector<std::vector<std::string>> expected = {
      {"One", "Singer 1", "00:00:00", "04:00:10"},
      {"Two", "Singer 2", "04:00:10", "07:12:74"},
      {"Three", "", "07:12:74", ""}};
  for (size_t i = 0; i < expected.size(); ++i) {
    const TCueTrack& t = cue.Tracks[i];
    EXPECT_EQ((std::vector<std::string>{t.Title, t.Performer, t.StartTime, t.EndTime}),
              expected[i])
        << "track " << i + 1;
  }
}

TEST(CueFileTest, EveryLineEndingGivesTheSameSheet) {
  std::string crlf, cr;
  for (const char* p = kAlbum; *p != '\0'; ++p) {
    crlf += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
    cr += *p == '\n' ? '\r' : *p;
  }
  for (const std::string& text : {crlf, cr}) {
    const TCueFile cue = Parsed(text);
    ASSERT_EQ(cue.Tracks.size(), 3u);
    EXPECT_EQ(cue.Tracks[1].StartTime, "04:00:10");
    EXPECT_EQ(cue.Tracks[2].Title, "Three");
    EXPECT_EQ(cue.AudioFileName, "disc image.ape");
  }
}

// One sheet per row: what the odd line does to the first track.
struct LineCase {
  const char* Name;
  std::string_view Text;
  const char* Title;
  const char* StartTime;
};

class CueLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CueLineTest, FirstTrack) {
  const TCueFile cue = Parsed(std::string(GetParam().Text));
  ASSERT_EQ(cue.Tracks.size(), 1u);
  EXPECT_EQ(cue.Tracks[0].Title, GetParam().Title);
  EXPECT_EQ(cue.Tracks[0].StartTime, GetParam().StartTime);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CueLineTest,
    ::testing::Values(
        LineCase{"TabsAndSpaces", "\t TRACK 01 AUDIO\n\t\tTITLE \"A\"\n \tINDEX 01 01:02:03  \n", "A",
                 "01:02:03"},
        LineCase{"LowerCaseIsNotAKeyword", "TRACK 01 AUDIO\ntitle \"A\"\nindex 01 01:02:03\n", "",
                 ""},
        LineCase{"TwoSpacesBeforeTheNumber", "TRACK 01 AUDIO\nINDEX  01 01:02:03\n", "", ""},
        LineCase{"TwoSpacesBeforeTheTime", "TRACK 01 AUDIO\nINDEX 01  01:02:03\n", "",
                 " 01:02:03"},
        // Without a time the number stands in its place; converting it fails later, loudly.
        LineCase{"IndexWithoutTime", "TRACK 01 AUDIO\nINDEX 01 \n", "", "01"},
        LineCase{"TitleWithoutQuotes", "TRACK 01 AUDIO\nTITLE Plain\n", "", ""},
        LineCase{"TitleWithOneQuote", "TRACK 01 AUDIO\nTITLE \"Open\n", "", ""},
        LineCase{"TextAfterTheQuote", "TRACK 01 AUDIO\nTITLE \"A \"\" B\" x\n", "A ", ""},
        LineCase{"NulEndsTheText", "TRACK 01 AUDIO\nTITLE \"A\"\n\0TITLE \"B\"\n"sv, "A", ""},
        LineCase{"IndexZeroIsNotTheStart", "TRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 02 00:09:00\n", "", ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(CueFileTest, TrackWithoutIndex01KeepsEmptyTimesAroundIt) {
  const TCueFile cue = Parsed(
      "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"
      "TRACK 02 AUDIO\nINDEX 00 01:00:00\n"
      "TRACK 03 AUDIO\nINDEX 01 02:00:00\n");
  ASSERT_EQ(cue.Tracks.size(), 3u);
  EXPECT_EQ(cue.Tracks[0].EndTime, "");
  EXPECT_EQ(cue.Tracks[1].StartTime, "");
  EXPECT_EQ(cue.Tracks[1].EndTime, "02:00:00");
}

TEST(CueFileTest, ATitleAfterTheIndexStillBelongsToItsTrack) {
  const TCueFile cue = Parsed(
      "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 01:00:00\nTITLE \"Late\"\n");
  ASSERT_EQ(cue.Tracks.size(), 2u);
  EXPECT_EQ(cue.Tracks[1].Title, "Late");
  EXPECT_EQ(cue.Tracks[0].Title, "");
}

TEST(CueFileTest, FileLinesInsideTheTracksDoNotReplaceTheAudioFile) {
  const TCueFile cue =
      Parsed("FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nFILE \"b.ape\" WAVE\nINDEX 01 00:00:00\n");
  EXPECT_EQ(cue.AudioFileName, "a.ape");
}

TEST(CueFileTest, SheetsWithOneTrackOrNoneAreAccepted) {
  EXPECT_EQ(Parsed("TITLE \"X\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n").Tracks.size(), 1u);
  const TCueFile none = Parsed("TITLE \"X\"\nPERFORMER \"Y\"\nINDEX 01 00:00:00\n");
  EXPECT_TRUE(none.Tracks.empty());
  EXPECT_EQ(none.Title, "X");
  EXPECT_EQ(none.Performer, "Y");
  EXPECT_TRUE(Parsed("").Tracks.empty());
}

TEST(CueFileTest, ParseAppendsAndFreeTracksEmpties) {
  TCueFile cue("a.cue");
  cue.SetCueText("TRACK 01 AUDIO\n");
  cue.Parse();
  cue.Parse();
  EXPECT_EQ(cue.Tracks.size(), 2u);
  cue.FreeTracks();
  EXPECT_TRUE(cue.Tracks.empty());
}

TEST(CueFileTest, Gb18030Utf8AndUtf16SheetsGiveTheSameTracks) {
  // TITLE "光辉岁月" / PERFORMER "乐队" / a track titled "夏天", in GB18030 without a mark.
  const std::string gb =
      "TITLE \"\xB9\xE2\xBB\xD4\xCB\xEA\xD4\xC2\"\r\nPERFORMER \"\xC0\xD6\xB6\xD3\"\r\n"
      "FILE \"\xD7\xA8\xBC\xAD.ape\" WAVE\r\nTRACK 01 AUDIO\r\n  TITLE \"\xCF\xC4\xCC\xEC\"\r\n"
      "  INDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\n  INDEX 01 03:00:00\r\n";
  const std::string utf8 = LegacyToUtf8(gb);
  std::vector<uint8_t> utf16 = {0xFF, 0xFE};
  for (char16_t u : Utf8ToUtf16(utf8)) utf16.insert(utf16.end(), {uint8_t(u), uint8_t(u >> 8)});
  std::vector<uint8_t> withMark = {0xEF, 0xBB, 0xBF};
  withMark.insert(withMark.end(), utf8.begin(), utf8.end());

  TScratchDir dir;
  WriteFileBytes(dir.File("gb.cue"), {gb.begin(), gb.end()});
  WriteFileBytes(dir.File("utf8.cue"), withMark);
  WriteFileBytes(dir.File("utf16.cue"), utf16);
  for (const char* name : {"gb.cue", "utf8.cue", "utf16.cue"}) {
    const TCueFile cue = Parsed(ReadTextFile(dir.File(name)));
    EXPECT_EQ(cue.Title, "光辉岁月") << name;
    EXPECT_EQ(cue.Performer, "乐队") << name;
    EXPECT_EQ(cue.AudioFileName, "专辑.ape") << name;
    ASSERT_EQ(cue.Tracks.size(), 2u) << name;
    EXPECT_EQ(cue.Tracks[0].Title, "夏天") << name;
    EXPECT_EQ(cue.Tracks[0].EndTime, "03:00:00") << name;
  }
}

}  // namespace
}  // namespace corvane::test
