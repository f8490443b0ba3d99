// The tags and covers of converted files, read back with metaflac and libFLAC: a cue image with
// every field and a cover beside it, whole APE files with their tag's items and cover, and
// covers too large for the room the encoder leaves or for a FLAC picture at all.

#include <FLAC/metadata.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <algorithm>
#include <functional>
#include <memory>

#include "AppTexts.h"
#include "BatchDriver.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "FlacPicture.h"
#include "JobFailure.h"
#include "MainWindow.h"
#include "ScratchDir.h"
#include "TextFormat.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using test::ShownErrors;

void WriteText(const std::string& Path, const std::string& Bytes) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
}

// A real image file of Width x Height in Format ("JPG", "PNG"), made by Qt. Noise, so that it
// does not compress to next to nothing.
std::string MakeImage(const char* Format, int Width, int Height) {
  QImage image(Width, Height, QImage::Format_RGB32);
  uint32_t noise = 12345;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      image.setPixel(x, y, qRgb(noise >> 24, (noise >> 16) & 0xFF, (noise >> 8) & 0xFF));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, Format)) throw std::runtime_error("Qt cannot write the test image");
  return bytes.toStdString();
}

// metaflac's view of a file's tags, one "NAME=value" per entry, sorted.
std::vector<std::string> MetaflacTags(const std::string& File) {
  const test::TCommandResult run = test::RunCommand(
      "metaflac", {"--no-utf8-convert", "--export-tags-to=-", QString::fromStdString(File)});
  EXPECT_EQ(run.ExitCode, 0) << File;
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = run.Output.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(run.Output.substr(start, end - start));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> Lines) {
  std::sort(Lines.begin(), Lines.end());
  return Lines;
}

// metaflac lists the whole chain without complaint and finds Count PICTURE blocks.
void ExpectMetaflacListsPictures(const std::string& File, size_t Count) {
  const test::TCommandResult list =
      test::RunCommand("metaflac", {"--list", QString::fromStdString(File)});
  EXPECT_EQ(list.ExitCode, 0) << File;
  size_t found = 0;
  for (size_t at = list.Output.find("type: 6 (PICTURE)"); at != std::string::npos;
       at = list.Output.find("type: 6 (PICTURE)", at + 1)) {
    ++found;
  }
  EXPECT_EQ(found, Count) << File;
}

// The front cover as libFLAC reads it, and the image bytes metaflac exports from it.
struct TCoverRead {
  bool Found = false;
  std::string MimeType;
  uint32_t Width = 0, Height = 0;
  std::string Data;      // as libFLAC reads it
  std::string Exported;  // as metaflac writes it out
};
TCoverRead FrontCover(const std::string& File) {
  TCoverRead read;
  std::unique_ptr<FLAC__Metadata_SimpleIterator, decltype(&FLAC__metadata_simple_iterator_delete)>
      it(FLAC__metadata_simple_iterator_new(), &FLAC__metadata_simple_iterator_delete);
  if (!FLAC__metadata_simple_iterator_init(it.get(), File.c_str(), true, false)) return read;
  do {
    if (FLAC__metadata_simple_iterator_get_block_type(it.get()) != FLAC__METADATA_TYPE_PICTURE) {
      continue;
    }
    const std::unique_ptr<FLAC__StreamMetadata, decltype(&FLAC__metadata_object_delete)> block(
        FLAC__metadata_simple_iterator_get_block(it.get()), &FLAC__metadata_object_delete);
    const FLAC__StreamMetadata_Picture& picture = block->data.picture;
    if (picture.type != FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER) continue;
    read.Found = true;
    read.MimeType = picture.mime_type;
    read.Width = picture.width;
    read.Height = picture.height;
    read.Data.assign(reinterpret_cast<const char*>(picture.data), picture.data_length);
    read.Exported =
        test::RunCommand("metaflac", {"--export-picture-to=-", QString::fromStdString(File)})
            .Output;
    return read;
  } while (FLAC__metadata_simple_iterator_next(it.get()));
  return read;
}

// The body length of the file's padding block; -1 without one.
int64_t PaddingLength(const std::string& File) {
  std::unique_ptr<FLAC__Metadata_SimpleIterator, decltype(&FLAC__metadata_simple_iterator_delete)>
      it(FLAC__metadata_simple_iterator_new(), &FLAC__metadata_simple_iterator_delete);
  if (!FLAC__metadata_simple_iterator_init(it.get(), File.c_str(), true, false)) return -1;
  do {
    if (FLAC__metadata_simple_iterator_get_block_type(it.get()) == FLAC__METADATA_TYPE_PADDING) {
      return FLAC__metadata_simple_iterator_get_block_length(it.get());
    }
  } while (FLAC__metadata_simple_iterator_next(it.get()));
  return -1;
}

class TagsWrittenTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }
  bool RunBatch(TBatchDriver& Driver) {
    Driver.Start();
    return test::PumpUntil([&] { return !Driver.Running(); }, 300s);
  }
  std::string CopyApe(const test::TApeFixtureSpec& Spec, const std::string& Name) {
    return Dir.Copy(test::ApeFixture(Spec), Name);
  }

  test::TScratchDir Dir;  // outlives the drivers, which may still close a file in it
};

// Tracks 2 to 6 of the six-track image as tracks 1 to 5, so the tone before them becomes
// track 0, with every field a sheet can give and a cover beside it.
TEST_F(TagsWrittenTest, CueTracksGetEveryFieldOfTheSheetAndTheCoverBesideIt) {
  const test::TCdImage& image = test::SixTrackImage();
  CopyApe(image.Spec, "CDImage.ape");
  std::string cue =
      "REM GENRE \"Art Rock\"\r\nREM DATE 1994\r\nREM DISCNUMBER 1\r\nREM TOTALDISCS 2\r\n"
      "REM COMMENT \"ExactAudioCopy v1.0b3\"\r\nPERFORMER \"乐队甲\"\r\nSONGWRITER \"Writer\"\r\n"
      "TITLE \"夏日 \"Live\" 版\"\r\nFILE \"CDImage.wav\" WAVE\r\n";
  for (size_t t = 1; t < image.Indexes.size(); ++t) {
    cue += "  TRACK 0" + std::to_string(t) + " AUDIO\r\n    TITLE \"Title " + std::to_string(t) +
           "\"\r\n";
    if (t == 1) {
      cue +=
          "    PERFORMER \"Singer\"\r\n    SONGWRITER \"Composer\"\r\n"
          "    ISRC GBAYE9400001\r\n    REM COMMENT \"Track comment\"\r\n";
    }
    cue += "    INDEX 01 " + image.Indexes[t].second + "\r\n";
  }
  WriteText(Dir.File("album.cue"), cue);
  const std::string jpeg = MakeImage("JPG", 320, 240);
  ASSERT_GT(jpeg.size(), 3 * TFLACfile::kNewPaddingSize) << "more than the padding to spare";
  WriteText(Dir.File("Folder.JPG"), jpeg);

  TBatchDriver driver;
  QSignalSpy failures(&driver, &TBatchDriver::JobFailed);
  QSignalSpy notes(&driver, &TBatchDriver::Noted);
  driver.AddFiles({Dir.File("album.cue")});
  ASSERT_EQ(driver.Jobs().Count(), 6) << "the tone before track 1 is track 0";
  ASSERT_TRUE(RunBatch(driver));
  ASSERT_EQ(failures.count(), 0) << failures.first().first().toString().toStdString();
  EXPECT_EQ(notes.count(), 0);

  const std::vector<std::string> album = {
      "ALBUM=夏日 \"Live\" 版", "ALBUMARTIST=乐队甲", "DATE=1994", "DISCNUMBER=1", "DISCTOTAL=2",
      "GENRE=Art Rock",         "TRACKTOTAL=5"};
  for (int t = 0; t <= 5; ++t) {
    const std::string file = Dir.File("Track_" + std::to_string(t) + ".flac");
    std::vector<std::string> expected = album;
    expected.push_back("TRACKNUMBER=" + std::to_string(t));
    if (t > 0) expected.push_back("TITLE=Title " + std::to_string(t));
    if (t == 1) {
      for (const char* own :
           {"ARTIST=Singer", "COMPOSER=Composer", "ISRC=GBAYE9400001", "COMMENT=Track comment"}) {
        expected.push_back(own);
      }
    } else {
      for (const char* fallback :
           {"ARTIST=乐队甲", "COMPOSER=Writer", "COMMENT=ExactAudioCopy v1.0b3"}) {
        expected.push_back(fallback);
      }
    }
    EXPECT_EQ(MetaflacTags(file), Sorted(expected)) << file;

    ExpectMetaflacListsPictures(file, 1);
    const TCoverRead cover = FrontCover(file);
    ASSERT_TRUE(cover.Found) << file;
    EXPECT_EQ(cover.MimeType, "image/jpeg");
    EXPECT_EQ(cover.Width, 320u);
    EXPECT_EQ(cover.Height, 240u);
    EXPECT_TRUE(cover.Data == jpeg) << file;
    EXPECT_TRUE(cover.Exported == jpeg) << file;
    // The room the encoder left took the cover as well: no copy of the file was needed.
    EXPECT_GT(PaddingLength(file), TFLACfile::kNewPaddingSize) << file;
    const test::TDecodedFlac flac = test::DecodeFlacFile(file);
    EXPECT_TRUE(flac.Ok) << file << ": " << flac.Error;
  }
}

