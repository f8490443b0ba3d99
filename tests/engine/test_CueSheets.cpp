// Cue sheets as rippers and other machines really write them, through the batch driver: where
// the audio is found, sheets over several files, sheets inside APE tags, the audio before
// track 1, legacy encodings, and sheets refused when added.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "EngineTestSupport.h"
#include "BatchDriver.h"
#include "CueAudioLocator.h"
#include "CueSheetLoader.h"
#include "CueTime.h"
#include "FlacDecode.h"
#include "ScratchDir.h"
#include "TextEncode.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::ShownErrors;

void WriteText(const std::string& Path, const std::string& Bytes) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                           int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + To * FrameBytes};
}

std::string Replace(std::string Text, const std::string& From, const std::string& To) {
  for (size_t at = Text.find(From); at != std::string::npos; at = Text.find(From, at + To.size())) {
    Text.replace(at, From.size(), To);
  }
  return Text;
}

class CueSheetsTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }

  bool RunBatch() {
    Driver.Start();
    return test::PumpUntil([&] { return !Driver.Running(); }, 120s);
  }
  // The decoded PCM of Track_<n>.flac in the scratch folder.
  std::vector<uint8_t> Track(int Number) {
    const test::TDecodedFlac flac = test::DecodeFlacFile(Dir.File("Track_" + std::to_string(Number) + ".flac"));
    EXPECT_TRUE(flac.Ok) << "Track_" << Number << ": " << flac.Error;
    return flac.Pcm;
  }
  std::string TitleOf(int Number) {
    const auto tags = test::ReadFlacComments(Dir.File("Track_" + std::to_string(Number) + ".flac"));
    const auto title = tags.find("TITLE");
    return title == tags.end() ? "" : title->second;
  }
  void CopyFixture() { Dir.Copy(test::ApeFixture(test::SixTrackImage().Spec), "CDImage.ape"); }
  // Adds Added (a sheet of the six-track image, or the image with its sheet inside), converts
  // it and checks every track bit for bit.
  void ConvertSixTrackImage(const std::string& Added) {
    Driver.AddFiles({Added});
    const test::TCdImage& image = test::SixTrackImage();
    ASSERT_EQ(Driver.Jobs().Count(), 6);
    ASSERT_TRUE(RunBatch());
    ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
    const std::vector<uint8_t> pcm = test::ApeFixturePcm(image.Spec);
    const int fb = image.Spec.Format.FrameBytes();
    const auto startOf = [&](size_t k) {
      return k < image.Indexes.size() ? *CueTimeToCdFrames(image.Indexes[k].second) * 588
                                      : image.Spec.Frames;
    };
    for (size_t t = 0; t < image.Indexes.size(); ++t) {
      EXPECT_TRUE(Track(static_cast<int>(t + 1)) == Slice(pcm, startOf(t), startOf(t + 1), fb))
          << "track " << t + 1;
      EXPECT_EQ(TitleOf(static_cast<int>(t + 1)), test::TrackTitle(t));
    }
  }

  test::TScratchDir Dir;
  TBatchDriver Driver;
  QSignalSpy Failures{&Driver, &TBatchDriver::JobFailed};
};

// The sheet of the six-track image written in the shapes of issue-ridden real sheets, the
// image beside it as "CDImage.ape" only.
struct WildSheet {
  const char* Name;
  const char* FileLine;  // what the FILE line names
  bool LowerCase;
};

class WildSheets : public CueSheetsTest, public testing::WithParamInterface<WildSheet> {};

