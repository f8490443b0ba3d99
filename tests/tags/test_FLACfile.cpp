#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <tuple>

#include "ChildProcess.h"
#include "FLACfile.h"
#include "FlacDecode.h"
#include "FlacTestFile.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::AssembleFlac;
using test::BlockHeader;
using test::Concat;
using test::TBlock;
using test::TBytes;

const TBytes kMarkerAndInfoHeader = {'f', 'L', 'a', 'C', 0x00, 0x00, 0x00, 34};

TBytes Zeros(size_t Count) {
  return TBytes(Count, 0);
}

// The new comment block body WriteTags should produce for these entries.
TBytes CommentBody(const std::string& Vendor, const std::vector<std::string>& Entries) {
  return test::Comment(Vendor, Entries).Body;
}

class FlacFileTest : public ::testing::Test {
 protected:
  std::string Write(const TBytes& Bytes, const std::string& Name = "a.flac") {
    const std::string path = Dir.File(Name);
    test::WriteFileBytes(path, Bytes);
    return path;
  }
  // The stream decodes with libFLAC, its MD5 signature matches, and the audio is unchanged.
  static void ExpectAudioIntact(const std::string& Path) {
    const auto decoded = test::DecodeFlacFile(Path);
    ASSERT_TRUE(decoded.Ok) << decoded.Error;
    EXPECT_EQ(decoded.TotalSamples, 9000u);
    static const auto reference = [] {
      test::TScratchDir dir;
      test::WriteFileBytes(dir.File("r.flac"), AssembleFlac({}));
      return test::DecodeFlacFile(dir.File("r.flac")).Pcm;
    }();
    EXPECT_EQ(decoded.Pcm, reference);
  }
  static TBytes StreamInfo(bool Last) {
    TBytes out = kMarkerAndInfoHeader;
    if (Last) out[4] |= 0x80;
    const auto& info = test::EncodedStream().StreamInfo;
    out.insert(out.end(), info.begin(), info.end());
    return out;
  }
  static const TBytes& Audio() { return test::EncodedStream().Audio; }

  test::TScratchDir Dir;
  TFLACfile Flac;
};