// An image whose sheet and cover are both in its APE tag: every track takes that cover, not
// the one in the folder; the sheet itself is no tag of any track.
TEST_F(TagsWrittenTest, TracksOfAnImageTakeTheCoverInItsTag) {
  const test::TCdImage& image = test::SixTrackImage();
  const std::string ape = CopyApe(image.Spec, "CDImage.ape");
  const std::string png = MakeImage("PNG", 40, 30);
  test::AppendApeTagItems(ape, {{"Cuesheet", test::CdImageCueText(image, "whatever.wav")},
                                {"Cover Art (Front)", "cover.png\0"s + png, test::kApeBinaryItem}});
  WriteText(Dir.File("cover.jpg"), MakeImage("JPG", 8, 8));

  TBatchDriver driver;
  QSignalSpy failures(&driver, &TBatchDriver::JobFailed);
  driver.AddFiles({ape});
  ASSERT_EQ(driver.Jobs().Count(), 6);
  ASSERT_TRUE(RunBatch(driver));
  ASSERT_EQ(failures.count(), 0) << failures.first().first().toString().toStdString();
  for (int t = 1; t <= 6; ++t) {
    const std::string file = Dir.File("Track_" + std::to_string(t) + ".flac");
    const TCoverRead cover = FrontCover(file);
    EXPECT_TRUE(cover.Found && cover.Data == png) << file;
    ExpectMetaflacListsPictures(file, 1);
    const std::vector<std::string> tags = MetaflacTags(file);
    EXPECT_TRUE(std::none_of(tags.begin(), tags.end(), [](const std::string& Tag) {
      return Tag.rfind("CUESHEET", 0) == 0;
    })) << file;
    EXPECT_TRUE(std::count(tags.begin(), tags.end(), "TRACKNUMBER=" + std::to_string(t)) == 1)
        << file;
  }
}

// Whole APE files: the eight tag fields, the other text items under their Vorbis names, the
// front cover; no binary item or cue sheet as text, no track number that is not there.
struct TPlainCase {
  const char* Name;
  // Made when the test runs: Qt's image writers need the application object.
  std::function<std::vector<test::TApeItem>()> Items;
  std::vector<std::string> Tags;
  bool Cover;  // the PNG below as front cover
};

const std::string& Png() {
  static const std::string png = MakeImage("PNG", 33, 17);
  return png;
}

class PlainJobTags : public TagsWrittenTest, public testing::WithParamInterface<TPlainCase> {};

TEST_P(PlainJobTags, CarryTheApeTag) {
  const TPlainCase& c = GetParam();
  test::TApeFixtureSpec spec;
  spec.Frames = 30000;
  const std::string source = CopyApe(spec, "a.ape");
  test::AppendApeTagItems(source, c.Items());
  TBatchDriver driver;
  QSignalSpy failures(&driver, &TBatchDriver::JobFailed);
  driver.AddFiles({source});
  ASSERT_EQ(driver.Jobs().Count(), 1);
  ASSERT_EQ(driver.Jobs().At(0).Kind, TJobKind::PlainFile);
  ASSERT_TRUE(RunBatch(driver));
  ASSERT_EQ(failures.count(), 0) << failures.first().first().toString().toStdString();

  const std::string file = Dir.File("a.flac");
  EXPECT_EQ(MetaflacTags(file), Sorted(c.Tags));
  ExpectMetaflacListsPictures(file, c.Cover ? 1 : 0);
  const TCoverRead cover = FrontCover(file);
  EXPECT_EQ(cover.Found, c.Cover);
  if (cover.Found) {
    EXPECT_EQ(cover.MimeType, "image/png");
    EXPECT_EQ(cover.Width, 33u);
    EXPECT_EQ(cover.Height, 17u);
    EXPECT_TRUE(cover.Exported == Png());
    // The bytes are the image: Qt reads the same picture from them.
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(cover.Data)).size(), QSize(33, 17));
  }
  EXPECT_EQ(test::DecodeFlacFile(file).Pcm, test::ApeFixturePcm(spec));
}

