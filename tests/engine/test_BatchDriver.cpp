#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

#include "BatchDriver.h"
#include "CueTime.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::ShownErrors;

std::string CopyFixture(const test::TScratchDir& Dir, const test::TApeFixtureSpec& Spec,
                        const std::string& Name) {
  return Dir.Copy(test::ApeFixture(Spec), Name);
}

std::vector<uint8_t> PcmSlice(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                              int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + To * FrameBytes};
}

void WriteText(const std::string& Path, const std::string& Text) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Text.begin(), Text.end()));
}

// An older file at an output name, from an earlier run: only a complete job may replace it.
const std::vector<uint8_t> kOlderFlac = [] {
  std::vector<uint8_t> bytes(3000, 0x11);
  std::copy_n("fLaC", 4, bytes.begin());
  return bytes;
}();

// Files may grow no larger than Bytes while this lives, as on a disk with that much room.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(int64_t Bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    FOldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FSaved;
    limit.rlim_cur = static_cast<rlim_t>(Bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    ::signal(SIGXFSZ, FOldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit FSaved{};
  sighandler_t FOldHandler;
};

class BatchDriverTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }

  // Starts the batch and runs it until it ends by itself.
  bool RunBatch(std::chrono::milliseconds Timeout = 120s) {
    Driver.Start();
    return test::PumpUntil([&] { return !Driver.Running(); }, Timeout);
  }

  test::TScratchDir Dir;  // outlives the driver, which may still close a file in it
  TBatchDriver Driver;
  QSignalSpy Failures{&Driver, &TBatchDriver::JobFailed};
};

// The cue sheet as its users' tools write it: GB18030 without a mark, or UTF-8 with one.
class CdImage : public BatchDriverTest, public testing::WithParamInterface<bool> {};

TEST_P(CdImage, TracksJoinToTheImageAndCarryTheSheetsTexts) {
  const test::TCdImage& image = test::SixTrackImage();
  const std::string audioName = "专辑 映像.ape";
  CopyFixture(Dir, image.Spec, audioName);
  const std::string text = test::CdImageCueText(image, audioName);
  const std::string cue = Dir.File("专辑.cue");
  const bool utf8 = GetParam();
  test::WriteFileBytes(cue, [&] {
    const std::string bytes = utf8 ? "\xEF\xBB\xBF" + text : test::Utf8ToGb18030(text);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }());

  Driver.AddFiles({cue});
  ASSERT_EQ(Driver.Jobs().Count(), 6);
  EXPECT_EQ(Driver.Jobs().At(1).Text,
            "1 | 2 - " + test::TrackTitle(1) + "," + test::TrackPerformer(1) + "  --专辑.cue");
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_TRUE(Driver.CueSheetList().empty());

  const std::vector<uint8_t> pcm = test::ApeFixturePcm(image.Spec);
  const int frameBytes = image.Spec.Format.FrameBytes();
  std::vector<uint8_t> joined;
  for (size_t t = 0; t < image.Indexes.size(); ++t) {
    const std::string track = Dir.File("Track_" + std::to_string(t + 1) + ".flac");
    const test::TDecodedFlac flac = test::DecodeFlacFile(track);
    ASSERT_TRUE(flac.Ok) << track << ": " << flac.Error;
    // Each track runs from its INDEX 01 to the next track's; pregaps belong to the track before.
    const auto startOf = [&](size_t k) {
      const int64_t cd = *CueTimeToCdFrames(image.Indexes[k].second);
      return cd * 588;
    };
    const int64_t end = t + 1 < image.Indexes.size() ? startOf(t + 1) : image.Spec.Frames;
    EXPECT_EQ(flac.Pcm, PcmSlice(pcm, startOf(t), end, frameBytes)) << "track " << t + 1;
    joined.insert(joined.end(), flac.Pcm.begin(), flac.Pcm.end());

    const auto tags = test::ReadFlacComments(track);
    using Tags = std::multimap<std::string, std::string>;
    EXPECT_EQ(tags, (Tags{{"TITLE", test::TrackTitle(t)},
                          {"ARTIST", test::TrackPerformer(t)},
                          {"ALBUM", test::kAlbumTitle},
                          {"ALBUMARTIST", test::kAlbumPerformer},
                          {"GENRE", "Pop"},
                          {"TRACKNUMBER", std::to_string(t + 1)},
                          {"TRACKTOTAL", "6"}}))
        << "track " << t + 1;
  }
  EXPECT_EQ(joined, pcm);
}

