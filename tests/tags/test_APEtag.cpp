#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <filesystem>

#include "APEtag.h"
#include "ScratchDir.h"
#include "TextEncode.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::string_literals;

using TBytes = std::vector<uint8_t>;

struct TItem {
  std::string Key;
  std::string Value;
  uint32_t Flags = 0;  // bits 1 and 2: 0 text, 1 binary, 2 a link to an external file
};

void Append32(TBytes& Out, uint32_t Value) {
  for (int shift = 0; shift < 32; shift += 8) Out.push_back(static_cast<uint8_t>(Value >> shift));
}

void Append(TBytes& Out, const std::string& Text) {
  Out.insert(Out.end(), Text.begin(), Text.end());
}

// Some stand-in audio, then an APE tag (items and footer) and, when asked, an ID3v1 tag.
TBytes TaggedFile(int32_t Version, const std::vector<TItem>& Items, bool WithId3v1 = false,
                  int64_t DeclaredCount = -1, int64_t DeclaredSize = -1) {
  TBytes items;
  for (const auto& item : Items) {
    Append32(items, static_cast<uint32_t>(item.Value.size()));
    Append32(items, item.Flags);
    Append(items, item.Key);
    items.push_back(0);
    Append(items, item.Value);
  }
  TBytes file(200, 0x55);
  file.insert(file.end(), items.begin(), items.end());
  Append(file, "APETAGEX");
  Append32(file, static_cast<uint32_t>(Version));
  Append32(file, static_cast<uint32_t>(
                     DeclaredSize >= 0 ? DeclaredSize : static_cast<int64_t>(items.size()) + 32));
  Append32(file, static_cast<uint32_t>(DeclaredCount >= 0 ? DeclaredCount
                                                          : static_cast<int64_t>(Items.size())));
  file.insert(file.end(), 12, 0);
  if (WithId3v1) {
    Append(file, "TAG");
    file.insert(file.end(), 125, 'x');
  }
  return file;
}

class ApeTagTest : public ::testing::Test {
 protected:
  TReadStatus Read(const TBytes& Bytes) {
    const std::string path = Dir.File("a.ape");
    test::WriteFileBytes(path, Bytes);
    return Tag.Read(path);
  }
  test::TScratchDir Dir;
  TAPEtag Tag;
};

struct TSharedCase {
  const char* File;
  const char* Title;
  const char* Artist;
  const char* Album;
  uint8_t Track;
  const char* Year;
  const char* Genre;
  TReadOutcome Outcome;  // the fields are read either way
};

class SharedTestDataTest : public ::testing::TestWithParam<TSharedCase> {};

TEST_P(SharedTestDataTest, ReadsTagsOfOtherTaggers) {
  const auto& c = GetParam();
  const std::string path = std::string(CORVANE_SHARED_TESTDATA) + "/" + c.File;
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not there";
  TAPEtag tag;
  const TReadStatus read = tag.Read(path);
  EXPECT_EQ(read.Outcome, c.Outcome) << read.Message;
  EXPECT_TRUE(tag.Exists);
  EXPECT_EQ(tag.Title, c.Title);
  EXPECT_EQ(tag.Artist, c.Artist);
  EXPECT_EQ(tag.Album, c.Album);
  EXPECT_EQ(tag.Track, c.Track);
  EXPECT_EQ(tag.Year, c.Year);
  EXPECT_EQ(tag.Genre, c.Genre);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SharedTestDataTest,
    ::testing::Values(TSharedCase{"145-invalid-item-count.apev2", "High Hopes", "Pink Floyd",
                                  "Division Bell", 11, "1994", "Rock", TReadOutcome::Damaged},
                      TSharedCase{"oldtag.apev2", "Some Music", "AnArtist", "A test case", 7, "",
                                  "", TReadOutcome::Read},
                      TSharedCase{"brokentag.apev2", "Some Music", "AnArtist", "A test case", 7, "",
                                  "", TReadOutcome::Read}),
    [](const auto& Info) {
      // The file's name in letters and digits: "oldtag.apev2" gives "oldtagapev2".
      std::string name;
      for (const char c : std::string(Info.param.File)) {
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
      }
      return name;
    });