TEST_P(WildSheets, ConvertBitExactFromTheImageFoundByItsFileName) {
  CopyFixture();
  std::string text = test::CdImageCueText(test::SixTrackImage(), GetParam().FileLine);
  if (GetParam().LowerCase) {
    for (const char* keyword : {"REM GENRE", "PERFORMER", "TITLE", "FILE", "TRACK", "INDEX", "WAVE",
                                "AUDIO"}) {
      std::string lower = keyword;
      for (char& c : lower) c = static_cast<char>(std::tolower(c));
      text = Replace(text, std::string(keyword) + " ", lower + " ");
      text = Replace(text, std::string(" ") + keyword + "\r", " " + lower + "\r");
    }
  }
  WriteText(Dir.File("album.cue"), text);
  ConvertSixTrackImage(Dir.File("album.cue"));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, WildSheets,
    testing::Values(WildSheet{"WavNameBesideTheApe", "CDImage.wav", false},
                    WildSheet{"OtherLetterCase", "cdimage.APE", false},
                    WildSheet{"LowerCaseKeywords", "CDImage.ape", true},
                    WildSheet{"WindowsPath", "D:\\MP3\\Rips\\Album\\CDImage.wav", false},
                    WildSheet{"PosixPath", "/home/ripper/music/CDImage.ape", true},
                    WildSheet{"RelativeBackslashPath", "Rips\\CDImage.wav", false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// The audio of a FILE line, looked for in the sheet's folder.
struct LookupCase {
  const char* Name;
  std::vector<const char*> Files;  // in the sheet's folder "album.cue"
  const char* Written;
  bool OneFile;
  const char* Found;  // nullptr: nothing
};

void PrintTo(const LookupCase& Case, std::ostream* Out) { *Out << Case.Name; }

class AudioLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(AudioLookup, FollowsTheRulesInOrder) {
  test::TScratchDir dir;
  std::filesystem::create_directory(dir.File("Disc 1"));
  for (const char* file : GetParam().Files) WriteText(dir.File(file), "");
  const TCueAudioLookup lookup =
      LocateCueAudio(dir.File("album.cue"), GetParam().Written, GetParam().OneFile);
  if (GetParam().Found == nullptr) {
    EXPECT_FALSE(lookup.Found) << *lookup.Found;
    ASSERT_FALSE(lookup.LookedFor.empty());
  } else {
    EXPECT_EQ(lookup.Found.value_or("nothing"), dir.File(GetParam().Found));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, AudioLookup,
    testing::Values(
        LookupCase{"AsWritten", {"a.wav", "a.ape"}, "a.wav", true, "a.wav"},
        LookupCase{"ExactCaseBeforeOtherCase", {"A.ape", "a.ape"}, "a.ape", true, "a.ape"},
        LookupCase{"OtherCase", {"CDImage.ape"}, "cdimage.APE", true, "CDImage.ape"},
        LookupCase{"ApeInPlaceOfWav", {"CDImage.ape"}, "CDImage.wav", true, "CDImage.ape"},
        LookupCase{"ApeInPlaceOfFlacInAnyCase", {"cdimage.APE"}, "CDImage.flac", false,
                   "cdimage.APE"},
        LookupCase{"SheetsOwnNameForItsOneFile", {"album.ape", "other.ape"}, "Range.wav", true,
                   "album.ape"},
        LookupCase{"NotForASheetOfSeveralFiles", {"album.ape"}, "Range.wav", false, nullptr},
        LookupCase{"NotWhenTheSheetsNameIsAmbiguous", {"album.ape", "Album.APE"}, "Range.wav",
                   true, nullptr},
        LookupCase{"WindowsPathByItsName", {"x.ape"}, "D:\\Rips\\Album\\x.ape", false, "x.ape"},
        LookupCase{"PosixPathByItsName", {"x.ape"}, "/home/rip/x.wav", false, "x.ape"},
        LookupCase{"RelativePathAsWritten", {"Disc 1/x.ape", "x.ape"}, "Disc 1\\x.ape", false,
                   "Disc 1/x.ape"},
        LookupCase{"RelativePathThatIsNotThere", {"x.ape"}, "Disc 2\\x.ape", false, "x.ape"},
        LookupCase{"FoldersDoNotCount", {}, "Disc 1", false, nullptr},
        LookupCase{"Nothing", {"b.ape", "a.wav.bak"}, "a.wav", false, nullptr}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CueSheetsTest, MissingAudioIsRefusedNamingWhatWasLookedFor) {
  WriteText(Dir.File("album.cue"),
            "FILE \"Rip.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  const std::vector<std::string> problems = Driver.AddFiles({Dir.File("album.cue")});
  ASSERT_EQ(problems.size(), 1u) << "added";
  const std::string& message = problems[0];
  for (const std::string& part : {std::string("album.cue"), std::string("第 1 行"),
                                  Dir.File("Rip.wav"), std::string("Rip.ape")}) {
    EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
  }
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_TRUE(Driver.CueSheetList().empty());
}

// Sheets that would convert wrong audio, each refused as it is added, naming the sheet, the
// line and the fault.
struct RefusedCase {
  const char* Name;
  std::string Text;
  int Line;
  const char* Fault;
};

void PrintTo(const RefusedCase& Case, std::ostream* Out) { *Out << Case.Name; }

class RefusedSheets : public CueSheetsTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedSheets, AddNoLinesAndSayWhereAndWhy) {
  WriteText(Dir.File("disc.ape"), "");
  WriteText(Dir.File("bad.cue"), GetParam().Text);
  const std::vector<std::string> problems = Driver.AddFiles({Dir.File("bad.cue")});
  ASSERT_EQ(problems.size(), 1u);
  const std::string& message = problems[0];
  EXPECT_NE(message.find("“bad.cue”第 " + std::to_string(GetParam().Line) + " 行"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find(GetParam().Fault), std::string::npos) << message;
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_TRUE(Driver.CueSheetList().empty());
}

const std::string kHead = "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";

INSTANTIATE_TEST_SUITE_P(
    Malformed, RefusedSheets,
    testing::Values(
        RefusedCase{"TrackWithoutIndex01",
                    kHead + "TRACK 02 AUDIO\nINDEX 00 00:01:00\nTRACK 03 AUDIO\nINDEX 01 00:02:00\n",
                    4, "缺少 INDEX 01"},
        RefusedCase{"NulByte", kHead + "TRACK 02 AUDIO\nTITLE \"a" + std::string(1, '\0') + "\"\n",
                    5, "空字符"},
        RefusedCase{"TimesGoBack",
                    kHead + "TRACK 02 AUDIO\nINDEX 01 00:03:00\nTRACK 03 AUDIO\nINDEX 01 00:02:00\n",
                    7, "时间没有晚于"},
        RefusedCase{"Frames75", kHead + "TRACK 02 AUDIO\nINDEX 01 00:01:75\n", 5, "帧小于 75"},
        RefusedCase{"NoIndexTime", kHead + "TRACK 02 AUDIO\nINDEX 01\n", 5, "缺少编号或时间"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Three files, the gap before track 2 at the end of file 1 and the one before track 4 at the
// start of file 3 (where it belongs to track 3).
TEST_F(CueSheetsTest, ThreeFilesWithGapsJoinToTheFilesAudio) {
  const test::TApeFixtureSpec a{{16, 2, 44100}, 100000, test::TSignal::Tone, 2, 31};
  const test::TApeFixtureSpec b{{16, 2, 44100}, 80000, test::TSignal::Noise, 2, 32};
  const test::TApeFixtureSpec c{{16, 2, 44100}, 60000, test::TSignal::Tone, 1, 33};
  Dir.Copy(test::ApeFixture(a), "one.ape");
  Dir.Copy(test::ApeFixture(b), "two.ape");
  Dir.Copy(test::ApeFixture(c), "three.ape");
  WriteText(Dir.File("album.cue"),
            "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 00 00:02:00\n"
            "FILE \"two.wav\" WAVE\n    INDEX 01 00:00:00\n"
            "  TRACK 03 AUDIO\n    INDEX 01 00:01:00\n"
            "FILE \"three.wav\" WAVE\n  TRACK 04 AUDIO\n    INDEX 00 00:00:00\n"
            "    INDEX 01 00:00:30\n");
  Driver.AddFiles({Dir.File("album.cue")});
  ASSERT_EQ(Driver.Jobs().Count(), 4);
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();

  const auto pa = test::ApeFixturePcm(a), pb = test::ApeFixturePcm(b), pc = test::ApeFixturePcm(c);
  EXPECT_TRUE(Track(1) == pa);
  EXPECT_TRUE(Track(2) == Slice(pb, 0, 44100, 4));
  std::vector<uint8_t> third = Slice(pb, 44100, b.Frames, 4);
  const std::vector<uint8_t> gap = Slice(pc, 0, 30 * 588, 4);
  third.insert(third.end(), gap.begin(), gap.end());
  EXPECT_TRUE(Track(3) == third);
  EXPECT_TRUE(Track(4) == Slice(pc, 30 * 588, c.Frames, 4));

  std::vector<uint8_t> joined, all;
  for (int t = 1; t <= 4; ++t) {
    const std::vector<uint8_t> pcm = Track(t);
    joined.insert(joined.end(), pcm.begin(), pcm.end());
  }
  for (const auto* pcm : {&pa, &pb, &pc}) all.insert(all.end(), pcm->begin(), pcm->end());
  EXPECT_TRUE(joined == all);
}

TEST_F(CueSheetsTest, AnApeWithASheetInItsTagIsAnImage) {
  const test::TCdImage& image = test::SixTrackImage();
  const std::string ape = Dir.Copy(test::ApeFixture(image.Spec), "image.ape");
  // Whatever the FILE line says, the audio is the APE file itself.
  test::AppendApeTag(ape, {{"Title", "Album"},
                           {"CUESHEET", test::CdImageCueText(image, "Some Other Name.wav")}});
  ConvertSixTrackImage(ape);
}

TEST_F(CueSheetsTest, AudioBeforeTrackOneIsTrackZeroUnlessItIsSilence) {
  const test::TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> tone = test::MakePcm(format, 88200, test::TSignal::Tone, 51);
  std::vector<uint8_t> quietStart = test::MakePcm(format, 44100, test::TSignal::Silence);
  quietStart.insert(quietStart.end(), tone.begin(), tone.end());
  const std::vector<uint8_t> loudStart = test::MakePcm(format, 132300, test::TSignal::Tone, 52);
  Dir.Copy(test::ApeFixtureFromPcm("silence1s-tone2s-s51", format, quietStart), "quiet.ape");
  Dir.Copy(test::ApeFixtureFromPcm("tone3s-s52", format, loudStart), "loud.ape");
  const std::string sheet =
      "TITLE \"Hidden\"\nFILE \"%.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\nINDEX 00 00:00:00\n"
      "INDEX 01 00:01:00\nTRACK 02 AUDIO\nTITLE \"Two\"\nINDEX 01 00:02:00\n";
  WriteText(Dir.File("quiet.cue"), Replace(sheet, "%", "quiet"));
  WriteText(Dir.File("loud.cue"), Replace(sheet, "%", "loud"));

  // Decided as the sheet is added, so the list shows what will be written.
  Driver.AddFiles({Dir.File("loud.cue")});
  EXPECT_EQ(Driver.Jobs().Lines(),
            (std::vector<std::string>{"1 | 0 - ,  --loud.cue", "1 | 1 - One,  --loud.cue",
                                      "1 | 2 - Two,  --loud.cue"}));
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  EXPECT_TRUE(Track(0) == Slice(loudStart, 0, 44100, 4));
  EXPECT_TRUE(Track(1) == Slice(loudStart, 44100, 88200, 4));
  EXPECT_EQ(test::ReadFlacComments(Dir.File("Track_0.flac")).count("ALBUM"), 1u);

  std::filesystem::remove(Dir.File("Track_0.flac"));
  Driver.AddFiles({Dir.File("quiet.cue")});
  EXPECT_EQ(Driver.Jobs().Lines(),
            (std::vector<std::string>{"1 | 1 - One,  --quiet.cue", "1 | 2 - Two,  --quiet.cue"}));
  ASSERT_TRUE(RunBatch());
  EXPECT_FALSE(std::filesystem::exists(Dir.File("Track_0.flac")));
  EXPECT_TRUE(Track(1) == Slice(quietStart, 44100, 88200, 4));
}

// Sheets without a byte-order mark from rippers of several regions: the FLAC files carry
// their titles in the right characters.
struct RegionSheet {
  const char* Name;
  const char* Charset;
  std::string Album;
  std::string Performer;
  std::vector<std::string> Titles;
};

void PrintTo(const RegionSheet& Sheet, std::ostream* Out) { *Out << Sheet.Name; }

class RegionSheets : public CueSheetsTest, public testing::WithParamInterface<RegionSheet> {};

TEST_P(RegionSheets, GiveTheRightTitlesInTheFlacFiles) {
  const RegionSheet& region = GetParam();
  Dir.Copy(test::ApeFixture({{16, 2, 44100}, 44100, test::TSignal::Tone, 1, 61}), "disc.ape");
  // As a ripper writes it: the album's remarks, and a performer for every track.
  std::string text = "REM GENRE Pop\r\nREM DATE 2001\r\nREM COMMENT \"ExactAudioCopy v0.99pb5\"\r\n"
                     "PERFORMER \"" + region.Performer + "\"\r\nTITLE \"" + region.Album +
                     "\"\r\nFILE \"disc.wav\" WAVE\r\n";
  for (size_t t = 0; t < region.Titles.size(); ++t) {
    text += "  TRACK 0" + std::to_string(t + 1) + " AUDIO\r\n    TITLE \"" + region.Titles[t] +
            "\"\r\n    PERFORMER \"" + region.Performer + "\"\r\n    INDEX 01 00:00:" +
            std::to_string(10 + 15 * t) + "\r\n";
  }
  WriteText(Dir.File("region.cue"), test::EncodeUtf8As(text, region.Charset));
  Driver.AddFiles({Dir.File("region.cue")});
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  for (size_t t = 0; t < region.Titles.size(); ++t) {
    EXPECT_EQ(TitleOf(static_cast<int>(t + 1)), region.Titles[t]);
    const auto tags = test::ReadFlacComments(Dir.File("Track_" + std::to_string(t + 1) + ".flac"));
    EXPECT_EQ(tags.find("ALBUM")->second, region.Album);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Regions, RegionSheets,
    testing::Values(
        RegionSheet{"Big5", "BIG5", "精選輯", "鄧麗君", {"月亮代表我的心", "甜蜜蜜", "小城故事", "我只在乎你"}},
        RegionSheet{"ShiftJis", "SHIFT_JIS", "ベスト", "スマップ",
                    {"さくら", "夜空ノムコウ", "世界に一つだけの花", "ありがとう"}},
        RegionSheet{"EucKr", "EUC-KR", "베스트 앨범", "가수", {"사랑해요", "아리랑", "봄날", "눈의 꽃"}},
        RegionSheet{"Windows1251", "WINDOWS-1251", "Русские песни", "Хор",
                    {"Катюша", "Подмосковные вечера", "Калинка", "Очи чёрные"}},
        RegionSheet{"Gbk", "GBK", "精选", "邓丽君", {"月亮代表我的心", "甜蜜蜜", "小城故事", "我只在乎你"}},
        RegionSheet{"GbkMostlyAscii", "GBK", "Best of 2001", "Teresa Teng", {"Intro", "Love Song", "精选", "Outro"}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