INSTANTIATE_TEST_SUITE_P(Encodings, CdImage, testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "Utf8Bom" : "Gb18030"; });

TEST_F(BatchDriverTest, PlainJobPassesItsApeTagAndACueTrackAfterItNone) {
  test::TApeFixtureSpec spec;
  spec.Frames = 30000;
  const std::string tagged = CopyFixture(Dir, spec, "tagged.ape");
  test::AppendApeTag(tagged, {{"Title", "标题"},
                              {"Artist", "艺人"},
                              {"Album", "专辑"},
                              {"Track", "3/12"},
                              {"Year", "2001"},
                              {"Genre", "Rock"},
                              {"Comment", "注释"},
                              {"Copyright", "(c) 2001"}});
  CopyFixture(Dir, spec, "untagged.ape");
  CopyFixture(Dir, spec, "disc.ape");
  test::WriteFileBytes(Dir.File("one.cue"), [] {
    const std::string cue =
        "TITLE \"Album\"\nFILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\n TITLE \"Only\"\n"
        "INDEX 01 00:00:05\n";
    return std::vector<uint8_t>(cue.begin(), cue.end());
  }());
  std::filesystem::create_directory(Dir.File("out"));
  Driver.SetOutputFolder(Dir.File("out") + "/");
  Driver.AddFiles({tagged, Dir.File("untagged.ape"), Dir.File("one.cue")});
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0);

  using Tags = std::multimap<std::string, std::string>;
  EXPECT_EQ(test::ReadFlacComments(Dir.File("out/tagged.flac")), (Tags{{"TITLE", "标题"},
                                                                       {"ARTIST", "艺人"},
                                                                       {"ALBUM", "专辑"},
                                                                       {"TRACKNUMBER", "3"},
                                                                       {"TRACKTOTAL", "12"},
                                                                       {"DATE", "2001"},
                                                                       {"GENRE", "Rock"},
                                                                       {"COMMENT", "注释"},
                                                                       {"COPYRIGHT", "(c) 2001"}}));
  EXPECT_EQ(test::ReadFlacComments(Dir.File("out/untagged.flac")), Tags{});
  // No performer in the sheet: no ARTIST; nothing of the tagged file before it.
  EXPECT_EQ(
      test::ReadFlacComments(Dir.File("out/Track_1.flac")),
      (Tags{{"TITLE", "Only"}, {"ALBUM", "Album"}, {"TRACKNUMBER", "1"}, {"TRACKTOTAL", "1"}}));
  EXPECT_EQ(test::DecodeFlacFile(Dir.File("out/Track_1.flac")).Pcm,
            PcmSlice(test::ApeFixturePcm(spec), 5 * 588, spec.Frames, 4));
}

// A file that is not Monkey's Audio fails as the job starts; a truncated one as it decodes.
class FailedJob : public BatchDriverTest, public testing::WithParamInterface<bool> {};