TEST_F(ApeTagTest, FindsTheTagWithAndWithoutId3v1) {
  for (const bool id3v1 : {false, true}) {
    const std::vector<TItem> items = {{"Title", "T"},       {"Artist", "A"}, {"Album", "B"},
                                      {"Year", "1999"},     {"Genre", "G"},  {"Comment", "C"},
                                      {"Copyright", "(c)"}, {"Track", "4"}};
    ASSERT_TRUE(Read(TaggedFile(2000, items, id3v1)));
    EXPECT_TRUE(Tag.Exists);
    EXPECT_EQ(Tag.Version, 2000);
    EXPECT_EQ(Tag.Size, 32 + 131);
    EXPECT_EQ(
        Tag.Title + Tag.Artist + Tag.Album + Tag.Year + Tag.Genre + Tag.Comment + Tag.Copyright,
        "TAB1999GC(c)");
    EXPECT_EQ(Tag.Track, 4);
  }
}

TEST_F(ApeTagTest, FilesWithoutATag) {
  const TReadStatus none = Read(TBytes(300, 0x55));
  EXPECT_EQ(none.Outcome, TReadOutcome::NotThisFormat);
  EXPECT_EQ(none.Message, "\"" + Dir.File("a.ape") + "\" has no APE tag.");
  EXPECT_FALSE(Tag.Exists);
  EXPECT_EQ(Read(TBytes(100, 0x55)).Outcome, TReadOutcome::NotThisFormat)
      << "shorter than an ID3v1 tag";
  // The cause travels as the system's number and its words, never through errno.
  const std::string missing = Dir.File("missing.ape");
  const TReadStatus failed = Tag.Read(missing);
  EXPECT_EQ(failed.Outcome, TReadOutcome::FileFailed);
  EXPECT_EQ(failed.ErrorCode, ENOENT);
  EXPECT_EQ(failed.Message, "Cannot open file \"" + missing + "\". No such file or directory");
}

TEST_F(ApeTagTest, KeysIgnoreCaseAndALaterItemWins) {
  ASSERT_TRUE(Read(TaggedFile(2000, {{"TITLE", "one"},
                                     {"title", "two"},
                                     {"Artist", "first"},
                                     {"Composer", "skipped"},
                                     {"ARTIST", "second"},
                                     {"aLbUm", "album"}})));
  EXPECT_EQ(Tag.Title, "two");
  EXPECT_EQ(Tag.Artist, "second");
  EXPECT_EQ(Tag.Album, "album");
}

TEST_F(ApeTagTest, ValuesBecomeUtf8WhateverTheVersion) {
  const std::string utf8 = "标题";
  const std::string gb18030 = "\xB1\xEA\xCC\xE2";
  struct TCase {
    int32_t Version;
    std::string Value;
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {1000, gb18030, utf8},
      {2000, utf8, utf8},
      {1000, utf8, utf8},
      {2000, gb18030, utf8},
      {2000, "🎵 x", "🎵 x"},
      {2000, "  padded \t", "padded"},
      {2000, "first\0second"s, "first"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Read(TaggedFile(c.Version, {{"Title", c.Value}})));
    EXPECT_EQ(Tag.Title, c.Expected) << c.Version << " " << c.Value;
  }
}

TEST_F(ApeTagTest, LegacyValuesOfOtherRegionsAreDetectedFromAllOfThem) {
  ASSERT_TRUE(Read(TaggedFile(1000, {{"Title", test::EncodeUtf8As("月亮代表我的心", "BIG5")},
                                     {"Artist", test::EncodeUtf8As("鄧麗君", "BIG5")},
                                     {"Album", test::EncodeUtf8As("鄧麗君 精選輯 甜蜜蜜", "BIG5")},
                                     {"Genre", "Pop"}})));
  EXPECT_EQ(Tag.Title, "月亮代表我的心");
  EXPECT_EQ(Tag.Artist, "鄧麗君");
  EXPECT_EQ(Tag.Album, "鄧麗君 精選輯 甜蜜蜜");
  EXPECT_EQ(Tag.Genre, "Pop");
}

