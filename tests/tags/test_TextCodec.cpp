#include <gtest/gtest.h>

#include <stdexcept>

#include "ScratchDir.h"
#include "TextCodec.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

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
  EXPECT_EQ(LegacyToUtf8("ab\xCF"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(LegacyToUtf8("\xFF" "ab"), "\xEF\xBF\xBD" "ab");
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