TEST_P(FailedJob, NeverStopsTheBatchAndComesBackToTheListAtItsEnd) {
  test::TApeFixtureSpec spec;
  spec.Frames = 200000;
  const std::string first = CopyFixture(Dir, spec, "first.ape");
  test::AppendApeTag(first, {{"Title", "First"}});
  const std::string bad = CopyFixture(Dir, spec, "bad.ape");
  const std::string last = CopyFixture(Dir, spec, "last.ape");
  test::WriteFileBytes(Dir.File("bad.flac"), kOlderFlac);
  Driver.AddFiles({first, bad, last});
  // Broken after it was added: only the conversion can find out.
  std::vector<uint8_t> bytes = test::ReadFileBytes(bad);
  const bool truncated = GetParam();
  if (truncated) {
    bytes.resize(bytes.size() / 2);
  } else {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0x5A});
  }
  test::WriteFileBytes(bad, bytes);

  // Nobody presses Stop: the batch ends by itself.
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 1);
  EXPECT_FALSE(Failures.first().first().toString().isEmpty());
  EXPECT_EQ(Driver.WrittenCount(), 2);
  EXPECT_EQ(Driver.FailedCount(), 1);
  ASSERT_EQ(Driver.FailedJobs().size(), 1u);
  EXPECT_EQ(Driver.FailedJobs().front().Message, Failures.first().first().toString().toStdString());
  // The failed line is back, so Start tries it again.
  EXPECT_EQ(Driver.Jobs().Lines(), (std::vector<std::string>{bad}));
  // The jobs around it are finished and tagged; the failed one leaves the file of an earlier
  // run byte for byte.
  for (const char* done : {"first.flac", "last.flac"}) {
    EXPECT_EQ(test::DecodeFlacFile(Dir.File(done)).Pcm, test::ApeFixturePcm(spec)) << done;
  }
  EXPECT_EQ(test::ReadFlacComments(Dir.File("first.flac")).count("TITLE"), 1u);
  EXPECT_EQ(test::ReadFileBytes(Dir.File("bad.flac")), kOlderFlac);
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());

  ASSERT_TRUE(RunBatch());
  EXPECT_EQ(Failures.count(), 2);
  EXPECT_EQ(Driver.WrittenCount(), 0);
  EXPECT_EQ(Driver.Jobs().Lines(), (std::vector<std::string>{bad}));
}

// A stop after a failure keeps every line: the failed ones first, in their order.
TEST_F(BatchDriverTest, StopAfterAFailurePutsItsLineBackFirst) {
  const test::TApeFixtureSpec slow = test::SlowFixture();
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  const std::string bad = CopyFixture(Dir, spec, "bad.ape");
  const std::string next = CopyFixture(Dir, slow, "next.ape");
  Driver.AddFiles({bad, next});
  test::WriteFileBytes(bad, std::vector<uint8_t>(9000, 0x5A));
  Driver.FLACOut1().SetLoopDelay(11);
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return Failures.count() == 1 && Driver.Jobs().Count() == 1; }));
  EXPECT_TRUE(Driver.Running());
  Driver.Stop();
  EXPECT_EQ(Driver.Jobs().Lines(), (std::vector<std::string>{bad, next}));
  EXPECT_EQ(Driver.FailedCount(), 1);
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.FLACOut1().Status() == osIdle; }));
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Kinds, FailedJob, testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "Truncated" : "NotApe"; });

TEST_F(BatchDriverTest, CueTimesPastTheEndNeverConvertTheWrongAudio) {
  test::TApeFixtureSpec spec;
  spec.Frames = 44100 * 2;  // 2 s: 00:02:00 is its end
  CopyFixture(Dir, spec, "disc.ape");
  const std::string cue = Dir.File("past.cue");
  const std::string text =
      "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
      "TRACK 02 AUDIO\nINDEX 01 00:01:00\nTRACK 03 AUDIO\nINDEX 01 00:05:00\n";
  test::WriteFileBytes(cue, std::vector<uint8_t>(text.begin(), text.end()));
  Driver.AddFiles({cue});
  ASSERT_TRUE(RunBatch());

  // Track 2 ends past the audio: it runs to the end of the file.
  const std::vector<uint8_t> pcm = test::ApeFixturePcm(spec);
  EXPECT_EQ(test::DecodeFlacFile(Dir.File("Track_2.flac")).Pcm,
            PcmSlice(pcm, 44100, spec.Frames, 4));
  // Track 3 starts past it: the job fails instead of converting from the start of the file.
  ASSERT_EQ(Failures.count(), 1);
  EXPECT_NE(Failures.first().first().toString().indexOf(QStringLiteral("的末尾或之后")), -1);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("Track_3.flac")));
  EXPECT_EQ(Driver.Jobs().Count(), 1);
  // Its sheet stays loaded with it.
  EXPECT_EQ(Driver.CueSheetList().size(), 1u);
}