TEST_F(ApeTagTest, TheCueSheetItemIsKeptAsStoredInAnyLetterCase) {
  const std::string sheet = "FILE \"x.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"\xCF\xC4\"\r\n";
  for (const char* key : {"Cuesheet", "CUESHEET", "cuesheet"}) {
    ASSERT_TRUE(Read(TaggedFile(2000, {{key, sheet}, {"Title", "t"}})));
    EXPECT_EQ(Tag.CueSheet, sheet) << key;
    EXPECT_EQ(Tag.Title, "t");
  }
  ASSERT_TRUE(Read(TaggedFile(2000, {{"Title", "t"}})));
  EXPECT_EQ(Tag.CueSheet, "");
}

// Items beyond the described keys: texts are kept in order for the tags, under their keys as
// stored; binary items and links are no texts; the cue sheet and the cover have their own
// fields. A version 1 tag cannot mark binary items, so all of its items are texts.
TEST_F(ApeTagTest, OtherTextItemsAreKeptInOrder) {
  constexpr uint32_t kBinary = 2, kLink = 4;
  const std::string gbk = "\xD7\xF7\xC7\xFA\xBC\xD2";  // 作曲家
  ASSERT_TRUE(Read(TaggedFile(2000, {{"Album Artist", "band"},
                                     {"Title", "t"},
                                     {"Cover Art (Back)", "b.jpg\0\xFF\xD8"s, kBinary},
                                     {"Cover Art (Media)", "m.jpg\0\xFF\xD8"s},  // unmarked
                                     {"Composer", gbk},
                                     {"Related", "http://x", kLink},
                                     {"Cuesheet", "REM"},
                                     {"Cover Art (Front)", "f.jpg\0\xFF\xD8"s, kBinary},
                                     {" Disc ", "1/2"},
                                     {"ALBUM ARTIST", "later"},
                                     {"Genre", "binary genre", kBinary},
                                     {"Track", "3/12"}})));
  EXPECT_EQ(Tag.OtherItems,
            (std::vector<std::pair<std::string, std::string>>{
                {"Composer", "作曲家"}, {"Disc", "1/2"}, {"ALBUM ARTIST", "later"}}));
  EXPECT_EQ(Tag.Title, "t");
  EXPECT_EQ(Tag.Genre, "") << "a binary item is no text, whatever its key";
  EXPECT_EQ(Tag.TrackText, "3/12");
  EXPECT_EQ(Tag.CoverArtFront, "f.jpg\0\xFF\xD8"s);
  EXPECT_EQ(Tag.CoverArtFrontSize, 8);

  ASSERT_TRUE(Read(TaggedFile(1000, {{"Mood", "calm", kBinary}, {"Genre", "g", kBinary}})));
  EXPECT_EQ(Tag.OtherItems, (std::vector<std::pair<std::string, std::string>>{{"Mood", "calm"}}));
  EXPECT_EQ(Tag.Genre, "g");
}

TEST_F(ApeTagTest, CoversAreReadWholeUpToTheirLimitAndOtherTextsUpToTheirs) {
  const std::string cover = "c.png\0"s + std::string(3 << 20, 'p');
  const std::string tooLarge(TAPEtag::kMaxCoverArtSize + 1, 'q');
  const std::string big(TAPEtag::kMaxValueSize, 'x');
  std::vector<TItem> items = {{"Cover Art (Front)", cover, 2}};
  // The other texts together stop at their limit; later items are still read.
  for (int i = 0; i < 5; ++i) items.push_back({"Note" + std::to_string(i), big});
  items.push_back({"Title", "after"});
  ASSERT_TRUE(Read(TaggedFile(2000, items)));
  EXPECT_EQ(Tag.CoverArtFront, cover);
  EXPECT_EQ(Tag.CoverArtFrontSize, static_cast<int64_t>(cover.size()));
  EXPECT_EQ(static_cast<int64_t>(Tag.OtherItems.size()),
            TAPEtag::kMaxOtherItemBytes / TAPEtag::kMaxValueSize);
  EXPECT_EQ(Tag.Title, "after");

  ASSERT_TRUE(Read(TaggedFile(2000, {{"Cover Art (FRONT)", tooLarge, 2}, {"Title", "after"}})));
  EXPECT_EQ(Tag.CoverArtFront, "");
  EXPECT_EQ(Tag.CoverArtFrontSize, static_cast<int64_t>(tooLarge.size())) << "for the note";
  EXPECT_EQ(Tag.Title, "after");
}

