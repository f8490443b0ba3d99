#include <gtest/gtest.h>

#include <cerrno>

#include "ID3v2.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using TBytes = std::vector<uint8_t>;

TBytes Bytes(const std::string& Text) {
  return TBytes(Text.begin(), Text.end());
}

TBytes SyncSafe(uint32_t Value) {
  return {static_cast<uint8_t>(Value >> 21 & 0x7F), static_cast<uint8_t>(Value >> 14 & 0x7F),
          static_cast<uint8_t>(Value >> 7 & 0x7F), static_cast<uint8_t>(Value & 0x7F)};
}

// One frame in the layout of the given major version; Body starts with the encoding byte.
TBytes Frame(int Version, const std::string& Name, const std::string& Body, uint8_t Flags = 0) {
  TBytes out = Bytes(Name);
  const auto size = static_cast<uint32_t>(Body.size());
  if (Version == 2) {
    out.insert(out.end(), {static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                           static_cast<uint8_t>(size)});
  } else {
    const TBytes length =
        Version == 4 ? SyncSafe(size)
                     : TBytes{static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                              static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), {0, Flags});
  }
  out.insert(out.end(), Body.begin(), Body.end());
  return out;
}

// A tag holding Frames and 20 bytes of padding, followed by some stand-in audio.
TBytes TaggedFile(int Version, const std::vector<TBytes>& Frames, uint8_t Flags = 0) {
  TBytes body;
  for (const auto& frame : Frames) body.insert(body.end(), frame.begin(), frame.end());
  body.insert(body.end(), 20, 0);
  TBytes out = {'I', 'D', '3', static_cast<uint8_t>(Version), 0, Flags};
  const TBytes size = SyncSafe(static_cast<uint32_t>(body.size()));
  out.insert(out.end(), size.begin(), size.end());
  out.insert(out.end(), body.begin(), body.end());
  out.insert(out.end(), 100, 0x55);
  return out;
}

class Id3v2Test : public ::testing::Test {
 protected:
  TReadStatus Read(const TBytes& File) {
    const std::string path = Dir.File("a.flac");
    test::WriteFileBytes(path, File);
    return Tag.Read(path);
  }
  test::TScratchDir Dir;
  TID3v2 Tag;
};

TEST_F(Id3v2Test, FilesWithoutATag) {
  EXPECT_EQ(Read(Bytes("fLaC and more bytes")).Outcome, TReadOutcome::NotThisFormat);
  EXPECT_FALSE(Tag.Exists);
  EXPECT_EQ(Tag.Size, 0);
  EXPECT_FALSE(Read(Bytes("ID3\3")));
  const TReadStatus missing = Tag.Read(Dir.File("missing"));
  EXPECT_EQ(missing.Outcome, TReadOutcome::FileFailed);
  EXPECT_EQ(missing.ErrorCode, ENOENT);
}

TEST_F(Id3v2Test, SizeRule) {
  TBytes file = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01};
  file.resize(400, 0);
  ASSERT_TRUE(Read(file));
  EXPECT_TRUE(Tag.Exists);
  EXPECT_EQ(Tag.Version, 3);
  EXPECT_EQ(Tag.Size, 267);
  file[5] = 0x10;  // footer present
  ASSERT_TRUE(Read(file));
  EXPECT_EQ(Tag.Size, 277);
  file.resize(270);
  ASSERT_EQ(Read(file).Outcome, TReadOutcome::Damaged);
  EXPECT_TRUE(Tag.Exists);
  EXPECT_EQ(Tag.Size, 0) << "a tag larger than the file";
}

class Id3v2VersionTest : public Id3v2Test, public ::testing::WithParamInterface<int> {};

TEST_P(Id3v2VersionTest, ReadsTheTextFrames) {
  const int v = GetParam();
  const auto name = [&](const char* Current, const char* Old) {
    return std::string(v == 2 ? Old : Current);
  };
  const std::string longText(1000, 'L');
  ASSERT_TRUE(Read(TaggedFile(
      v, {Frame(v, name("TIT1", "TT1"), "\0group"s), Frame(v, name("TPE1", "TP1"), "\0Artist"s),
          Frame(v, name("TOAL", "TOT"), "\0Original album"s),
          Frame(v, name("TRCK", "TRK"),
                "\0"
                "5/12"s),
          Frame(v, name("TDRC", "TOR"),
                "\0"
                "2004-05-01"s),
          Frame(v, name("TCON", "TCO"), "\0(17)Rock"s),
          Frame(v, name("COMM", "COM"), "\0engdesc\0the comment"s),
          Frame(v, name("TCOM", "TCM"), "\0"s + longText), Frame(v, name("TENC", "TEN"), "\0enc"s),
          Frame(v, name("TCOP", "TCR"), "\0cop"s), Frame(v, name("TLAN", "TLA"), "\0chi"s),
          Frame(v, name("WXXX", "WXX"), "\0desc\0http://x"s),
          Frame(v, name("TSIZ", "TSI"),
                "\0"
                "123"s),
          Frame(v, name("TXXX", "TXX"), "\0ignored"s)})));
  EXPECT_TRUE(Tag.Exists);
  EXPECT_EQ(Tag.Version, v);
  EXPECT_EQ(Tag.Title, "group");
  EXPECT_EQ(Tag.Artist, "Artist");
  EXPECT_EQ(Tag.Album, "Original album");
  EXPECT_EQ(Tag.TrackText, "5/12");
  EXPECT_EQ(Tag.Track, 5);
  EXPECT_EQ(Tag.Year, "2004");
  EXPECT_EQ(Tag.Genre, "Rock");
  EXPECT_EQ(Tag.Comment, "the comment");
  EXPECT_EQ(Tag.Composer, longText) << "read whole, and the frames after it are still found";
  EXPECT_EQ(Tag.Encoder + Tag.Copyright + Tag.Language + Tag.Link + Tag.SizeText,
            "enccopchihttp://x123");
}