// A time that is not mm:ss:ff no longer reaches a job: the sheet is refused as it is added,
// with the line of the time.
TEST_F(BatchDriverTest, MalformedCueTimeIsRefusedWhenAdded) {
  test::TApeFixtureSpec spec;
  spec.Frames = 44100;
  CopyFixture(Dir, spec, "disc.ape");
  const std::string cue = Dir.File("bad time.cue");
  const std::string text =
      "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 0:00:0\nTRACK 02 AUDIO\n";
  test::WriteFileBytes(cue, std::vector<uint8_t>(text.begin(), text.end()));
  const std::vector<std::string> problems = Driver.AddFiles({cue});
  ASSERT_EQ(problems.size(), 1u) << "the sheet was added";
  EXPECT_NE(problems[0].find("第 3 行"), std::string::npos) << problems[0];
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_TRUE(Driver.CueSheetList().empty());
}

TEST_F(BatchDriverTest, StartRightAfterStopConvertsTheLineAgainFromItsStart) {
  const test::TApeFixtureSpec spec = test::SlowFixture();
  const std::string source = CopyFixture(Dir, spec, "slow.ape");
  Driver.FLACOut1().SetLoopDelay(11);
  Driver.AddFiles({source});
  Driver.Start();
  QSignalSpy progress(&Driver, &TBatchDriver::ProgressChanged);
  ASSERT_TRUE(test::PumpUntil([&] { return progress.count() >= 3; }, 30s));
  Driver.Stop();
  // At once: the stopped run may not have ended yet, and its end must not finish this batch.
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return !Driver.Running(); }, 60s));
  EXPECT_EQ(Failures.count(), 0);
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  const test::TDecodedFlac flac = test::DecodeFlacFile(Dir.File("slow.flac"));
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_EQ(flac.Pcm, test::ApeFixturePcm(spec));
}

// Stopped, or the window closing (also while paused): within two seconds, and what stood at
// the output name is still there, byte for byte; nothing short takes its place.
class EndedMidJob : public BatchDriverTest, public testing::WithParamInterface<bool> {};

TEST_P(EndedMidJob, LeavesTheOlderFileAndNoPartOfTheNewOne) {
  const bool shutdown = GetParam();
  const test::TApeFixtureSpec spec = test::SlowFixture();
  Driver.FLACOut1().SetLoopDelay(11);
  Driver.AddFiles({CopyFixture(Dir, spec, "slow.ape")});
  test::WriteFileBytes(Dir.File("slow.flac"), kOlderFlac);
  QSignalSpy progress(&Driver, &TBatchDriver::ProgressChanged);
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return progress.count() >= 3; }, 30s));
  EXPECT_EQ(test::Leftovers(Dir.Path()).size(), 1u);  // the job writes, but elsewhere
  Driver.PauseResume();
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.FLACOut1().WorkerParked(); }, 5s));
  const int reached = Driver.FLACOut1().Progress();

  if (shutdown) {
    Driver.Shutdown();
  } else {
    Driver.Stop();
    ASSERT_TRUE(test::PumpUntil([&] { return Driver.FLACOut1().Status() == osIdle; }, 5s));
    test::PumpFor(300ms);
    EXPECT_EQ(Driver.Jobs().Count(), 1);
    // Ended where it stood, not run to its end.
    EXPECT_LT(Driver.FLACOut1().Progress(), 100);
  }
  EXPECT_LT(reached, 100);
  EXPECT_FALSE(Driver.Running());
  EXPECT_EQ(Failures.count(), 0);
  EXPECT_EQ(test::ReadFileBytes(Dir.File("slow.flac")), kOlderFlac);
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Ends, EndedMidJob, testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "Shutdown" : "Stop"; });

TEST_F(BatchDriverTest, PauseBetweenJobsHoldsTheNextJob) {
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  Driver.AddFiles({CopyFixture(Dir, spec, "a.ape"), CopyFixture(Dir, spec, "b.ape")});
  QSignalSpy progress(&Driver, &TBatchDriver::ProgressChanged);
  Driver.Start();
  // Between the two jobs: the first is done and the timer is armed.
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Timer1().isActive(); }, 30s));
  Driver.PauseResume();
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Jobs().Count() == 1; }, 5s));
  test::PumpFor(300ms);
  EXPECT_EQ(Driver.FLACOut1().Status(), osPaused);
  EXPECT_EQ(Driver.Jobs().Count(), 1);
  Driver.PauseResume();
  ASSERT_TRUE(test::PumpUntil([&] { return !Driver.Running(); }, 30s));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("b.flac")).Ok);
}

