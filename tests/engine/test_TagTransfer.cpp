#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "AppTexts.h"
#include "CoverArt.h"
#include "Disc.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "FlacTestFile.h"
#include "JobFailure.h"
#include "ScratchDir.h"
#include "TagMapping.h"
#include "TagTransfer.h"
#include "TextFormat.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::string_literals;

class TagTransferTest : public testing::Test {
 protected:
  void SetUp() override {
    auto sheet = std::make_unique<TCueFile>(Dir.File("a.cue"));
    sheet->Title = "Album";
    sheet->Tracks.push_back({"One", "Band", "00:00:00", ""});
    Disc = std::make_shared<const TDisc>(std::move(sheet), std::map<int, TTrackAudio>{});
    CueJob = JobsOfDisc(Disc, 1).front();
  }

  void Transfer(const TJob& Job, const std::string& Output) {
    Tags.Write(Tags.TagsOf(Job), Output);
  }

  test::TScratchDir Dir;
  std::shared_ptr<const TDisc> Disc;
  TTagTransfer Tags;
  TJob CueJob;
};

TEST_F(TagTransferTest, OutputThatIsNotFlacIsLeftAsItIs) {
  const std::vector<uint8_t> bytes(300, 0x42);
  test::WriteFileBytes(Dir.File("out.flac"), bytes);
  EXPECT_NO_THROW(Transfer(CueJob, Dir.File("out.flac")));
  EXPECT_EQ(test::ReadFileBytes(Dir.File("out.flac")), bytes);
}

TEST_F(TagTransferTest, MissingOutputIsAnError) {
  EXPECT_THROW(Transfer(CueJob, Dir.File("gone.flac")), std::runtime_error);
}

TEST_F(TagTransferTest, SourceWithoutApeTagWritesNothing) {
  const std::vector<uint8_t> source(1000, 0x11);
  test::WriteFileBytes(Dir.File("a.ape"), source);
  // Not even an attempt: the output need not exist.
  EXPECT_NO_THROW(Transfer(WholeFileJob(Dir.File("a.ape")), Dir.File("never.flac")));
  EXPECT_FALSE(Tags.ApeTagReader.Exists);
}

// A FLAC file converted whole keeps every comment, lists too, and every picture; a track of a
// FLAC image takes the image's front cover, as a track of an APE image does.
TEST_F(TagTransferTest, FlacSourcesPassOnTheirCommentsAndPictures) {
  const std::string source = Dir.File("source.flac");
  test::WriteFileBytes(
      source, test::AssembleFlac({test::Comment("v", {"TITLE=Song", "ARTIST=Alice", "ARTIST=Bob",
                                                      "CueSheet=FILE x"}),
                                  test::Picture(4, "back"), test::Picture(3, "front")}));
  const std::string whole = Dir.File("whole.flac");
  const std::string track = Dir.File("track.flac");
  for (const std::string& output : {whole, track}) {
    test::WriteFileBytes(output, test::AssembleFlac({test::Padding(8192)}));
  }
  Transfer(WholeFileJob(source), whole);
  std::vector<std::string> entries = test::ReadCommentsWithLibFlac(whole).Entries;
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"ARTIST=Alice", "ARTIST=Bob", "TITLE=Song"}));
  std::vector<uint32_t> types;
  for (const test::TPictureRead& picture : test::ReadChainWithLibFlac(whole).Pictures) {
    types.push_back(picture.Type);
  }
  EXPECT_EQ(types, (std::vector<uint32_t>{4, 3}));

  TJob imageTrack = CueJob;
  imageTrack.Audio = {{source, 0, -1}};
  Transfer(imageTrack, track);
  const test::TChain chain = test::ReadChainWithLibFlac(track);
  ASSERT_EQ(chain.Pictures.size(), 1u);
  EXPECT_EQ(chain.Pictures[0].Type, 3u);
  EXPECT_EQ(chain.Pictures[0].Data, "front");
}