TEST_F(FlacFileTest, ReadsStreamInformationAndBlockChain) {
  const TBytes bytes = AssembleFlac(
      {test::Comment("vendor", {"TITLE=x"}), test::Application("APPLdata"), test::Padding(100)});
  const std::string path = Write(bytes);
  ASSERT_TRUE(Flac.Read(path, false));
  EXPECT_TRUE(Flac.IsValid());
  EXPECT_EQ(Flac.Channels(), 2);
  EXPECT_EQ(Flac.SampleRate(), 44100);
  EXPECT_EQ(Flac.BitsPerSample(), 16);
  EXPECT_EQ(Flac.Samples(), 9000);
  EXPECT_DOUBLE_EQ(Flac.GetDuration(), 9000.0 / 44100);
  EXPECT_EQ(Flac.FileSize(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(Flac.AudioOffset(), static_cast<int64_t>(bytes.size() - Audio().size()));
  EXPECT_EQ(Flac.Bitrate(), std::lround(Audio().size() * 8 / 1000.0 / Flac.GetDuration()));
  EXPECT_EQ(Flac.CommentIndex(), 1);
  EXPECT_EQ(Flac.CommentOffset(), 46);
  EXPECT_EQ(Flac.PaddingIndex(), 3);
  EXPECT_EQ(Flac.PaddingSize(), 100);
  EXPECT_TRUE(Flac.PaddingLast());
  EXPECT_FALSE(Flac.ExtraPadding());
  ASSERT_EQ(Flac.OtherBlocks().size(), 1u);
  EXPECT_EQ(Flac.OtherBlocks()[0].Type(), 2);
  EXPECT_EQ(Flac.VendorText, "vendor");
  EXPECT_TRUE(Flac.TagExists());
  EXPECT_TRUE(Flac.Title.empty()) << "without ParseTags the entries are not taken over";
}

// A 100-byte padding after the comment block absorbs 60 more bytes: it shrinks to 40 and keeps
// its last-block flag, whatever it was; nothing else moves.
class InPlaceTest : public FlacFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(InPlaceTest, PaddingShrinksAndKeepsItsFlag) {
  const bool paddingLast = GetParam();
  std::vector<TBlock> blocks = {test::Comment("v", {}), test::Padding(100)};
  if (!paddingLast) blocks.push_back(test::Application("TAILdata"));
  const TBytes original = AssembleFlac(blocks);
  const std::string path = Write(original);

  Flac.Title = std::string(50, 't');  // entry "TITLE=" + 50 bytes and its length: 60 bytes
  ASSERT_TRUE(Flac.WriteTags(path, false));
  EXPECT_TRUE(Flac.TagExists());

  TBytes expected = Concat({StreamInfo(false), BlockHeader(4, 69, false),
                            CommentBody("v", {"TITLE=" + std::string(50, 't')}),
                            BlockHeader(1, 40, paddingLast), Zeros(40)});
  if (!paddingLast)
    expected =
        Concat({expected, BlockHeader(2, 8, true), {'T', 'A', 'I', 'L', 'd', 'a', 't', 'a'}});
  expected = Concat({expected, Audio()});
  EXPECT_EQ(test::ReadFileBytes(path), expected);
  EXPECT_EQ(std::filesystem::file_size(path), original.size());
  ExpectAudioIntact(path);
}

INSTANTIATE_TEST_SUITE_P(PaddingLastOrNot, InPlaceTest, ::testing::Bool(), [](const auto& Info) {
  return Info.param ? "PaddingLast" : "BlockAfterPadding";
});

TEST_F(FlacFileTest, GrowthEqualToPaddingGoesThroughTemporaryFile) {
  const std::string path = Write(AssembleFlac({test::Comment("v", {}), test::Padding(60)}));
  Flac.Title = std::string(50, 't');
  ASSERT_TRUE(Flac.WriteTags(path, false));
  EXPECT_EQ(test::ReadFileBytes(path), Concat({StreamInfo(false), BlockHeader(4, 69, false),
                                               CommentBody("v", {"TITLE=" + std::string(50, 't')}),
                                               BlockHeader(1, 4096, true), Zeros(4096), Audio()}));
  EXPECT_FALSE(std::filesystem::exists(path + "~"));
  ExpectAudioIntact(path);
}

TEST_F(FlacFileTest, TemporaryFileLayoutKeepsOtherBlocksInOrder) {
  const TBlock seekTable{3, Concat({TBytes(8, 0xFF), Zeros(10)})};  // one placeholder point
  const std::string path = Write(
      AssembleFlac({test::Application("APPLdata"), test::Comment("vendor", {"OLD=1"}), seekTable}));
  Flac.Title = "x";
  ASSERT_TRUE(Flac.WriteTags(path, false));
  const TBytes body = CommentBody("vendor", {"TITLE=x"});
  EXPECT_EQ(test::ReadFileBytes(path),
            Concat({StreamInfo(false), BlockHeader(2, 8, false), test::Application("APPLdata").Body,
                    BlockHeader(3, 18, false), seekTable.Body, BlockHeader(4, body.size(), false),
                    body, BlockHeader(1, 4096, true), Zeros(4096), Audio()}));
  ExpectAudioIntact(path);
  EXPECT_EQ(test::ReadCommentsWithLibFlac(path).Entries, std::vector<std::string>{"TITLE=x"});
}

// A padding block that is not right behind the comment block, or a second one, makes the
// whole chain be rewritten in place: kept blocks first, then the comment, then one padding
// block holding all the room.
TEST_F(FlacFileTest, RewriteAllMergesPadding) {
  struct TCase {
    std::vector<TBlock> Blocks;
    size_t NewPadding;
  };
  const TBytes body = CommentBody("v", {"TITLE=x"});  // 11 bytes longer than the old one
  const std::vector<TCase> cases = {
      {{test::Comment("v", {}), test::Padding(200), test::Application("APPLdata"),
        test::Padding(50)},
       200 - 11 + 54},
      {{test::Padding(100), test::Comment("v", {}), test::Application("APPLdata")}, 100 - 11},
  };
  for (const auto& c : cases) {
    const TBytes original = AssembleFlac(c.Blocks);
    const std::string path = Write(original);
    Flac.Title = "x";
    ASSERT_TRUE(Flac.WriteTags(path, false));
    EXPECT_EQ(test::ReadFileBytes(path),
              Concat({StreamInfo(false), BlockHeader(2, 8, false),
                      test::Application("APPLdata").Body, BlockHeader(4, body.size(), false), body,
                      BlockHeader(1, c.NewPadding, true), Zeros(c.NewPadding), Audio()}));
    ExpectAudioIntact(path);
  }
}

TEST_F(FlacFileTest, LeadingId3v2TagIsKeptOnBothPaths) {
  const TBytes id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0,   15,  'T', 'I', 'T',
                      '2', 0,   0,   0, 5, 0, 0, 0, 'a', 'b', 'c', 'd'};
  for (const bool withPadding : {true, false}) {
    std::vector<TBlock> blocks = {test::Comment("v", {})};
    if (withPadding) blocks.push_back(test::Padding(100));
    const TBytes original = AssembleFlac(blocks, id3);
    const std::string path = Write(original);
    Flac.Title = "标题";
    ASSERT_TRUE(Flac.WriteTags(path, false));
    EXPECT_EQ(Flac.MarkerOffset(), 25);
    const TBytes written = test::ReadFileBytes(path);
    EXPECT_TRUE(std::equal(id3.begin(), id3.end(), written.begin()));
    EXPECT_EQ(written.size(), withPadding ? original.size() : original.size() + 4 + 4096 + 16);
    ExpectAudioIntact(path);
    EXPECT_EQ(test::ReadCommentsWithLibFlac(path).Entries, std::vector<std::string>{"TITLE=标题"});
  }
}

TEST_F(FlacFileTest, UninterpretedBlockTypesAreKeptAndTypeOneTwentySevenIsRefused) {
  const TBlock picture{6, TBytes(40, 7)};
  const TBlock reserved{100, TBytes(5, 9)};
  const TBlock empty{7, {}};
  // An empty last block becomes an empty inner block, which must read back.
  const std::string path =
      Write(AssembleFlac({test::Comment("v", {}), picture, empty, reserved, empty}));
  Flac.Title = "x";
  ASSERT_TRUE(Flac.WriteTags(path, false));
  const TBytes body = CommentBody("v", {"TITLE=x"});
  const TBytes emptyHeader = BlockHeader(7, 0, false);
  EXPECT_EQ(test::ReadFileBytes(path),
            Concat({StreamInfo(false), BlockHeader(6, 40, false), picture.Body, emptyHeader,
                    BlockHeader(100, 5, false), reserved.Body, emptyHeader,
                    BlockHeader(4, body.size(), false), body, BlockHeader(1, 4096, true),
                    Zeros(4096), Audio()}));
  ExpectAudioIntact(path);
  ASSERT_TRUE(Flac.Read(path, false));
  EXPECT_EQ(Flac.OtherBlocks().size(), 4u);

  const TBytes invalid =
      AssembleFlac({test::Comment("v", {}), {127, TBytes(5, 9)}, test::Padding(100)});
  const std::string invalidPath = Write(invalid, "invalid.flac");
  EXPECT_FALSE(Flac.WriteTags(invalidPath, false));
  EXPECT_EQ(Flac.LastWriteStatus(), TTagWriteStatus::NotFlac);
  EXPECT_EQ(test::ReadFileBytes(invalidPath), invalid);
}

TEST_F(FlacFileTest, EmptyVendorGetsTheDefault) {
  const std::string path =
      Write(AssembleFlac({test::Comment("", {"TITLE=old"}), test::Padding(100)}));
  Flac.Title = "new";
  ASSERT_TRUE(Flac.WriteTags(path, false));
  EXPECT_EQ(Flac.VendorText, TFLACfile::kDefaultVendor);
  const auto comments = test::ReadCommentsWithLibFlac(path);
  EXPECT_EQ(comments.Vendor, TFLACfile::kDefaultVendor);
  EXPECT_EQ(comments.Entries, std::vector<std::string>{"TITLE=new"});
}

TEST_F(FlacFileTest, EmptyFieldsWriteNoEntriesThroughTemporaryFile) {
  const std::string path = Write(AssembleFlac({test::Comment("vendor", {})}));
  ASSERT_TRUE(Flac.WriteTags(path, true));
  EXPECT_FALSE(Flac.TagExists());
  EXPECT_EQ(test::ReadFileBytes(path),
            Concat({StreamInfo(false), BlockHeader(4, 14, false), CommentBody("vendor", {}),
                    BlockHeader(1, 4096, true), Zeros(4096), Audio()}));
}

TEST_F(FlacFileTest, WritesFieldsInOrderAndReadsThemBack) {
  const std::string path = Write(AssembleFlac({test::Comment("v", {}), test::Padding(8192)}));
  std::vector<std::string*> fields = {
      &Flac.TrackNumber, &Flac.Artist,  &Flac.Album,        &Flac.Title,       &Flac.Date,
      &Flac.Genre,       &Flac.Comment, &Flac.Composer,     &Flac.Language,    &Flac.Copyright,
      &Flac.Url,         &Flac.Encoder, &Flac.Tones,        &Flac.Styles,      &Flac.Mood,
      &Flac.Situation,   &Flac.Rating,  &Flac.Quality,      &Flac.Tempo,       &Flac.Type,
      &Flac.Performer,   &Flac.License, &Flac.Organization, &Flac.Description, &Flac.Location,
      &Flac.Contact,     &Flac.Isrc,    &Flac.Lyrics};
  const std::vector<std::string> names = {
      "TRACKNUMBER", "ARTIST",       "ALBUM",       "TITLE",    "DATE",    "GENRE", "COMMENT",
      "COMPOSER",    "LANGUAGE",     "COPYRIGHT",   "URL",      "ENCODER", "TONES", "STYLES",
      "MOOD",        "SITUATION",    "RATING",      "QUALITY",  "TEMPO",   "TYPE",  "PERFORMER",
      "LICENSE",     "ORGANIZATION", "DESCRIPTION", "LOCATION", "CONTACT", "ISRC",  "LYRICS"};
  std::vector<std::string> all;
  for (size_t i = 0; i < fields.size(); ++i) {
    // Chinese text and a character outside the 16-bit range must come back whole.
    *fields[i] = "值" + std::to_string(i) + (i == 3 ? "🎵" : "");
    all.push_back(names[i] + "=" + *fields[i]);
  }
  Flac.ExtraFields = {{"CUSTOM", "额外"}, {" \t", "dropped: blank name"}, {"EMPTY", ""}};

  ASSERT_TRUE(Flac.WriteTags(path, true));
  EXPECT_EQ(test::ReadCommentsWithLibFlac(path).Entries,
            std::vector<std::string>(all.begin(), all.begin() + 20));

  ASSERT_TRUE(Flac.WriteTags(path, false));
  all.push_back("CUSTOM=额外");
  EXPECT_EQ(test::ReadCommentsWithLibFlac(path).Entries, all);
  ExpectAudioIntact(path);

  TFLACfile reader;
  ASSERT_TRUE(reader.Read(path, true));
  EXPECT_EQ(reader.Title, "值3🎵");
  EXPECT_EQ(reader.Lyrics, "值27");
  ASSERT_EQ(reader.ExtraFields.size(), 1u);
  EXPECT_EQ(reader.ExtraFields[0], (std::pair<std::string, std::string>("CUSTOM", "额外")));
}

TEST_F(FlacFileTest, ParsingKeepsTheFirstOfANameAndConvertsLegacyText) {
  const std::string gbkArtist = "\xB8\xE8\xCA\xD6";  // 歌手 in GB18030
  const std::string path = Write(AssembleFlac({test::Comment(
      "v", {"title=First", "TITLE=Second", "Custom=x", "no equals sign", "ARTIST=" + gbkArtist})}));
  Flac.Album = "set by the caller";
  ASSERT_TRUE(Flac.Read(path, true));
  EXPECT_EQ(Flac.Title, "First");
  EXPECT_EQ(Flac.Artist, "歌手");
  EXPECT_EQ(Flac.Album, "set by the caller");
  using TPairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Flac.ExtraFields, (TPairs{{"TITLE", "Second"}, {"CUSTOM", "x"}}));
}