INSTANTIATE_TEST_SUITE_P(Versions, Id3v2VersionTest, ::testing::Values(2, 3, 4),
                         [](const auto& Info) { return "Id3v2_" + std::to_string(Info.param); });

TEST_F(Id3v2Test, TextEncodings) {
  struct TCase {
    std::string Body;
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {"\1\xFF\xFEx\0\x07\x68"s, "x标"},            // UTF-16 little-endian after its mark
      {"\1\xFE\xFF\0x\x68\x07"s, "x标"},            // big-endian after its mark
      {"\1x\0y\0"s, "xy"},                          // no mark: little-endian
      {"\1\xFF\xFE\x3C\xD8\xB5\xDF\0\0zzz"s, "🎵"},  // a surrogate pair, then the terminator
      {"\2\0x\x68\x07"s, "x标"},                    // UTF-16 big-endian without a mark
      {"\3标题"s, "标题"},
      {"\0\xB1\xEA\xCC\xE2"s, "标题"},  // legacy GB18030
      {"\0  spaced  \0"s, "spaced"},
      {"\4what"s, ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Read(TaggedFile(3, {Frame(3, "TIT2", c.Body)})));
    EXPECT_EQ(Tag.Title, c.Expected);
  }
}

TEST_F(Id3v2Test, CommentDescriptionEndsOnAUnitBoundary) {
  // "A" then the zero unit: 41 00 | 00 00. The first two zero bytes in a row are not it.
  ASSERT_TRUE(Read(TaggedFile(3, {Frame(3, "COMM", "\1eng\xFF\xFE\x41\0\0\0\xFF\xFEx\0"s)})));
  EXPECT_EQ(Tag.Comment, "x");
}

TEST_F(Id3v2Test, GenreAndYear) {
  const std::vector<std::pair<std::string, std::string>> genres = {{"(17)Rock", "Rock"},
                                                                   {"(17)", ""},
                                                                   {"Rock (live)", "Rock (live)"},
                                                                   {"(17)(18)Pop", "Pop"},
                                                                   {"((Old)", "(Old)"}};
  for (const auto& [text, genre] : genres) {
    ASSERT_TRUE(Read(TaggedFile(3, {Frame(3, "TCON", "\0"s + text)})));
    EXPECT_EQ(Tag.Genre, genre) << text;
  }
  ASSERT_TRUE(Read(TaggedFile(3, {Frame(3, "TYER",
                                        "\0"
                                        "1999"s),
                                  Frame(3, "TDRC",
                                        "\0"
                                        "2004"s)})));
  EXPECT_EQ(Tag.Year, "1999");
}

TEST_F(Id3v2Test, FrameFlagsAndLayouts) {
  // Compressed frames are not text; unsynchronised ones and a data length indicator are undone.
  ASSERT_TRUE(Read(TaggedFile(
      4, {Frame(4, "TIT2", "\0zipped"s, 0x08), Frame(4, "TPE1", "\1\xFF\0\xFEx\0"s, 0x02),
          Frame(4, "TALB", "\0\0\0\x05\0Album"s, 0x01)})));
  EXPECT_EQ(Tag.Title, "");
  EXPECT_EQ(Tag.Artist, "x");
  EXPECT_EQ(Tag.Album, "Album");

  ASSERT_TRUE(
      Read(TaggedFile(3, {Frame(3, "TIT2", "\0zipped"s, 0x80), Frame(3, "TPE1", "\0plain"s)})));
  EXPECT_EQ(Tag.Title, "");
  EXPECT_EQ(Tag.Artist, "plain");

  // An extended header is stepped over (version 3 counts it without its size field).
  TBytes extended =
      TaggedFile(3, {TBytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, Frame(3, "TIT2", "\0after"s)}, 0x40);
  ASSERT_TRUE(Read(extended));
  EXPECT_EQ(Tag.Title, "after");
}

TEST_F(Id3v2Test, DamagedFramesEndTheReading) {
  TBytes file = TaggedFile(3, {Frame(3, "TIT2", "\0kept"s), Frame(3, "TPE1", "\0lost"s)});
  file[10 + 15 + 4] = 0x7F;  // the second frame claims far more than the tag holds
  const TReadStatus damaged = Read(file);
  ASSERT_EQ(damaged.Outcome, TReadOutcome::Damaged);
  EXPECT_EQ(damaged.Message, "The ID3v2 tag of \"" + Dir.File("a.flac") +
                                 "\" is damaged: a frame runs past the end of the tag.");
  EXPECT_EQ(Tag.Title, "kept");
  EXPECT_EQ(Tag.Artist, "");
  EXPECT_EQ(Tag.Size, static_cast<int64_t>(file.size() - 100));

  TBytes future = TaggedFile(5, {Frame(3, "TIT2", "\0x"s)});
  ASSERT_EQ(Read(future).Outcome, TReadOutcome::NotThisFormat);
  EXPECT_TRUE(Tag.Exists);
  EXPECT_EQ(Tag.Title, "") << "an unknown version is stepped over, not read";
}

}  // namespace
}  // namespace corvane
