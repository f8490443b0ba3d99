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
        // Sheets from the wild: keywords in any case, blanks anywhere between the words.
        LineCase{"LowerCaseKeywords", "TRACK 01 AUDIO\ntitle \"A\"\nindex 01 01:02:03\n", "A",
                 "01:02:03"},
        LineCase{"TwoSpacesBeforeTheNumber", "TRACK 01 AUDIO\nINDEX  01 01:02:03\n", "",
                 "01:02:03"},
        LineCase{"TwoSpacesBeforeTheTime", "TRACK 01 AUDIO\nINDEX 01  01:02:03\n", "",
                 "01:02:03"},
        // A malformed INDEX gives no start (and makes the sheet unusable, see below).
        LineCase{"IndexWithoutTime", "TRACK 01 AUDIO\nINDEX 01 \n", "", ""},
        LineCase{"TitleWithoutQuotes", "TRACK 01 AUDIO\nTITLE Plain\n", "Plain", ""},
        LineCase{"TitleWithOneQuote", "TRACK 01 AUDIO\nTITLE \"Open\n", "Open", ""},
        // The last quote of the line closes the value.
        LineCase{"QuotesInsideTheValue", "TRACK 01 AUDIO\nTITLE \"Say \"Hi\" now\"\n",
                 "Say \"Hi\" now", ""},
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

// Everything the parser keeps of a sheet but the file names as written, one field a line.
std::string Summary(const TCueFile& Cue) {
  std::string out = "album|" + Cue.Title + "|" + Cue.Performer + "|" + Cue.Songwriter + "|" +
                    Cue.Date + "|" + Cue.Genre + "|" + Cue.Comment + "|" + Cue.DiscNumber + "|" +
                    Cue.TotalDiscs + "|" + Cue.Catalog + "|files " +
                    std::to_string(Cue.Files.size()) + "\n";
  const auto position = [](const std::optional<TCuePosition>& P) {
    return P ? std::to_string(P->File) + "@" + std::to_string(P->Frames) : std::string("-");
  };
  for (const TCueTrack& t : Cue.Tracks) {
    out += t.Number + "|" + t.Title + "|" + t.Performer + "|" + t.Songwriter + "|" + t.Isrc +
           "|" + t.Date + "|" + t.Genre + "|" + t.Comment + "|" + t.StartTime + "|" + t.EndTime +
           "|" + position(t.Index00) + "|" + position(t.Index01) + "\n";
  }
  for (const TCueProblem& p : Cue.Problems) out += "problem at " + std::to_string(p.Line) + "\n";
  return out;
}

const char* const kPlainSheet =
    "REM GENRE \"Pop Rock\"\n"
    "REM DATE 1999\n"
    "REM COMMENT \"ExactAudioCopy v1.0\"\n"
    "REM DISCNUMBER 1\n"
    "REM TOTALDISCS 2\n"
    "CATALOG 0724384960650\n"
    "PERFORMER \"Band A\"\n"
    "SONGWRITER \"Writer A\"\n"
    "TITLE \"Album\"\n"
    "FILE \"image.wav\" WAVE\n"
    "  TRACK 01 AUDIO\n"
    "    TITLE \"Say \"Hi\" now\"\n"
    "    PERFORMER \"Singer 1\"\n"
    "    SONGWRITER \"Writer 1\"\n"
    "    ISRC GBAYE0000351\n"
    "    REM DATE 1998\n"
    "    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n"
    "    TITLE \"Two\"\n"
    "    REM GENRE Ballad\n"
    "    REM COMMENT \"Live\"\n"
    "    INDEX 00 03:58:20\n"
    "    INDEX 01 04:00:10\n";

// One sheet per row, written in a shape other tools and machines produce; each must read as
// the plain sheet above does.
struct ShapeCase {
  const char* Name;
  std::string (*Rewrite)(std::string Plain);
  const char* WrittenFileName;
};

std::string Replace(std::string Text, const std::string& From, const std::string& To) {
  for (size_t at = Text.find(From); at != std::string::npos; at = Text.find(From, at + To.size())) {
    Text.replace(at, From.size(), To);
  }
  return Text;
}

// Keywords lower-cased or in mixed case, values untouched.
std::string RecaseKeywords(std::string Text, bool Mixed) {
  for (const char* keyword : {"REM GENRE", "REM DATE", "REM COMMENT", "REM DISCNUMBER",
                              "REM TOTALDISCS", "CATALOG", "PERFORMER", "SONGWRITER", "TITLE",
                              "FILE", "TRACK", "INDEX", "ISRC", "WAVE", "AUDIO"}) {
    std::string recased = keyword;
    for (size_t i = 0; i < recased.size(); ++i) {
      if (!Mixed || i % 2 == 1) recased[i] = static_cast<char>(std::tolower(recased[i]));
    }
    Text = Replace(Text, std::string(keyword) + " ", recased + " ");
  }
  return Text;
}

class SheetShapes : public testing::TestWithParam<ShapeCase> {};