TEST_F(ApeTagTest, TrackNumbers) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"3/12", 3},  {"07", 7},   {"$10", 16}, {"A1", 0}, {"300", 44},        {"", 0},  {" 5 ", 5},
      {"0x1F", 31}, {"x1f", 31}, {"-1", 255}, {"5a", 0}, {"99999999999", 0}, {"/3", 0}};
  for (const auto& [text, number] : cases) {
    ASSERT_TRUE(Read(TaggedFile(2000, {{"Track", text}})));
    EXPECT_EQ(Tag.Track, number) << text;
  }
  ASSERT_TRUE(Read(TaggedFile(2000, {{"Title", "no track"}})));
  EXPECT_EQ(Tag.Track, 0);
}

TEST_F(ApeTagTest, ValuesAreReadWhole) {
  const std::string longTitle = std::string(299, 'x') + "y";
  const std::string huge(TAPEtag::kMaxValueSize + 1, 'h');
  ASSERT_TRUE(Read(TaggedFile(2000, {{"Title", longTitle}, {"Artist", huge}, {"Album", "after"}})));
  EXPECT_EQ(Tag.Title, longTitle);
  EXPECT_EQ(Tag.Artist, "") << "an item past the limit is skipped";
  EXPECT_EQ(Tag.Album, "after");
}

// Damaged or hostile footers and items: what was read before the damage stays, nothing
// beyond the tag is read.
TEST_F(ApeTagTest, DamagedTags) {
  const std::vector<TItem> two = {{"Title", "t"}, {"Artist", "a"}};
  const TReadStatus countTooHigh = Read(TaggedFile(2000, two, false, 0x7FFFFFFF));
  ASSERT_EQ(countTooHigh.Outcome, TReadOutcome::Damaged);
  EXPECT_EQ(countTooHigh.Message,
            "The APE tag of \"" + Dir.File("a.ape") +
                "\" is damaged at item 3: its header or key runs past the tag.");
  EXPECT_EQ(Tag.Title + Tag.Artist, "ta");

  ASSERT_EQ(Read(TaggedFile(2000, two, false, -1, 0x7FFFFFF0)).Outcome, TReadOutcome::Damaged);
  EXPECT_TRUE(Tag.Exists);
  EXPECT_EQ(Tag.Title, "");

  ASSERT_EQ(Read(TaggedFile(2000, two, false, -1, 10)).Outcome, TReadOutcome::Damaged);
  EXPECT_EQ(Tag.Title, "") << "a size smaller than the footer";

  TBytes oversized = TaggedFile(2000, {{"Title", "t"}, {"Artist", "a"}});
  oversized[200 + 8 + 6 + 1] = 0xFF;  // the second item's value size
  oversized[200 + 8 + 6 + 1 + 3] = 0x7F;
  ASSERT_EQ(Read(oversized).Outcome, TReadOutcome::Damaged);
  EXPECT_EQ(Tag.Title, "t");
  EXPECT_EQ(Tag.Artist, "");

  TBytes endlessKey =
      TaggedFile(2000, {{"Title", "t"}, {std::string(300, 'K'), "v"}, {"Artist", "a"}});
  ASSERT_EQ(Read(endlessKey).Outcome, TReadOutcome::Damaged);
  EXPECT_EQ(Tag.Title, "t");
  EXPECT_EQ(Tag.Artist, "") << "a key longer than the standard allows ends the reading";
}

}  // namespace
}  // namespace corvane