INSTANTIATE_TEST_SUITE_P(
    Tags, PlainJobTags,
    testing::Values(
        TPlainCase{
            "EveryKindOfItem",
            [] {
              return std::vector<test::TApeItem>{
                  {"Title", "标题"},
                  {"Artist", "艺人"},
                  {"Album", "专辑"},
                  {"Track", "3/12"},
                  {"Year", "2001"},
                  {"Genre", "Rock"},
                  {"Comment", std::string(300, 'c')},
                  {"Copyright", "(c) 2001"},
                  {"Album Artist", "乐队"},
                  {"Disc", "1/2"},
                  {"Composer", "作曲"},
                  {"Mood", "calm"},
                  {"Cover Art (Back)", "back.jpg\0"s + MakeImage("JPG", 20, 10),
                   test::kApeBinaryItem},
                  {"Cover Art (Front)", "cover.png\0"s + Png(), test::kApeBinaryItem},
                  // A sheet without tracks: the file stays a plain job.
                  {"Cuesheet", "REM COMMENT \"no tracks\"\r\n"}};
            },
            {"TITLE=标题", "ARTIST=艺人", "ALBUM=专辑", "TRACKNUMBER=3", "TRACKTOTAL=12",
             "DATE=2001", "GENRE=Rock", "COMMENT=" + std::string(300, 'c'), "COPYRIGHT=(c) 2001",
             "ALBUMARTIST=乐队", "DISCNUMBER=1", "DISCTOTAL=2", "COMPOSER=作曲", "MOOD=calm"},
            true},
        TPlainCase{"NoTrackNumber",
                   [] {
                     return std::vector<test::TApeItem>{{"Title", "Only"}};
                   },
                   {"TITLE=Only"},
                   false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A cover that needs more room than the encoder may leave still goes in, through a copy of the
// file; one too large for a FLAC picture is left out, and the status bar says so.
TEST_F(TagsWrittenTest, LargestCoverGoesInAndALargerOneIsNoted) {
  test::TApeFixtureSpec spec;
  spec.Frames = 30000;
  // A real JPEG with bytes after its end, as some scanners leave them.
  const std::string jpeg = MakeImage("JPG", 64, 48);
  const std::string fits = jpeg + std::string(MaxPictureDataSize(10) - jpeg.size(), 'j');
  const std::string tooLarge = jpeg + std::string(16 << 20, 'j');
  const std::string large = CopyApe(spec, "large.ape");
  test::AppendApeTagItems(large, {{"Title", "large"}, {"Cover Art (Front)", "c.jpg\0"s + fits, 2}});
  const std::string huge = CopyApe(spec, "huge.ape");
  test::AppendApeTagItems(huge,
                          {{"Title", "huge"}, {"Cover Art (Front)", "c.jpg\0"s + tooLarge, 2}});

  TForm1 form{test::SettingsIn(Dir.File("corvane.conf"))};
  TBatchDriver& driver = form.Driver();
  QSignalSpy failures(&driver, &TBatchDriver::JobFailed);
  QSignalSpy notes(&driver, &TBatchDriver::Noted);
  driver.AddFiles({large, huge});
  ASSERT_TRUE(RunBatch(driver));
  ASSERT_EQ(failures.count(), 0) << failures.first().first().toString().toStdString();

  const std::string largeFlac = Dir.File("large.flac");
  EXPECT_EQ(MetaflacTags(largeFlac), std::vector<std::string>{"TITLE=large"});
  const TCoverRead cover = FrontCover(largeFlac);
  ASSERT_TRUE(cover.Found);
  EXPECT_TRUE(cover.Data == fits);
  EXPECT_EQ(cover.Width, 64u);
  EXPECT_EQ(PaddingLength(largeFlac), TFLACfile::kNewPaddingSize) << "written through a copy";
  EXPECT_EQ(test::DecodeFlacFile(largeFlac).Pcm, test::ApeFixturePcm(spec));

  const std::string hugeFlac = Dir.File("huge.flac");
  EXPECT_EQ(MetaflacTags(hugeFlac), std::vector<std::string>{"TITLE=huge"});
  EXPECT_FALSE(FrontCover(hugeFlac).Found);
  EXPECT_EQ(test::DecodeFlacFile(hugeFlac).Pcm, test::ApeFixturePcm(spec));

  const std::string note = FormatText(texts::kNoteCoverTooLarge, {huge});
  ASSERT_EQ(notes.count(), 1);
  EXPECT_EQ(notes.first().first().toString().toStdString(), note);
  EXPECT_TRUE(form.StatusText().contains(QString::fromStdString(note)))
      << form.StatusText().toStdString();
}

}  // namespace
}  // namespace corvane