// Files the reader cannot rewrite safely: Read says false and WriteTags leaves them alone.
TEST_F(FlacFileTest, RefusesDamagedFilesAndLeavesThemUntouched) {
  const TBytes good = AssembleFlac({test::Comment("v", {}), test::Padding(10)});
  TBytes noSamples = good;
  std::fill(noSamples.begin() + 21, noSamples.begin() + 26, 0);
  noSamples[21] = good[21] & 0xF0;
  TBytes wrongInfoSize = good;
  wrongInfoSize[7] = 33;
  // What the reader says: no FLAC file at all, or one that breaks the format here.
  const struct {
    std::string Name;
    TBytes Bytes;
    std::string Says;
  } cases[] = {
      {"no marker", Concat({{'f', 'L', 'a', 'X'}, TBytes(good.begin() + 4, good.end())}),
       "is no FLAC file"},
      {"no samples", noSamples, "gives no samples"},
      {"stream information of the wrong size", wrongInfoSize, "no stream information block"},
      {"header cut off", TBytes(good.begin(), good.begin() + 44), "header of block 1 is cut off"},
      {"body cut off", TBytes(good.begin(), good.begin() + 50), "block 1 runs past the end"},
      {"two comment blocks",
       AssembleFlac({test::Comment("v", {}), test::Padding(10), test::Comment("w", {})}),
       "second comment block"},
      {"reserved type 127", AssembleFlac({{127, TBytes(4, 0)}}), "reserved type 127"},
      {"block past the end",
       Concat({StreamInfo(false), BlockHeader(2, 0xFFFFFF, true), TBytes(20, 1)}),
       "block 1 runs past the end of the file"},
  };
  for (const auto& [name, bytes, says] : cases) {
    const std::string path = Write(bytes);
    const TReadStatus read = Flac.Read(path, false);
    EXPECT_FALSE(read) << name;
    EXPECT_EQ(read.Outcome,
              name == "no marker" ? TReadOutcome::NotThisFormat : TReadOutcome::Damaged)
        << name;
    EXPECT_NE(read.Message.find(says), std::string::npos) << name << ": " << read.Message;
    EXPECT_FALSE(Flac.IsValid()) << name;
    Flac.Title = "x";
    EXPECT_FALSE(Flac.WriteTags(path, false)) << name;
    EXPECT_EQ(test::ReadFileBytes(path), bytes) << name;
    EXPECT_FALSE(std::filesystem::exists(path + "~")) << name;
  }
}