// The album a batch groups loose files by, as the full read would give it.
TEST_F(TagTransferTest, AlbumOfAFileIsItsTagsAlbumField) {
  test::WriteFileBytes(Dir.File("a.flac"),
                       test::AssembleFlac({test::Comment("v", {"album=Flac Album", "TITLE=x"}),
                                           test::Picture(3, "front")}));
  test::WriteFileBytes(Dir.File("a.ape"), std::vector<uint8_t>(1000, 0x11));
  test::AppendApeTag(Dir.File("a.ape"), {{"Title", "x"}, {"Album", "Ape Album"}});
  test::WriteFileBytes(Dir.File("untagged.ape"), std::vector<uint8_t>(1000, 0x11));
  test::WriteFileBytes(Dir.File("a.wav"), std::vector<uint8_t>(100, 0));
  const struct {
    const char* File;
    const char* Album;
  } cases[] = {
      {"a.flac", "Flac Album"}, {"a.ape", "Ape Album"}, {"untagged.ape", ""}, {"a.wav", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(Tags.AlbumOf(Dir.File(c.File)), c.Album) << c.File;
    std::string full;
    const TJobTags tags = Tags.TagsOf(WholeFileJob(Dir.File(c.File)));
    for (const auto& [name, value] : tags.Comments.Entries()) {
      if (name == "ALBUM") full = value;
    }
    EXPECT_EQ(full, c.Album) << c.File;
  }
}

TEST_F(TagTransferTest, TrackThatIsNotOnItsDiscIsAnError) {
  TJob missing = CueJob;
  missing.Track = 1;
  EXPECT_THROW(Transfer(missing, Dir.File("x.flac")), std::runtime_error);
  TJob withoutDisc = CueJob;
  withoutDisc.Disc = nullptr;
  EXPECT_THROW(Transfer(withoutDisc, Dir.File("x.flac")), std::runtime_error);
}

// ---- Which fields a job's file gets ----

using TEntries = std::vector<std::pair<std::string, std::string>>;

TCueFile ParsedSheet(const std::string& Text) {
  TCueFile sheet("/music/album.cue");
  sheet.SetCueText(Text);
  sheet.Parse();
  return sheet;
}

// Track 1 and 2 of this sheet: one with every field of its own, one with none.
const char* const kFullSheet =
    "REM GENRE Rock\nREM DATE 1994\nREM DISCNUMBER 1\nREM TOTALDISCS 2\n"
    "REM COMMENT \"Album comment\"\nCATALOG 0724382975625\nPERFORMER \"Band\"\n"
    "SONGWRITER \"Writer\"\nTITLE \"Say \"Hi\" now\"\nFILE \"a.wav\" WAVE\n"
    "  TRACK 01 AUDIO\n    TITLE \"One\"\n    PERFORMER \"Singer\"\n"
    "    SONGWRITER \"Composer\"\n    ISRC GBAYE9400001\n    REM DATE 1993\n"
    "    REM GENRE Jazz\n    REM COMMENT \"Track comment\"\n    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 01 00:10:00\n";

TAPEtag ApeTag(std::function<void(TAPEtag&)> Fill) {
  TAPEtag tag;
  tag.Exists = true;
  tag.Version = 2000;
  Fill(tag);
  return tag;
}

struct TMappingCase {
  const char* Name;
  std::function<TVorbisEntries()> Map;
  TEntries Expected;  // in order
};

class FieldMapping : public testing::TestWithParam<TMappingCase> {};

TEST_P(FieldMapping, GivesTheseEntriesInOrder) {
  EXPECT_EQ(GetParam().Map().Entries(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FieldMapping,
    testing::Values(
        TMappingCase{"CueTrackWithItsOwnFields",
                     [] {
                       const TCueFile sheet = ParsedSheet(kFullSheet);
                       return TagsOfCueTrack(sheet, sheet.Tracks[0]);
                     },
                     {{"TITLE", "One"},
                      {"ARTIST", "Singer"},
                      {"ALBUM", "Say \"Hi\" now"},
                      {"ALBUMARTIST", "Band"},
                      {"TRACKNUMBER", "1"},
                      {"TRACKTOTAL", "2"},
                      {"DISCNUMBER", "1"},
                      {"DISCTOTAL", "2"},
                      {"DATE", "1993"},
                      {"GENRE", "Jazz"},
                      {"COMPOSER", "Composer"},
                      {"COMMENT", "Track comment"},
                      {"ISRC", "GBAYE9400001"}}},
        TMappingCase{"CueTrackFallsBackToTheAlbum",
                     [] {
                       const TCueFile sheet = ParsedSheet(kFullSheet);
                       return TagsOfCueTrack(sheet, sheet.Tracks[1]);
                     },
                     {{"TITLE", "Two"},
                      {"ARTIST", "Band"},
                      {"ALBUM", "Say \"Hi\" now"},
                      {"ALBUMARTIST", "Band"},
                      {"TRACKNUMBER", "2"},
                      {"TRACKTOTAL", "2"},
                      {"DISCNUMBER", "1"},
                      {"DISCTOTAL", "2"},
                      {"DATE", "1994"},
                      {"GENRE", "Rock"},
                      {"COMPOSER", "Writer"},
                      {"COMMENT", "Album comment"}}},
        TMappingCase{"CueHiddenTrackZero",
                     [] {
                       const TCueFile sheet = ParsedSheet(kFullSheet);
                       TCueTrack hidden;
                       hidden.Number = "00";
                       return TagsOfCueTrack(sheet, hidden);
                     },
                     {{"ARTIST", "Band"},
                      {"ALBUM", "Say \"Hi\" now"},
                      {"ALBUMARTIST", "Band"},
                      {"TRACKNUMBER", "0"},
                      {"TRACKTOTAL", "2"},
                      {"DISCNUMBER", "1"},
                      {"DISCTOTAL", "2"},
                      {"DATE", "1994"},
                      {"GENRE", "Rock"},
                      {"COMPOSER", "Writer"},
                      {"COMMENT", "Album comment"}}},
        TMappingCase{
            "CueDiscNumberWithItsTotal",
            [] {
              const TCueFile sheet = ParsedSheet(
                  "REM DISCNUMBER 2/3\nFILE a.wav WAVE\nTRACK 07 AUDIO\nINDEX 01 00:00:00\n");
              return TagsOfCueTrack(sheet, sheet.Tracks[0]);
            },
            {{"TRACKNUMBER", "7"}, {"TRACKTOTAL", "1"}, {"DISCNUMBER", "2"}, {"DISCTOTAL", "3"}}},
        TMappingCase{
            "CueTotalDiscsWinsOverTheDiscNumbersTotal",
            [] {
              const TCueFile sheet = ParsedSheet(
                  "REM DISCNUMBER 2/3\nREM TOTALDISCS 4\nFILE a.wav WAVE\n"
                  "TRACK 01 AUDIO\nINDEX 01 00:00:00\n");
              return TagsOfCueTrack(sheet, sheet.Tracks[0]);
            },
            {{"TRACKNUMBER", "1"}, {"TRACKTOTAL", "1"}, {"DISCNUMBER", "2"}, {"DISCTOTAL", "4"}}},
        TMappingCase{"ApeDescribedFields",
                     [] {
                       return TagsOfApeTag(ApeTag([](TAPEtag& Tag) {
                         Tag.Title = "标题";
                         Tag.Artist = "艺人";
                         Tag.Album = "专辑";
                         Tag.TrackText = "3/12";
                         Tag.Year = "2001";
                         Tag.Genre = "Rock";
                         Tag.Comment = std::string(70000, 'c');
                         Tag.Copyright = "(c)";
                         Tag.CueSheet = "FILE x.wav WAVE";
                         Tag.CoverArtFront = "f.jpg";
                         Tag.CoverArtFrontSize = 5;
                       }));
                     },
                     {{"TITLE", "标题"},
                      {"ARTIST", "艺人"},
                      {"ALBUM", "专辑"},
                      {"TRACKNUMBER", "3"},
                      {"TRACKTOTAL", "12"},
                      {"DATE", "2001"},
                      {"GENRE", "Rock"},
                      {"COMMENT", std::string(70000, 'c')},
                      {"COPYRIGHT", "(c)"}}},
        TMappingCase{"ApeWithoutTrackNumber",
                     [] { return TagsOfApeTag(ApeTag([](TAPEtag& Tag) { Tag.Title = "t"; })); },
                     {{"TITLE", "t"}}},
        TMappingCase{"ApeTrackNumbers",
                     [] {
                       return TagsOfApeTag(ApeTag([](TAPEtag& Tag) {
                         Tag.TrackText = "007 / 09";
                         Tag.OtherItems = {{"Disc", "A1"}, {"TrackTotal", "10"}};
                       }));
                     },
                     {{"TRACKNUMBER", "7"}, {"TRACKTOTAL", "9"}, {"DISCNUMBER", "A1"}}},
        TMappingCase{"ApeOtherItemsUnderVorbisNames",
                     [] {
                       return TagsOfApeTag(ApeTag([](TAPEtag& Tag) {
                         Tag.Year = "1994";
                         Tag.TrackText = "3";
                         Tag.OtherItems = {{"Album Artist", "Pink Floyd"},
                                           {"Disc", "1/2"},
                                           {"Composer", "Gilmour"},
                                           {"QualityStandard:", "PiMP"},
                                           {"replaygain_track_gain", "-7.5 dB"},
                                           {"Tracknumber", "5"},
                                           {"Date", "1994"},
                                           {"Date", "1995"},
                                           {"Empty", ""}};
                       }));
                     },
                     {{"TRACKNUMBER", "3"},
                      {"DATE", "1994"},
                      {"ALBUMARTIST", "Pink Floyd"},
                      {"DISCNUMBER", "1"},
                      {"DISCTOTAL", "2"},
                      {"COMPOSER", "Gilmour"},
                      {"QUALITYSTANDARD:", "PiMP"},
                      {"REPLAYGAIN_TRACK_GAIN", "-7.5 dB"},
                      {"DATE", "1995"}}},
        TMappingCase{"ApeKeysThatAreNoVorbisNames",
                     [] {
                       return TagsOfApeTag(ApeTag([](TAPEtag& Tag) {
                         Tag.OtherItems = {{"A=B", "1"},         {"x~y", "2"},  {"Tab\tKey", "3"},
                                           {"Ünïcode key", "4"}, {"封面", "5"}, {"==", "6"}};
                       }));
                     },
                     {{"A_B", "1"}, {"X_Y", "2"}, {"TAB_KEY", "3"}, {"_N_CODE KEY", "4"}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Where covers come from ----

struct TFolderCase {
  const char* Name;
  std::vector<const char*> Files;  // a trailing "/" makes a folder, a trailing "@" a dead link
  const char* Found;               // empty: none
};

class FolderCover : public testing::TestWithParam<TFolderCase> {};

TEST_P(FolderCover, PrefersCoverThenFolderThenFrontAndJpegBeforePng) {
  test::TScratchDir dir;
  for (const std::string file : GetParam().Files) {
    if (file.back() == '/') {
      std::filesystem::create_directory(dir.File(file));
    } else if (file.back() == '@') {
      std::filesystem::create_symlink(dir.File("gone"), dir.File(file.substr(0, file.size() - 1)));
    } else {
      test::WriteFileBytes(dir.File(file), {0xFF, 0xD8, 0xFF});
    }
  }
  const std::string found = FolderCoverFile(dir.Path() + "/");
  const std::string expected = *GetParam().Found ? dir.File(GetParam().Found) : "";
  EXPECT_EQ(found, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderCover,
    testing::Values(TFolderCase{"AnyLetterCase", {"album.cue", "Cover.JPG"}, "Cover.JPG"},
                    TFolderCase{"FolderBeforeFront", {"front.jpeg", "folder.png"}, "folder.png"},
                    TFolderCase{"JpegBeforePng", {"cover.png", "COVER.jpeg"}, "COVER.jpeg"},
                    TFolderCase{"OtherNamesAndTypes", {"cover.gif", "album.jpg", "covers.jpg"}, ""},
                    TFolderCase{"AFolderIsNoImage", {"cover.jpg/", "front.png"}, "front.png"},
                    TFolderCase{"ALinkToNowhere", {"cover.jpg@", "front.png"}, "front.png"},
                    TFolderCase{"Empty", {}, ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Covers that are found but cannot be embedded say so; a good one becomes a front cover.
TEST(CoverArt, ImagesFromFilesAndTagsOrTheReasonWhyNot) {
  test::TScratchDir dir;
  const std::string png = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x02\0\0\0\x03\x08\x02\0\0\0"s;
  test::WriteFileBytes(dir.File("cover.png"), std::vector<uint8_t>(png.begin(), png.end()));
  const TCoverSearch good = CoverOfFile(dir.File("cover.png"));
  ASSERT_TRUE(good.Picture);
  EXPECT_EQ(good.Note, "");
  EXPECT_EQ(good.Picture->Type, 3u);
  EXPECT_EQ(good.Picture->MimeType, "image/png");
  EXPECT_EQ(good.Picture->Width, 2u);
  EXPECT_EQ(good.Picture->Height, 3u);
  EXPECT_EQ(good.Picture->Data, png);

  test::WriteFileBytes(dir.File("text.jpg"), {'h', 'i'});
  std::filesystem::resize_file(dir.File("cover.png"), (16 << 20) + 1);  // sparse
  std::filesystem::create_directory(dir.File("folder.jpg"));
  const std::vector<std::pair<std::string, const char*>> refused = {
      {"text.jpg", texts::kNoteCoverNotImage},
      {"cover.png", texts::kNoteCoverTooLarge},
      {"folder.jpg", texts::kNoteCoverUnreadable},
      {"missing.jpg", texts::kNoteCoverUnreadable}};
  for (const auto& [file, why] : refused) {
    const TCoverSearch search = CoverOfFile(dir.File(file));
    EXPECT_FALSE(search.Picture) << file;
    EXPECT_EQ(search.Note, FormatText(why, {dir.File(file)}));
  }

  // In an APE tag: a file name, a NUL and the image; or the image alone.
  const auto fromTag = [&](std::string Value, int64_t Size = -1) {
    TAPEtag tag;
    tag.CoverArtFrontSize = Size < 0 ? static_cast<int64_t>(Value.size()) : Size;
    tag.CoverArtFront = std::move(Value);
    return CoverOfApeTag(tag, "/music/a.ape");
  };
  EXPECT_EQ(fromTag("cover.png\0"s + png).Picture->Data, png);
  EXPECT_EQ(fromTag(png).Picture->Data, png);
  EXPECT_FALSE(fromTag("").Picture);
  EXPECT_EQ(fromTag("").Note, "") << "no cover, nothing to say";
  EXPECT_EQ(fromTag("name.png\0GIF").Note, FormatText(texts::kNoteCoverNotImage, {"/music/a.ape"}));
  EXPECT_EQ(fromTag("no separator").Note, FormatText(texts::kNoteCoverNotImage, {"/music/a.ape"}));
  EXPECT_EQ(fromTag("", TAPEtag::kMaxCoverArtSize + 1).Note,
            FormatText(texts::kNoteCoverTooLarge, {"/music/a.ape"}));
  const std::string jpeg = "\xFF\xD8\xFF"s + std::string(MaxPictureDataSize(10) - 3, '\0');
  EXPECT_TRUE(fromTag("c.jpg\0"s + jpeg).Picture) << "the largest image a block holds";
  EXPECT_EQ(fromTag("c.jpg\0"s + jpeg + "x").Note,
            FormatText(texts::kNoteCoverTooLarge, {"/music/a.ape"}));
}

// ---- Tags too many, too large or damaged ----

constexpr const char* kVendor = "reference libFLAC 1.4.2 20221022";
const std::string kPng = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x02\0\0\0\x03\x08\x02\0\0\0"s;

struct TApeItem {
  std::string Key, Value;
  uint32_t Flags = 0;  // 2: binary
};

std::string Le32(uint64_t Value) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((Value >> shift) & 0xFF);
  return out;
}

// Some stand-in audio, then an APE 2.0 tag: a header when asked, the items and the footer,
// which declares Count items and Size bytes (-1: the true ones).
std::string ApeFile(const std::vector<TApeItem>& Items, int64_t Count = -1, int64_t Size = -1,
                    bool Header = false) {
  std::string items;
  for (const TApeItem& item : Items) {
    items += Le32(item.Value.size()) + Le32(item.Flags) + item.Key + '\0' + item.Value;
  }
  const auto end = [&](uint32_t Flags) {
    return "APETAGEX" + Le32(2000) +
           Le32(static_cast<uint64_t>(Size >= 0 ? Size : static_cast<int64_t>(items.size()) + 32)) +
           Le32(static_cast<uint64_t>(Count >= 0 ? Count : static_cast<int64_t>(Items.size()))) +
           Le32(Flags) + std::string(8, '\0');
  };
  constexpr uint32_t kHasHeader = 1u << 31, kIsHeader = 1u << 29;
  return std::string(200, '\x55') + (Header ? end(kHasHeader | kIsHeader) : "") + items +
         end(Header ? kHasHeader : 0);
}

std::string WriteFile(const test::TScratchDir& Dir, const std::string& Name,
                      const std::string& Bytes) {
  const std::string path = Dir.File(Name);
  test::WriteFileBytes(path, std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
  return path;
}

// A case's source, and what the file it converts into must hold.
struct TBuilt {
  TJob Job;
  std::vector<std::string> Comments;  // NAME=value, in any order
  std::vector<std::string> Notes;
  size_t Pictures = 0;
};

// The job of an APE file with the tag given, with the comments it must give; the note on a
// damaged tag when Damaged.
TBuilt ApeSource(const test::TScratchDir& Dir, const std::string& Bytes,
                 std::vector<std::string> Comments, bool Damaged = false) {
  const std::string path = WriteFile(Dir, "a.ape", Bytes);
  TBuilt built{WholeFileJob(path), std::move(Comments), {}};
  if (Damaged) built.Notes = {FormatText(texts::kNoteApeTagDamaged, {path})};
  return built;
}

std::string LeftOut(const std::string& Fields, const std::string& Job) {
  return FormatText(texts::kNoteFieldsLeftOut, {Fields, Job});
}

struct TLimitCase {
  const char* Name;
  std::function<TBuilt(const test::TScratchDir&)> Build;
};

class TagLimits : public testing::TestWithParam<TLimitCase> {};

// Short enough for a failure's message.
std::string Shown(const std::string& Entry) {
  return Entry.size() <= 60
             ? Entry
             : Entry.substr(0, 60) + "... (" + std::to_string(Entry.size()) + " bytes)";
}

TEST_P(TagLimits, WhatFitsIsWrittenAndWhatDoesNotIsNoted) {
  test::TScratchDir dir;
  TBuilt built = GetParam().Build(dir);
  TTagTransfer transfer;
  const TJobTags tags = transfer.TagsOf(built.Job);
  EXPECT_EQ(tags.Notes, built.Notes);
  // The padding the encoder leaves for them, as the job's runner asks for it.
  const auto padding =
      static_cast<size_t>(std::min<int64_t>(tags.MetadataBytes() + 4096, 0xFF0000));
  const std::string output = dir.File("out.flac");
  test::WriteFileBytes(output,
                       test::AssembleFlac({test::Comment(kVendor, {}), test::Padding(padding)}));
  transfer.Write(tags, output);

  test::TComments written = test::ReadCommentsWithLibFlac(output);
  ASSERT_TRUE(written.Ok);
  EXPECT_EQ(written.Vendor, kVendor);
  std::sort(written.Entries.begin(), written.Entries.end());
  std::sort(built.Comments.begin(), built.Comments.end());
  EXPECT_EQ(written.Entries.size(), built.Comments.size());
  const auto [got, expected] = std::mismatch(written.Entries.begin(), written.Entries.end(),
                                             built.Comments.begin(), built.Comments.end());
  if (got != written.Entries.end() || expected != built.Comments.end()) {
    ADD_FAILURE() << "first difference: written "
                  << (got == written.Entries.end() ? "nothing" : Shown(*got)) << ", expected "
                  << (expected == built.Comments.end() ? "nothing" : Shown(*expected));
  }
  const test::TChain chain = test::ReadChainWithLibFlac(output);
  ASSERT_TRUE(chain.Ok);
  EXPECT_EQ(chain.Pictures.size(), built.Pictures);
  EXPECT_TRUE(test::DecodeFlacFile(output).Ok) << "the audio is as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Tags, TagLimits,
    testing::Values(
        TLimitCase{"ListsGiveOneCommentPerValue",
                   [](const test::TScratchDir& Dir) {
                     // A later list replaces an earlier one whole; a number stays single.
                     return ApeSource(
                         Dir,
                         ApeFile({{"Title", "One"},
                                  {"Artist", "Alice\0Bob"s},
                                  {"Genre", "Rock\0 \0Pop\0"s},
                                  {"Composer", "X\0Y"s},
                                  {"COMPOSER", "Z\0W"s},
                                  {"Track", "3/12\0004/12"s}}),
                         {"TITLE=One", "ARTIST=Alice", "ARTIST=Bob", "GENRE=Rock", "GENRE=Pop",
                          "COMPOSER=Z", "COMPOSER=W", "TRACKNUMBER=3", "TRACKTOTAL=12"});
                   }},
        TLimitCase{"ALaterListReplacesAnEarlierOneWhole",
                   [](const test::TScratchDir& Dir) {
                     // Thousands of times, between other keys that are replaced as well.
                     std::vector<TApeItem> items;
                     for (int i = 0; i < 3000; ++i) {
                       const std::string n = std::to_string(i);
                       items.push_back({"Artist", "A" + n + "\0B"s + n});
                       items.push_back({"Mood" + std::to_string(i % 2), "m" + n});
                     }
                     return ApeSource(
                         Dir, ApeFile(items),
                         {"ARTIST=A2999", "ARTIST=B2999", "MOOD0=m2998", "MOOD1=m2999"});
                   }},
        TLimitCase{"LyricsOfTwoMegabytes",
                   [](const test::TScratchDir& Dir) {
                     std::string lyrics = "歌词";
                     while (lyrics.size() < (2u << 20)) lyrics += "\nla la la, 啦啦啦";
                     return ApeSource(Dir, ApeFile({{"Title", "T"}, {"Lyrics", lyrics}}),
                                      {"TITLE=T", "LYRICS=" + lyrics});
                   }},
        TLimitCase{"HundredThousandItems",
                   [](const test::TScratchDir& Dir) {
                     std::vector<TApeItem> items;
                     std::vector<std::string> comments;
                     for (int i = 0; i < 100000; ++i) {
                       items.push_back({"Item" + std::to_string(i), std::to_string(i)});
                       comments.push_back("ITEM" + std::to_string(i) + "=" + std::to_string(i));
                     }
                     return ApeSource(Dir, ApeFile(items), comments);
                   }},
        TLimitCase{"MoreItemsThanLibFlacReads",
                   [](const test::TScratchDir& Dir) {
                     // The title and 99,999 items go in; libFLAC's decoder refuses more.
                     std::vector<TApeItem> items = {{"Title", "T"}};
                     std::vector<std::string> comments = {"TITLE=T"};
                     for (int i = 0; i < 100001; ++i) {
                       items.push_back({"Item" + std::to_string(i), "v"});
                       if (i < 99999) comments.push_back("ITEM" + std::to_string(i) + "=v");
                     }
                     TBuilt built = ApeSource(Dir, ApeFile(items), comments);
                     built.Notes = {LeftOut("ITEM99999、ITEM100000", built.Job.Text)};
                     return built;
                   }},
        TLimitCase{"MoreThanOneBlockHolds",
                   [](const test::TScratchDir& Dir) {
                     // The title goes in; the comment passes what the reader keeps of the
                     // described fields, the lyrics what is left of the block.
                     const std::string title(8 << 20, 't');
                     TBuilt built = ApeSource(Dir,
                                              ApeFile({{"Title", title},
                                                       {"Cover Art (Front)", "c.png\0"s + kPng, 2},
                                                       {"Comment", std::string(9 << 20, 'c')},
                                                       {"Lyrics", std::string(9 << 20, 'l')},
                                                       {"Artist", "A"}}),
                                              {"TITLE=" + title, "ARTIST=A"});
                     built.Notes = {LeftOut("COMMENT、LYRICS", built.Job.Text)};
                     built.Pictures = 1;
                     return built;
                   }},
        TLimitCase{"CueTitleOfTwentyMegabytes",
                   [](const test::TScratchDir& Dir) {
                     auto sheet = std::make_unique<TCueFile>(Dir.File("a.cue"));
                     sheet->SetCueText(
                         "PERFORMER \"Band\"\nTITLE \"Album\"\nREM DATE 1994\n"
                         "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"" +
                         std::string(20 << 20, 'T') +
                         "\"\n    PERFORMER \"Singer\"\n    INDEX 01 00:00:00\n");
                     sheet->Parse();
                     WriteFile(Dir, "cover.png", kPng);
                     const auto disc = std::make_shared<const TDisc>(std::move(sheet),
                                                                     std::map<int, TTrackAudio>{});
                     return TBuilt{JobsOfDisc(disc, 1).front(),
                                   {"ARTIST=Singer", "ALBUM=Album", "ALBUMARTIST=Band",
                                    "TRACKNUMBER=1", "TRACKTOTAL=1", "DATE=1994"},
                                   {LeftOut("TITLE", FormatText(texts::kCueTrackJob,
                                                                {Dir.File("a.cue"), "1"}))},
                                   1};
                   }},
        TLimitCase{"FooterCountsTooMany",
                   [](const test::TScratchDir& Dir) {
                     return ApeSource(Dir, ApeFile({{"Title", "T"}, {"Artist", "A"}}, 5),
                                      {"TITLE=T", "ARTIST=A"}, true);
                   }},
        TLimitCase{"FooterCountsTooFew",
                   [](const test::TScratchDir& Dir) {
                     return ApeSource(Dir,
                                      ApeFile({{"Title", "T"}, {"Artist", "A"}, {"Album", "B"}}, 1),
                                      {"TITLE=T", "ARTIST=A", "ALBUM=B"}, true);
                   }},
        TLimitCase{
            "FooterSizeTooLarge",
            [](const test::TScratchDir& Dir) {
              // It puts the items in the audio; the header says where they are.
              const std::vector<TApeItem> items = {{"Title", "T"}, {"Artist", "A"}};
              const int64_t size = static_cast<int64_t>(ApeFile(items).size() - 200 + 100);
              return ApeSource(Dir, ApeFile(items, -1, size, true), {"TITLE=T", "ARTIST=A"}, true);
            }},
        TLimitCase{"ItemSizeTooLarge",
                   [](const test::TScratchDir& Dir) {
                     std::string bytes = ApeFile({{"Title", "T"}, {"Artist", "A"}, {"Album", "B"}});
                     // The second item's value size, behind the first item's 8 + 6 + 1 bytes.
                     bytes.replace(200 + 15, 4, Le32(0x7FFFFFFF));
                     return ApeSource(Dir, bytes, {"TITLE=T"}, true);
                   }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
