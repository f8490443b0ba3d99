#include <gtest/gtest.h>

#include <stdexcept>

#include "ScratchDir.h"
#include "TextCodec.h"
#include "TextEncode.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

using namespace std::string_literals;

// "夏天 乐队" and an emoji outside the 16-bit range, in GB18030 and in UTF-8.
const std::string kGb18030 = "\xCF\xC4\xCC\xEC \xC0\xD6\xB6\xD3 \x94\x39\xFC\x36";
const std::string kUtf8 = "夏天 乐队 😀";

TEST(TextCodecTest, LegacyBytesKeepValidUtf8AndDecodeTheRestAsGb18030) {
  EXPECT_EQ(LegacyToUtf8(kUtf8), kUtf8);
  EXPECT_EQ(LegacyToUtf8(kGb18030), kUtf8);
  EXPECT_EQ(LegacyToUtf8("plain ASCII"), "plain ASCII");
  EXPECT_EQ(LegacyToUtf8(""), "");
}

TEST(TextCodecTest, BytesThatAreNeitherBecomeReplacementCharactersNotNothing) {
  // A lone GB18030 lead byte at the end, and 0xFF, which no GB18030 sequence starts with.
  EXPECT_EQ(LegacyToUtf8(kGb18030 + "\xCF"), kUtf8 + "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeCharset("ab\xCF", "GB18030"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(DecodeCharset("\xFF" "ab", "GB18030"), "\xEF\xBF\xBD" "ab");
}

TEST(TextCodecTest, Utf8ValidationRefusesOverlongSurrogatesAndCutSequences) {
  EXPECT_TRUE(IsValidUtf8(kUtf8));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate half
  EXPECT_FALSE(IsValidUtf8("\xE5\xA4"));          // cut off
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(TextCodecTest, Utf16RoundTripKeepsCharactersOutsideTheBasicPlane) {
  const std::u16string units = Utf8ToUtf16(kUtf8);
  EXPECT_EQ(units.size(), 8u);  // the emoji is a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(units), kUtf8);
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(TextCodecTest, TextFilesAreReadByTheirByteOrderMark) {
  TScratchDir dir;
  const std::u16string units = Utf8ToUtf16(kUtf8 + "\r\n");
  std::vector<uint8_t> le = {0xFF, 0xFE};
  std::vector<uint8_t> be = {0xFE, 0xFF};
  for (char16_t u : units) {
    le.insert(le.end(), {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
    be.insert(be.end(), {static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u)});
  }
  std::vector<uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
  const std::string text = kUtf8 + "\r\n";
  utf8.insert(utf8.end(), text.begin(), text.end());
  const std::string legacy = kGb18030 + "\r\n";

  WriteFileBytes(dir.File("le.txt"), le);
  WriteFileBytes(dir.File("be.txt"), be);
  WriteFileBytes(dir.File("utf8.txt"), utf8);
  WriteFileBytes(dir.File("gb.txt"), {legacy.begin(), legacy.end()});
  for (const char* name : {"le.txt", "be.txt", "utf8.txt", "gb.txt"}) {
    EXPECT_EQ(ReadTextFile(dir.File(name)), text) << name;
  }
  EXPECT_THROW(ReadTextFile(dir.File("missing.txt")), std::runtime_error);
}

}  // namespace
}  // namespace corvane::test

namespace corvane::test {
namespace {

// A sheet as a ripper in one region writes it, without a byte-order mark.
struct LegacySheet {
  const char* Name;
  const char* Charset;  // what the ripper wrote
  std::string Album, Performer;
  std::vector<std::string> Titles;
  const char* Detected;  // what the program reads it as
};

void PrintTo(const LegacySheet& Sheet, std::ostream* Out) { *Out << Sheet.Name; }

class LegacySheets : public testing::TestWithParam<LegacySheet> {};

TEST_P(LegacySheets, AreReadWithTheRightCharacters) {
  const LegacySheet& sheet = GetParam();
  const std::string text = SampleCueSheet(sheet.Album, sheet.Performer, sheet.Titles);
  const std::string bytes = EncodeUtf8As(text, sheet.Charset);
  EXPECT_EQ(DetectLegacyCharset(bytes), sheet.Detected);
  EXPECT_EQ(DecodeTextBytes(bytes), text);
}

const std::vector<std::string> kEnglishTitles = {"Intro", "Love Song", "Live at Home", "Outro"};

INSTANTIATE_TEST_SUITE_P(
    Regions, LegacySheets,
    testing::Values(
        LegacySheet{"Gbk", "GBK", "邓丽君 精选", "邓丽君",
                    {"月亮代表我的心", "甜蜜蜜", "小城故事", "我只在乎你"}, "GB18030"},
        // A few Chinese characters among English titles: detectors take such text for a Latin
        // or Korean set.
        LegacySheet{"GbkMostlyAscii", "GBK", "Best of 2001", "Teresa Teng 邓", kEnglishTitles,
                    "GB18030"},
        LegacySheet{"GbkMostlyAsciiLatinGuess", "GBK", "Best 精选", "Teresa Teng", kEnglishTitles,
                    "GB18030"},
        LegacySheet{"Big5", "BIG5", "鄧麗君 精選", "鄧麗君",
                    {"月亮代表我的心", "甜蜜蜜", "小城故事", "我只在乎你"}, "BIG5-HKSCS"},
        LegacySheet{"ShiftJis", "SHIFT_JIS", "ベスト", "スマップ",
                    {"さくら", "夜空ノムコウ", "世界に一つだけの花", "ありがとう"}, "CP932"},
        LegacySheet{"EucKr", "EUC-KR", "베스트 앨범", "가수",
                    {"사랑해요", "아리랑", "봄날", "눈의 꽃"}, "CP949"},
        LegacySheet{"Windows1251", "WINDOWS-1251", "Русские песни", "Хор",
                    {"Катюша", "Подмосковные вечера", "Калинка", "Очи чёрные"}, "WINDOWS-1251"},
        LegacySheet{"Windows1252", "WINDOWS-1252", "Déjà vu", "Garçon",
                    {"Café", "Über alles", "Niño", "Résumé"}, "ISO-8859-1"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(TextCodecTest, AChosenEncodingOverridesTheDetection) {
  const std::string big5 = EncodeUtf8As("TITLE \"甜蜜蜜\"\r\n", "BIG5");
  EXPECT_EQ(DecodeTextBytes(big5, TTextEncoding::Big5), "TITLE \"甜蜜蜜\"\r\n");
  EXPECT_NE(DecodeTextBytes(big5, TTextEncoding::Gb18030), "TITLE \"甜蜜蜜\"\r\n");
  EXPECT_EQ(DecodeTextBytes("\xEF\xBB\xBF" + EncodeUtf8As("Катюша", "WINDOWS-1251"),
                            TTextEncoding::Windows1251),
            "Катюша");
  EXPECT_EQ(DecodeTextBytes("\xCF\xC4", TTextEncoding::Utf8), "\xEF\xBF\xBD\xEF\xBF\xBD");
  // A UTF-16 file cannot be anything else.
  EXPECT_EQ(DecodeTextBytes("\xFF\xFE" "A\0"s, TTextEncoding::ShiftJis), "A");
}

TEST(TextCodecTest, AShiftJisBackslashStaysABackslash) {
  const std::string path = "FILE \"C:\\ミュージック\\さくら.wav\" WAVE\r\n";
  EXPECT_EQ(DecodeTextBytes(EncodeUtf8As(path, "CP932"), TTextEncoding::ShiftJis), path);
}

}  // namespace
}  // namespace corvane::test