// Reported, not thrown: the status names the file and keeps the system's cause.
TEST_F(FlacFileTest, MissingFileIsReportedNamingIt) {
  const std::string path = Dir.File("missing.flac");
  const std::string message = "Cannot open file \"" + path + "\". No such file or directory";
  const TReadStatus read = Flac.Read(path, false);
  EXPECT_EQ(read.Outcome, TReadOutcome::FileFailed);
  EXPECT_EQ(read.Message, message);
  EXPECT_EQ(read.ErrorCode, ENOENT);
  EXPECT_FALSE(Flac.WriteTags(path, false));
  EXPECT_EQ(Flac.LastWriteStatus(), TTagWriteStatus::ReadFailed);
  EXPECT_EQ(Flac.LastWriteError(), message);
  EXPECT_EQ(Flac.LastWriteErrorCode(), ENOENT);
}

TEST_F(FlacFileTest, CommentBlockTooLargeLeavesFileUntouched) {
  const TBytes original = AssembleFlac({test::Comment("v", {})});
  const std::string path = Write(original);
  Flac.Lyrics = std::string(1 << 24, 'x');
  EXPECT_FALSE(Flac.WriteTags(path, false));
  EXPECT_EQ(Flac.LastWriteStatus(), TTagWriteStatus::TooLarge);
  EXPECT_FALSE(Flac.TagExists());
  EXPECT_EQ(test::ReadFileBytes(path), original);
}