TEST_F(BatchDriverTest, TagStepErrorFailsThatJobAlone) {
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  const std::string source = CopyFixture(Dir, spec, "a.ape");
  test::AppendApeTag(source, {{"Title", "A"}});
  Driver.AddFiles({source, CopyFixture(Dir, spec, "b.ape")});
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Timer1().isActive(); }, 30s));
  // The finished file disappears before its tags are written.
  ASSERT_NE(Driver.FLACOut1().FinishedFile(), "");
  std::filesystem::remove(Driver.FLACOut1().FinishedFile());
  ASSERT_TRUE(test::PumpUntil([&] { return !Driver.Running(); }, 30s));
  ASSERT_EQ(Failures.count(), 1);
  const QString message = Failures.first().first().toString();
  EXPECT_NE(message.indexOf(QString::fromStdString("文件：" + Dir.File("a.flac"))), -1)
      << message.toStdString();
  EXPECT_NE(message.indexOf(QStringLiteral("找不到文件")), -1) << message.toStdString();
  EXPECT_EQ(Driver.Jobs().Lines(), (std::vector<std::string>{source}));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("a.flac")));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("b.flac")).Ok);
}

TEST_F(BatchDriverTest, JobInProgressCannotBeRemoved) {
  const test::TApeFixtureSpec spec = test::SlowFixture();
  Driver.FLACOut1().SetLoopDelay(11);
  Driver.AddFiles({CopyFixture(Dir, spec, "a.ape"), CopyFixture(Dir, spec, "b.ape")});
  EXPECT_TRUE(Driver.RemoveLine(0));
  Driver.AddFiles({Dir.File("a.ape")});
  Driver.Start();
  EXPECT_FALSE(Driver.RemoveLine(0));
  EXPECT_TRUE(Driver.RemoveLine(1));
  EXPECT_FALSE(Driver.RemoveLine(1));
  Driver.Stop();
  EXPECT_TRUE(Driver.RemoveLine(0));
}

// ---- Output files ----

// A link stands at the output name: a finished job replaces the link itself; a failed one
// leaves it. Either way the file it points at is never written.
class LinkAtTheOutputName : public BatchDriverTest, public testing::WithParamInterface<bool> {};

TEST_P(LinkAtTheOutputName, NeverWritesItsTarget) {
  const bool succeeds = GetParam();
  test::TApeFixtureSpec spec;
  spec.Frames = 30000;
  const std::string source = CopyFixture(Dir, spec, "a.ape");
  const std::string target = Dir.File("precious.flac");
  test::WriteFileBytes(target, kOlderFlac);
  std::filesystem::create_symlink(target, Dir.File("a.flac"));
  Driver.AddFiles({source});
  if (!succeeds) test::WriteFileBytes(source, std::vector<uint8_t>(5000, 0x5A));
  ASSERT_TRUE(RunBatch());

  EXPECT_EQ(test::ReadFileBytes(target), kOlderFlac);
  EXPECT_EQ(std::filesystem::is_symlink(Dir.File("a.flac")), !succeeds);
  if (succeeds) {
    EXPECT_EQ(test::DecodeFlacFile(Dir.File("a.flac")).Pcm, test::ApeFixturePcm(spec));
  } else {
    EXPECT_EQ(Failures.count(), 1);
    EXPECT_EQ(std::filesystem::read_symlink(Dir.File("a.flac")), target);
  }
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Jobs, LinkAtTheOutputName, testing::Values(true, false),
                         [](const auto& Info) { return Info.param ? "Succeeds" : "Fails"; });