TEST_P(SheetShapes, ReadAsThePlainSheet) {
  const TCueFile plain = Parsed(kPlainSheet);
  ASSERT_TRUE(plain.Valid());
  const TCueFile shaped = Parsed(GetParam().Rewrite(kPlainSheet));
  EXPECT_EQ(Summary(shaped), Summary(plain));
  ASSERT_EQ(shaped.Files.size(), 1u);
  EXPECT_EQ(shaped.Files[0].Name, GetParam().WrittenFileName);
  EXPECT_EQ(shaped.AudioFileName, GetParam().WrittenFileName);
}

INSTANTIATE_TEST_SUITE_P(
    Wild, SheetShapes,
    testing::Values(
        ShapeCase{"Plain", [](std::string S) { return S; }, "image.wav"},
        ShapeCase{"LowerCaseKeywords", [](std::string S) { return RecaseKeywords(S, false); },
                  "image.wav"},
        ShapeCase{"MixedCaseKeywords", [](std::string S) { return RecaseKeywords(S, true); },
                  "image.wav"},
        ShapeCase{"WindowsPath",
                  [](std::string S) {
                    return Replace(S, "\"image.wav\"", "\"D:\\MP3\\Rips\\Album\\image.wav\"");
                  },
                  "D:\\MP3\\Rips\\Album\\image.wav"},
        ShapeCase{"PosixPath",
                  [](std::string S) { return Replace(S, "\"image.wav\"", "\"/home/rip/image.wav\""); },
                  "/home/rip/image.wav"},
        ShapeCase{"RelativeBackslashPath",
                  [](std::string S) { return Replace(S, "\"image.wav\"", "\"Rips\\image.wav\""); },
                  "Rips\\image.wav"},
        ShapeCase{"UnquotedFileName",
                  [](std::string S) { return Replace(S, "\"image.wav\"", "image.wav"); },
                  "image.wav"},
        // Earlier values of the same field are replaced by the last one before the tracks, and
        // inside a track by its last one.
        ShapeCase{"RepeatedFields",
                  [](std::string S) {
                    S = Replace(S, "REM DATE 1999\n", "REM DATE 1990\nREM DATE 1999\n");
                    S = Replace(S, "TITLE \"Album\"\n", "TITLE \"Draft\"\nTITLE \"Album\"\n");
                    return Replace(S, "    REM DATE 1998\n", "    REM DATE 1997\n    REM DATE 1998\n");
                  },
                  "image.wav"},
        ShapeCase{"QuotedRemValues",
                  [](std::string S) {
                    S = Replace(S, "REM DATE 1999", "REM DATE \"1999\"");
                    S = Replace(S, "REM DISCNUMBER 1", "REM DISCNUMBER \"1\"");
                    return Replace(S, "REM GENRE Ballad", "REM GENRE \"Ballad\"");
                  },
                  "image.wav"},
        ShapeCase{"UnquotedRemValues",
                  [](std::string S) {
                    S = Replace(S, "REM GENRE \"Pop Rock\"", "REM GENRE Pop Rock");
                    return Replace(S, "REM COMMENT \"Live\"", "REM COMMENT Live");
                  },
                  "image.wav"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(CueFileTest, EveryFieldATaggerNeedsIsKept) {
  const TCueFile cue = Parsed(kPlainSheet);
  EXPECT_EQ(Summary(cue),
            "album|Album|Band A|Writer A|1999|Pop Rock|ExactAudioCopy v1.0|1|2|0724384960650|files 1\n"
            "01|Say \"Hi\" now|Singer 1|Writer 1|GBAYE0000351|1998|||00:00:00|04:00:10|-|0@0\n"
            "02|Two|||||Ballad|Live|04:00:10||0@17870|0@18010\n");
  EXPECT_EQ(cue.Tracks[1].Line, 18);
  EXPECT_EQ(cue.Tracks[1].Index01->Line, 23);
}

// Sheets that would give tracks with the wrong audio, and the line each is refused at.
struct ProblemCase {
  const char* Name;
  std::string_view Text;
  TCueProblemKind Kind;
  int Line;
};

void PrintTo(const ProblemCase& Case, std::ostream* Out) { *Out << Case.Name; }

class SheetProblems : public testing::TestWithParam<ProblemCase> {};

TEST_P(SheetProblems, AreFoundAtTheirLine) {
  const TCueFile cue = Parsed(std::string(GetParam().Text));
  EXPECT_FALSE(cue.Valid());
  ASSERT_FALSE(cue.Problems.empty());
  EXPECT_EQ(cue.Problems[0].Kind, GetParam().Kind);
  EXPECT_EQ(cue.Problems[0].Line, GetParam().Line);
}

#define CUE_HEAD "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"

INSTANTIATE_TEST_SUITE_P(
    Malformed, SheetProblems,
    testing::Values(
        ProblemCase{"TrackWithoutIndex01", CUE_HEAD "TRACK 02 AUDIO\nINDEX 00 01:00:00\n"
                    "TRACK 03 AUDIO\nINDEX 01 02:00:00\n", TCueProblemKind::MissingIndex01, 4},
        ProblemCase{"LastTrackWithoutIndex01", CUE_HEAD "TRACK 02 AUDIO\nTITLE \"x\"\n",
                    TCueProblemKind::MissingIndex01, 4},
        ProblemCase{"NulByte", CUE_HEAD "TRACK 02 AUDIO\nTITLE \"a\0b\"\nINDEX 01 01:00:00\n"sv,
                    TCueProblemKind::NulByte, 5},
        ProblemCase{"TimesGoBack", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01 03:00:00\n"
                    "TRACK 03 AUDIO\nINDEX 01 02:00:00\n", TCueProblemKind::TimeNotIncreasing, 7},
        ProblemCase{"SameStartTwice", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01 00:00:00\n",
                    TCueProblemKind::TimeNotIncreasing, 5},
        ProblemCase{"PregapBeforeThePreviousStart", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\n"
                    "INDEX 01 01:00:00\nTRACK 02 AUDIO\nINDEX 00 00:30:00\nINDEX 01 02:00:00\n",
                    TCueProblemKind::TimeNotIncreasing, 5},
        ProblemCase{"Frames75", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01 01:00:75\n",
                    TCueProblemKind::MalformedTime, 5},
        ProblemCase{"Seconds60", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01 01:60:00\n",
                    TCueProblemKind::MalformedTime, 5},
        ProblemCase{"OneDigitFrames", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01 01:00:5\n",
                    TCueProblemKind::MalformedTime, 5},
        ProblemCase{"IndexWithoutTime", CUE_HEAD "TRACK 02 AUDIO\nINDEX 01\n",
                    TCueProblemKind::MalformedIndex, 5},
        ProblemCase{"IndexBeforeAnyTrack", "FILE \"a.wav\" WAVE\nINDEX 01 00:00:00\n"
                    "TRACK 01 AUDIO\nINDEX 01 00:00:00\n", TCueProblemKind::IndexOutsideTrack, 2},
        ProblemCase{"TrackWithoutNumber", CUE_HEAD "TRACK AUDIO\nINDEX 01 01:00:00\n",
                    TCueProblemKind::TrackWithoutNumber, 4},
        ProblemCase{"TrackBeforeAnyFile", "TRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                    TCueProblemKind::TrackBeforeFile, 1},
        ProblemCase{"FileWithoutName", "FILE \"\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                    TCueProblemKind::FileWithoutName, 1},
        ProblemCase{"Index01Twice", CUE_HEAD "INDEX 01 00:00:10\n",
                    TCueProblemKind::RepeatedIndex01, 4}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(CueFileTest, TimesStartAgainInEachFileAndLongImagesPassAHundredMinutes) {
  const TCueFile cue = Parsed(
      "FILE \"1.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
      "INDEX 00 99:58:00\nFILE \"2.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n"
      "INDEX 01 100:00:00\n");
  EXPECT_TRUE(cue.Valid()) << Summary(cue);
  EXPECT_EQ(cue.Tracks[2].Index01->Frames, 100 * 60 * 75);
  // Track 1's file ends before track 2 starts: it runs to the end of its own file.
  EXPECT_EQ(cue.Tracks[0].EndTime, "");
  EXPECT_EQ(cue.Tracks[1].EndTime, "100:00:00");
}

std::string Spans(const std::vector<TCueSpan>& All) {
  std::string out;
  for (const TCueSpan& s : All) {
    out += std::to_string(s.File) + ":" + std::to_string(s.From) + "-" +
           (s.To < 0 ? std::string("end") : std::to_string(s.To)) + " ";
  }
  return out;
}

TEST(CueFileTest, SpansCoverEveryFileOnceWithGapsKeptByTheTrackBefore) {
  // Three files: file 1 holds track 2's pregap at its end, file 2 opens with track 3's
  // pregap, file 3 starts with track 4 after a stretch before its INDEX 01.
  const TCueFile cue = Parsed(
      "FILE \"1.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\n"
      "INDEX 00 03:00:00\nFILE \"2.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n"
      "INDEX 00 02:00:00\nFILE \"3.wav\" WAVE\nINDEX 01 00:01:00\nTRACK 04 AUDIO\n"
      "INDEX 01 01:00:00\n");
  ASSERT_TRUE(cue.Valid()) << Summary(cue);
  EXPECT_EQ(Spans(TrackSpans(cue, -1)), "0:0-150 ");
  EXPECT_EQ(Spans(TrackSpans(cue, 0)), "0:150-end ");
  EXPECT_EQ(Spans(TrackSpans(cue, 1)), "1:0-end 2:0-75 ");
  EXPECT_EQ(Spans(TrackSpans(cue, 2)), "2:75-4500 ");
  EXPECT_EQ(Spans(TrackSpans(cue, 3)), "2:4500-end ");
  EXPECT_TRUE(TrackSpans(cue, 4).empty());
  // A first track at the very start leaves nothing before it.
  EXPECT_TRUE(TrackSpans(Parsed(CUE_HEAD), -1).empty());
  // A file without a track of its own belongs to the track before it.
  EXPECT_EQ(Spans(TrackSpans(Parsed(CUE_HEAD "FILE \"b.wav\" WAVE\n"), 0)), "0:0-end 1:0-end ");
}

}  // namespace
}  // namespace corvane::test