TEST_F(FlacFileTest, PermissionBitsKeptAndOwnerWriteGiven) {
  for (const auto& [before, after] :
       std::vector<std::pair<unsigned, unsigned>>{{0640, 0640}, {0444, 0644}}) {
    const std::string path = Write(AssembleFlac({test::Comment("v", {})}));
    ASSERT_EQ(::chmod(path.c_str(), before), 0);
    Flac.Title = "x";
    ASSERT_TRUE(Flac.WriteTags(path, false));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, after);
  }
}

TEST_F(FlacFileTest, StaleTemporaryFileIsReplacedAndALinkIsNotFollowed) {
  const std::string path = Write(AssembleFlac({test::Comment("v", {})}));
  const TBytes victim = {'k', 'e', 'e', 'p'};
  const std::string victimPath = Write(victim, "victim");
  std::filesystem::create_symlink(victimPath, path + "~");
  Flac.Title = "x";
  ASSERT_TRUE(Flac.WriteTags(path, false));
  EXPECT_EQ(test::ReadFileBytes(victimPath), victim);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path + "~")));
  ExpectAudioIntact(path);
}

TEST_F(FlacFileTest, RepeatedSavesStayConsistent) {
  const std::string path = Write(AssembleFlac({test::Comment("v", {})}));
  for (const std::string& title : std::vector<std::string>{"first", "a longer second title", "3",
                                                           std::string(5000, 'z'), "5"}) {
    Flac.Title = title;
    ASSERT_TRUE(Flac.WriteTags(path, false)) << title;
    TFLACfile reader;
    ASSERT_TRUE(reader.Read(path, true));
    EXPECT_EQ(reader.Title, title);
    EXPECT_TRUE(reader.ExtraFields.empty());
    ExpectAudioIntact(path);
  }
}