TEST_F(BatchDriverTest, TwoSheetsInOneFolderWriteTracksOfTheirOwn) {
  std::vector<test::TApeFixtureSpec> specs(2);
  for (uint32_t i = 0; i < 2; ++i) {
    specs[i].Frames = 60000;
    specs[i].Seed = 11 + i;
    const std::string disc = "disc" + std::to_string(i + 1) + ".ape";
    CopyFixture(Dir, specs[i], disc);
    WriteText(Dir.File("album" + std::to_string(i + 1) + ".cue"),
              "FILE \"" + disc +
                  "\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                  "TRACK 02 AUDIO\nINDEX 01 00:00:50\n");
  }
  // A file of an earlier run is replaced as before; only this batch's own files are kept.
  test::WriteFileBytes(Dir.File("Track_1.flac"), kOlderFlac);
  Driver.AddFiles({Dir.File("album1.cue"), Dir.File("album2.cue")});
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  EXPECT_EQ(Driver.WrittenCount(), 4);

  const int64_t split = 50 * 588;
  const struct {
    const char* File;
    size_t Sheet;
    int64_t From, To;
  } tracks[] = {{"Track_1.flac", 0, 0, split},
                {"Track_2.flac", 0, split, 60000},
                {"Track_1 (2).flac", 1, 0, split},
                {"Track_2 (2).flac", 1, split, 60000}};
  for (const auto& track : tracks) {
    EXPECT_EQ(test::DecodeFlacFile(Dir.File(track.File)).Pcm,
              PcmSlice(test::ApeFixturePcm(specs[track.Sheet]), track.From, track.To, 4))
        << track.File;
  }
}

TEST_F(BatchDriverTest, SameNamesFromTwoFoldersMeetInATypedOutputFolder) {
  std::vector<test::TApeFixtureSpec> specs(2);
  std::vector<std::string> sources;
  for (uint32_t i = 0; i < 2; ++i) {
    specs[i].Frames = 20000;
    specs[i].Seed = 21 + i;
    const std::string folder = Dir.File("CD" + std::to_string(i + 1));
    std::filesystem::create_directory(folder);
    sources.push_back(test::ApeFixture(specs[i]));
    std::filesystem::copy_file(sources.back(), folder + "/01.ape");
    sources.back() = folder + "/01.ape";
  }
  std::filesystem::create_directory(Dir.File("out"));
  Driver.SetOutputFolder(Dir.File("out"));  // typed without its final "/"
  Driver.AddFiles(sources);
  QSignalSpy finished(&Driver, &TBatchDriver::BatchFinished);
  ASSERT_TRUE(RunBatch());
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(finished.first().first().toInt(), 2);

  EXPECT_EQ(test::DecodeFlacFile(Dir.File("out/01.flac")).Pcm, test::ApeFixturePcm(specs[0]));
  EXPECT_EQ(test::DecodeFlacFile(Dir.File("out/01 (2).flac")).Pcm, test::ApeFixturePcm(specs[1]));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("out01.flac")));
}

// The disk has room for less than half a FLAC file more when the tags are written: the tags
// still go in, in place, since the encoder left room for them.
TEST_F(BatchDriverTest, TagsFitOnADiskWithLessRoomThanTheFile) {
  test::TApeFixtureSpec spec;
  spec.Frames = 100000;
  spec.Signal = test::TSignal::Noise;
  const std::string source = CopyFixture(Dir, spec, "a.ape");
  std::string comment;
  while (comment.size() < 6000) comment += "注释";
  test::AppendApeTag(source, {{"Title", "标题"}, {"Comment", comment}});
  Driver.AddFiles({source});
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Timer1().isActive(); }, 30s));
  const auto size =
      static_cast<int64_t>(std::filesystem::file_size(Driver.FLACOut1().FinishedFile()));
  {
    const TFileSizeLimit room(size / 2);
    ASSERT_TRUE(test::PumpUntil([&] { return !Driver.Running(); }, 10s));
  }
  ASSERT_EQ(Failures.count(), 0) << Failures.first().first().toString().toStdString();
  const auto tags = test::ReadFlacComments(Dir.File("a.flac"));
  EXPECT_EQ(tags.count("COMMENT"), 1u);
  EXPECT_EQ(tags.find("TITLE")->second, "标题");
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(Dir.File("a.flac"))), size);
  EXPECT_EQ(test::DecodeFlacFile(Dir.File("a.flac")).Pcm, test::ApeFixturePcm(spec));
}

// ---- What a failure says ----

