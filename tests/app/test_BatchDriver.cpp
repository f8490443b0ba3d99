#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "BatchDriver.h"
#include "CueTime.h"
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

class BatchDriverTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }

  // Starts the batch and runs it until the driver stops running or halts.
  bool RunBatch(std::chrono::milliseconds Timeout = 120s) {
    Driver.Start();
    return test::PumpUntil([&] { return !Driver.Running() || Driver.Halted(); }, Timeout);
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
                          {"ALBUM", test::kAlbumTitle}}))
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
                                                                       {"DATE", "2001"},
                                                                       {"GENRE", "Rock"},
                                                                       {"COMMENT", "注释"},
                                                                       {"COPYRIGHT", "(c) 2001"}}));
  EXPECT_EQ(test::ReadFlacComments(Dir.File("out/untagged.flac")), Tags{});
  // No performer in the sheet: no ARTIST; nothing of the tagged file before it.
  EXPECT_EQ(test::ReadFlacComments(Dir.File("out/Track_1.flac")),
            (Tags{{"TITLE", "Only"}, {"ALBUM", "Album"}}));
  EXPECT_EQ(test::DecodeFlacFile(Dir.File("out/Track_1.flac")).Pcm,
            PcmSlice(test::ApeFixturePcm(spec), 5 * 588, spec.Frames, 4));
}

// A file that is not Monkey's Audio fails as the job starts; a truncated one as it decodes.
class FailedJob : public BatchDriverTest, public testing::WithParamInterface<bool> {};

TEST_P(FailedJob, HaltsTheBatchWithItAtTheTopUntilStop) {
  test::TApeFixtureSpec spec;
  spec.Frames = 200000;
  const std::string first = CopyFixture(Dir, spec, "first.ape");
  test::AppendApeTag(first, {{"Title", "First"}});
  const std::string bad = Dir.File("bad.ape");
  std::vector<uint8_t> bytes = test::ReadFileBytes(test::ApeFixture(spec));
  const bool truncated = GetParam();
  if (truncated) {
    bytes.resize(bytes.size() / 2);
  } else {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0x5A});
  }
  test::WriteFileBytes(bad, bytes);
  const std::string last = CopyFixture(Dir, spec, "last.ape");
  Driver.AddFiles({first, bad, last});

  ASSERT_TRUE(RunBatch());
  ASSERT_TRUE(Driver.Halted());
  ASSERT_EQ(Failures.count(), 1);
  EXPECT_FALSE(Failures.first().first().toString().isEmpty());
  EXPECT_TRUE(Driver.Running());
  EXPECT_EQ(Driver.Jobs().Lines(), (std::vector<std::string>{bad, last}));
  // The job before it is finished and tagged; the failed one leaves no file that looks done.
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("first.flac")).Ok);
  EXPECT_EQ(test::ReadFlacComments(Dir.File("first.flac")).count("TITLE"), 1u);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("bad.flac")));

  // Halted: nothing moves on by itself.
  test::PumpFor(400ms);
  EXPECT_EQ(Driver.Jobs().Count(), 2);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("last.flac")));

  QSignalSpy running(&Driver, &TBatchDriver::RunningChanged);
  Driver.Stop();
  EXPECT_FALSE(Driver.Running());
  EXPECT_FALSE(Driver.Halted());
  ASSERT_EQ(running.count(), 1);
  EXPECT_EQ(Driver.Jobs().Count(), 2);
  EXPECT_EQ(Failures.count(), 1);
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
  ASSERT_TRUE(Driver.Halted());
  ASSERT_EQ(Failures.count(), 1);
  EXPECT_NE(Failures.first().first().toString().indexOf("past the end"), -1);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("Track_3.flac")));
  EXPECT_EQ(Driver.Jobs().Count(), 1);
  Driver.Stop();
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
  try {
    Driver.AddFiles({cue});
    ADD_FAILURE() << "the sheet was added";
  } catch (const std::exception& E) {
    EXPECT_NE(std::string(E.what()).find("第 3 行"), std::string::npos) << E.what();
  }
  EXPECT_EQ(Driver.Jobs().Count(), 0);
  EXPECT_TRUE(Driver.CueSheetList().empty());
}

TEST_F(BatchDriverTest, CueTimeToSampleStopsAtTheEndOfTheFile) {
  test::TApeFixtureSpec spec;
  spec.Frames = 44100;
  Driver.MACIn1().SetFileName(test::ApeFixture(spec));
  EXPECT_EQ(Driver.CueTimeToSample("00:00:74"), 43512);
  EXPECT_EQ(Driver.CueTimeToSample("00:02:00"), 44100);
  EXPECT_EQ(Driver.CueTimeToSample("59:00:00"), 44100);
  EXPECT_THROW(Driver.CueTimeToSample("1:00:00"), std::runtime_error);
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

TEST_F(BatchDriverTest, ShutdownDuringAJobFinishesTheFileWithinTwoSeconds) {
  const test::TApeFixtureSpec spec = test::SlowFixture();
  Driver.FLACOut1().SetLoopDelay(11);
  Driver.AddFiles({CopyFixture(Dir, spec, "slow.ape")});
  QSignalSpy progress(&Driver, &TBatchDriver::ProgressChanged);
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return progress.count() >= 3; }, 30s));
  Driver.PauseResume();  // also from a paused worker

  QElapsedTimer clock;
  clock.start();
  Driver.Shutdown();
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_FALSE(Driver.Running());
  EXPECT_TRUE(Driver.CueSheetList().empty());
  // What was converted is a complete, playable file: a true prefix of the source.
  const test::TDecodedFlac flac = test::DecodeFlacFile(Dir.File("slow.flac"));
  ASSERT_TRUE(flac.Ok) << flac.Error;
  const std::vector<uint8_t> pcm = test::ApeFixturePcm(spec);
  ASSERT_GT(flac.Pcm.size(), 0u);
  ASSERT_LT(flac.Pcm.size(), pcm.size());
  EXPECT_TRUE(std::equal(flac.Pcm.begin(), flac.Pcm.end(), pcm.begin()));
}

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

TEST_F(BatchDriverTest, TagStepErrorHaltsWithTheFinishedLineKept) {
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  const std::string source = CopyFixture(Dir, spec, "a.ape");
  test::AppendApeTag(source, {{"Title", "A"}});
  Driver.AddFiles({source, CopyFixture(Dir, spec, "b.ape")});
  Driver.Start();
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Timer1().isActive(); }, 30s));
  // The finished file disappears before its tags are written.
  std::filesystem::remove(Dir.File("a.flac"));
  ASSERT_TRUE(test::PumpUntil([&] { return Driver.Halted(); }, 5s));
  ASSERT_EQ(Failures.count(), 1);
  EXPECT_NE(Failures.first().first().toString().indexOf(QStringLiteral("a.flac")), -1);
  EXPECT_EQ(Driver.Jobs().At(0).Text, source);
  EXPECT_EQ(Driver.Jobs().Count(), 2);
  Driver.Stop();
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

}  // namespace
}  // namespace corvane