// Pictures go behind the comment block: in place when the padding has room (the pictures they
// replace give theirs back), else through the copy. A new front cover takes the place of the
// file's front covers; other pictures stay. Written again, the file still holds one.
struct TPictureCase {
  const char* Name;
  std::vector<TBlock> Blocks;
  size_t NewBytes;  // the new front cover's size; 0: no new picture
  bool InPlace;
  // The pictures afterwards in chain order, as (type, data); "*" stands for the new one.
  std::vector<std::pair<uint32_t, std::string>> After;
};

class PictureTest : public FlacFileTest, public ::testing::WithParamInterface<TPictureCase> {};

TEST_P(PictureTest, ReplacesTheFrontCoverAndKeepsTheRest) {
  const TPictureCase& c = GetParam();
  const TBytes original = AssembleFlac(c.Blocks);
  const std::string path = Write(original);
  TFlacPicture cover;
  cover.MimeType = "image/jpeg";
  cover.Description = "封面";
  cover.Width = 640;
  cover.Height = 480;
  cover.Depth = 24;
  cover.Data = std::string(c.NewBytes, 'N');
  if (c.NewBytes > 0) Flac.Pictures = {cover};
  Flac.Title = "t";
  for (int round = 1; round <= 2; ++round) {
    ASSERT_TRUE(Flac.WriteTags(path, false)) << "round " << round;
    if (round == 1) {
      EXPECT_EQ(std::filesystem::file_size(path) == original.size(), c.InPlace);
    }
    const test::TChain chain = test::ReadChainWithLibFlac(path);
    ASSERT_TRUE(chain.Ok);
    std::vector<std::pair<uint32_t, std::string>> after;
    for (const auto& picture : chain.Pictures) {
      const bool isNew = picture.Data == cover.Data;
      after.emplace_back(picture.Type, isNew ? "*" : picture.Data);
      if (!isNew) continue;
      EXPECT_EQ(picture.MimeType, cover.MimeType);
      EXPECT_EQ(picture.Description, cover.Description);
      EXPECT_EQ(std::make_tuple(picture.Width, picture.Height, picture.Depth, picture.Colors),
                std::make_tuple(640u, 480u, 24u, 0u));
    }
    EXPECT_EQ(after, c.After) << "round " << round;
    EXPECT_EQ(chain.BlockTypes.back(), 1) << "the padding closes the chain";
    EXPECT_EQ(test::ReadCommentsWithLibFlac(path).Entries, std::vector<std::string>{"TITLE=t"});
    ExpectAudioIntact(path);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chains, PictureTest,
    ::testing::Values(
        TPictureCase{
            "AddedInPlace", {test::Comment("v", {}), test::Padding(5000)}, 1000, true, {{3, "*"}}},
        TPictureCase{"AddedThroughCopy",
                     {test::Comment("v", {}), test::Padding(500)},
                     1000,
                     false,
                     {{3, "*"}}},
        TPictureCase{"NoPadding", {test::Comment("v", {})}, 100, false, {{3, "*"}}},
        TPictureCase{"NoCommentBlock", {test::Padding(5000)}, 100, false, {{3, "*"}}},
        TPictureCase{"FrontReplacedBackKept",
                     {test::Comment("v", {}), test::Picture(3, "old front"),
                      test::Picture(4, "back"), test::Padding(5000)},
                     1000,
                     true,
                     {{4, "back"}, {3, "*"}}},
        // The old picture's room pays for the new one: no padding needed.
        TPictureCase{
            "SmallerReplacementInPlace",
            {test::Comment("v", {}), test::Picture(3, std::string(3000, 'o')), test::Padding(20)},
            1000,
            true,
            {{3, "*"}}},
        TPictureCase{"LargerReplacementThroughCopy",
                     {test::Comment("v", {}), test::Picture(3, "o"), test::Padding(20)},
                     1000,
                     false,
                     {{3, "*"}}},
        TPictureCase{"TwoFrontCoversBecomeOne",
                     {test::Picture(3, "a"), test::Comment("v", {}), test::Padding(3000),
                      test::Picture(3, "b")},
                     100,
                     true,
                     {{3, "*"}}},
        TPictureCase{"WithoutANewPictureTheOldOnesStay",
                     {test::Comment("v", {}), test::Picture(3, "old"), test::Padding(100)},
                     0,
                     true,
                     {{3, "old"}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FlacFileTest, PictureTooLargeForItsBlockLeavesFileUntouched) {
  const TBytes original = AssembleFlac({test::Comment("v", {}), test::Padding(100)});
  const std::string path = Write(original);
  TFlacPicture picture;
  picture.MimeType = "image/png";
  picture.Data = std::string(MaxPictureDataSize(picture.MimeType.size()), 'p');
  Flac.Pictures = {picture};
  Flac.Pictures.back().Data += 'p';
  EXPECT_FALSE(Flac.WriteTags(path, false));
  EXPECT_EQ(Flac.LastWriteStatus(), TTagWriteStatus::TooLarge);
  EXPECT_EQ(test::ReadFileBytes(path), original);
  // One byte less fits exactly.
  Flac.Pictures = {picture};
  ASSERT_TRUE(Flac.WriteTags(path, false));
  const test::TChain chain = test::ReadChainWithLibFlac(path);
  ASSERT_EQ(chain.Pictures.size(), 1u);
  EXPECT_EQ(chain.Pictures[0].Data.size(), picture.Data.size());
  ExpectAudioIntact(path);
}

// Offsets past 4 GiB: a sparse file whose metadata is rewritten in place.
TEST_F(FlacFileTest, FilesBeyondFourGibibytes) {
  const std::string path = Write(AssembleFlac({test::Comment("v", {}), test::Padding(100)}));
  const uintmax_t size = (uintmax_t{5} << 30) + 3;
  std::filesystem::resize_file(path, size);
  ASSERT_TRUE(Flac.Read(path, false));
  EXPECT_EQ(Flac.FileSize(), static_cast<int64_t>(size));
  EXPECT_GT(Flac.Bitrate(), 0);
  Flac.Title = "x";
  ASSERT_TRUE(Flac.WriteTags(path, false));
  EXPECT_EQ(std::filesystem::file_size(path), size);
  ASSERT_TRUE(Flac.Read(path, true));
  EXPECT_EQ(Flac.PaddingSize(), 89);
}

// Failures part-way: the original stays byte for byte as it was and no temporary file is left.
class FailedWriteTest : public FlacFileTest {
 protected:
  void SetUp() override {
    // The child runs as "nobody" and must reach the scratch folder.
    ASSERT_EQ(::chmod(Dir.Path().c_str(), 0755), 0);
  }
  void ExpectUntouched(const std::string& Path, const TBytes& Original) {
    EXPECT_EQ(test::ReadFileBytes(Path), Original);
    EXPECT_FALSE(std::filesystem::exists(Path + "~"));
  }
  // WriteTags in a child process; returns the child's complaint, empty when it got Expected.
  std::string WriteInChild(const test::TChildOptions& Options, const std::string& Path,
                           TTagWriteStatus Expected) {
    return test::RunInChild(Options, [&]() -> std::string {
      TFLACfile flac;
      flac.Title = "x";
      if (flac.WriteTags(Path, false)) return "WriteTags succeeded";
      if (flac.LastWriteStatus() != Expected) return "unexpected status: " + flac.LastWriteError();
      return "";
    });
  }
};

TEST_F(FailedWriteTest, FolderWithoutWritePermission) {
  const std::string folder = Dir.File("locked");
  std::filesystem::create_directory(folder);
  const TBytes original = AssembleFlac({test::Comment("v", {})});
  const std::string path = folder + "/a.flac";
  test::WriteFileBytes(path, original);
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  EXPECT_EQ(WriteInChild({.DropRoot = true}, path, TTagWriteStatus::WriteFailed), "");
  ExpectUntouched(path, original);
}

TEST_F(FailedWriteTest, FileSizeLimitDuringCopy) {
  const TBytes original = AssembleFlac({test::Comment("v", {})});
  const std::string path = Write(original);
  EXPECT_EQ(WriteInChild({.FileSizeLimit = static_cast<int64_t>(original.size())}, path,
                         TTagWriteStatus::WriteFailed),
            "");
  ExpectUntouched(path, original);
}

TEST_F(FailedWriteTest, InPlaceWriteCutShortIsUndone) {
  const TBytes original = AssembleFlac({test::Comment("v", {}), test::Padding(100)});
  const std::string path = Write(original);
  // The limit falls inside the new comment block: the first bytes go out, the rest fail.
  EXPECT_EQ(WriteInChild({.FileSizeLimit = 60}, path, TTagWriteStatus::WriteFailed), "");
  ExpectUntouched(path, original);
}

TEST_F(FailedWriteTest, RenameRefused) {
  // In a sticky folder "nobody" may create the temporary file but not replace root's file.
  const std::string folder = Dir.File("sticky");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
  const TBytes original = AssembleFlac({test::Comment("v", {})});
  const std::string path = folder + "/a.flac";
  test::WriteFileBytes(path, original);
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand the file to another user";
  EXPECT_EQ(WriteInChild({.DropRoot = true}, path, TTagWriteStatus::RenameFailed), "");
  ExpectUntouched(path, original);
}

TEST_F(FlacFileTest, FuzzerFindsAreRefusedCleanly) {
  const std::filesystem::path folder = std::filesystem::path(CORVANE_TEST_DATA) / "flac";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no regression inputs";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string path = Dir.Copy(entry.path().string(), "case.flac");
    const TBytes original = test::ReadFileBytes(path);
    TFLACfile flac;
    if (!flac.Read(path, true)) {
      EXPECT_FALSE(flac.WriteTags(path, false)) << entry.path();
      EXPECT_EQ(test::ReadFileBytes(path), original) << entry.path();
    } else {
      EXPECT_TRUE(flac.WriteTags(path, false)) << entry.path();
      EXPECT_TRUE(flac.Read(path, true)) << entry.path();
    }
  }
}

}  // namespace
}  // namespace corvane