struct TFailureCase {
  const char* Name;
  // Prepares the job (a.ape, or track 1 of x.cue over disc.ape) and may break something.
  std::function<void(const test::TScratchDir&, TBatchDriver&)> Arrange;
  std::string File;   // named in the message, inside the scratch folder
  std::string Cause;  // a pattern for the user's words for why
};
std::ostream& operator<<(std::ostream& Out, const TFailureCase& Case) {
  return Out << Case.Name;
}

class FailureMessage : public BatchDriverTest, public testing::WithParamInterface<TFailureCase> {
 protected:
  std::optional<TFileSizeLimit> Room;
};

TEST_P(FailureMessage, NamesTheFileAndTheCause) {
  const TFailureCase& c = GetParam();
  test::TApeFixtureSpec spec;
  spec.Frames = 200000;
  CopyFixture(Dir, spec, "a.ape");
  CopyFixture(Dir, spec, "disc.ape");
  WriteText(Dir.File("x.cue"), "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  c.Arrange(Dir, Driver);
  ASSERT_EQ(Driver.Jobs().Count(), 1);
  if (c.Name == std::string("DiskFull")) Room.emplace(20000);
  ASSERT_TRUE(RunBatch());
  Room.reset();

  ASSERT_EQ(Failures.count(), 1);
  const std::string message = Failures.first().at(0).toString().toStdString();
  const std::string summary = Failures.first().at(1).toString().toStdString();
  EXPECT_NE(message.find("\n文件：" + Dir.File(c.File) + "\n"), std::string::npos) << message;
  EXPECT_TRUE(std::regex_search(message, std::regex("\n原因：" + c.Cause + "(\n|$)"))) << message;
  EXPECT_TRUE(std::regex_search(summary, std::regex(c.Cause))) << summary;
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

void AddApe(const test::TScratchDir& Dir, TBatchDriver& Driver) {
  Driver.AddFiles({Dir.File("a.ape")});
}
void AddCue(const test::TScratchDir& Dir, TBatchDriver& Driver) {
  Driver.AddFiles({Dir.File("x.cue")});
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailureMessage,
    testing::Values(TFailureCase{"SourceGone",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   AddApe(Dir, Driver);
                                   std::filesystem::remove(Dir.File("a.ape"));
                                 },
                                 "a.ape", "找不到文件"},
                    // Replaced after it was added: a file that is no APE is refused when added.
                    TFailureCase{"NotApe",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   AddApe(Dir, Driver);
                                   test::WriteFileBytes(Dir.File("a.ape"),
                                                        std::vector<uint8_t>(9000, 0x5A));
                                 },
                                 "a.ape", "不是 APE 文件，或其格式不受支持"},
                    // Damaged in its last APE frame, which starts at 147456 / 44100 = 3.34 s.
                    TFailureCase{"Damaged",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   std::vector<uint8_t> bytes =
                                       test::ReadFileBytes(Dir.File("a.ape"));
                                   for (size_t i = bytes.size() * 88 / 100;
                                        i < bytes.size() * 90 / 100; ++i)
                                     bytes[i] ^= 0xA5;
                                   test::WriteFileBytes(Dir.File("a.ape"), bytes);
                                   AddApe(Dir, Driver);
                                 },
                                 "a.ape", "数据损坏，位于 00:0[34]"},
                    // Rewritten after it was added with a rate no FLAC file carries.
                    TFailureCase{"SampleRate",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   AddApe(Dir, Driver);
                                   test::TApeBytes file{test::ReadFileBytes(Dir.File("a.ape"))};
                                   file.SetSampleRate(700000);
                                   file.SetWavSampleRate(700000);
                                   test::WriteFileBytes(Dir.File("a.ape"), file.Bytes);
                                 },
                                 "a.ape", "采样率 700000 Hz 无法写入 FLAC"},
                    TFailureCase{"OutputFolderMissing",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   Driver.SetOutputFolder(Dir.File("nowhere"));
                                   AddApe(Dir, Driver);
                                 },
                                 "nowhere/a.flac", "找不到文件夹"},
                    TFailureCase{"DiskFull", AddApe, "a.flac", "磁盘已满"},
                    // The sheet's audio file went missing after the sheet was added.
                    TFailureCase{"CueAudioGone",
                                 [](const test::TScratchDir& Dir, TBatchDriver& Driver) {
                                   AddCue(Dir, Driver);
                                   std::filesystem::remove(Dir.File("disc.ape"));
                                 },
                                 "disc.ape", "找不到文件"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Adding files ----

TEST_F(BatchDriverTest, AddingGoesOnPastBadFilesAndSaysWhyOnce) {
  WriteText(Dir.File("a.ape"), "");
  WriteText(Dir.File("good.cue"), "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  WriteText(Dir.File("bad.cue"), "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n");
  WriteText(Dir.File("empty.cue"), "REM nothing here\n");
  const std::vector<std::string> problems = Driver.AddFiles(
      {Dir.File("missing.cue"), Dir.File("Song.ape"), Dir.File("bad.cue"), Dir.File("empty.cue"),
       Dir.File("good.cue"), Dir.File("song.ape"), Dir.File("Song.ape")});
  // Two files of different names, though they differ only in letter case; one line per path.
  EXPECT_EQ(Driver.Jobs().Lines(),
            (std::vector<std::string>{Dir.File("Song.ape"), "1 | 1 - ,  --good.cue",
                                      Dir.File("song.ape")}));
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_TRUE(problems[0].starts_with(Dir.File("missing.cue") + "：找不到文件")) << problems[0];
  EXPECT_NE(problems[1].find("“bad.cue”第 3 行"), std::string::npos) << problems[1];
  EXPECT_EQ(problems[2], Dir.File("empty.cue") + "：其中没有音轨");
  EXPECT_EQ(Driver.CueSheetList().size(), 1u);
  // Not kept: adding it again says so again.
  EXPECT_EQ(Driver.AddFiles({Dir.File("empty.cue")}).size(), 1u);
}

// A file no decoder will ever read is refused as it is added, not at its turn in a batch.
TEST_F(BatchDriverTest, FilesThatCanNeverConvertAreRefusedWhenAdded) {
  test::TApeFixtureSpec spec;
  spec.Frames = 4410;
  const std::vector<uint8_t> ape = test::ReadFileBytes(test::ApeFixture(spec));
  test::WriteWav(Dir.File("a.wav"), spec.Format, test::ApeFixturePcm(spec));
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"wave.ape", test::ReadFileBytes(Dir.File("a.wav"))},
      {"cut.ape", {ape.begin(), ape.begin() + 40}},
      {"empty.ape", {}},
      {"good.ape", ape},
  };
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : files) {
    test::WriteFileBytes(Dir.File(name), bytes);
    paths.push_back(Dir.File(name));
  }
  const std::vector<std::string> problems = Driver.AddFiles(paths);
  EXPECT_EQ(Driver.Jobs().Lines(), std::vector<std::string>{Dir.File("good.ape")});
  ASSERT_EQ(problems.size(), 3u);
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_TRUE(problems[i].starts_with(paths[i] + "：不是 APE 文件")) << problems[i];
  }
}

// So is a file whose header is damaged, or whose rate no FLAC file carries: the cause is
// named, with the numbers.
TEST_F(BatchDriverTest, DamagedHeadersAndRatesFlacCannotCarryAreRefusedWhenAdded) {
  test::TApeFixtureSpec spec;
  spec.Frames = 4410;
  test::TApeBytes flipped{test::ReadFileBytes(test::ApeFixture(spec))};
  test::TApeBytes fast = flipped;
  flipped.SetSampleRate(44100 ^ 2);
  fast.SetSampleRate(700000);
  fast.SetWavSampleRate(700000);
  test::WriteFileBytes(Dir.File("flipped.ape"), flipped.Bytes);
  test::WriteFileBytes(Dir.File("fast.ape"), fast.Bytes);
  const std::vector<std::string> problems =
      Driver.AddFiles({Dir.File("flipped.ape"), Dir.File("fast.ape")});
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_EQ(problems,
            (std::vector<std::string>{
                Dir.File("flipped.ape") +
                    "：数据损坏。MACDll error: damaged header (the header says 44102 Hz but the "
                    "stored WAV header says 44100 Hz)",
                Dir.File("fast.ape") +
                    "：采样率 700000 Hz 无法写入 FLAC。Sample rate 700000 Hz cannot be written "
                    "to FLAC"}));
}

}  // namespace
}  // namespace corvane
