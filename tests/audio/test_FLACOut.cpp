// The FLAC sink: its settings, and round trips that decode to exactly the input.

#include <gtest/gtest.h>

#include <cstring>

#include "ACSException.h"
#include "FLACOut.h"
#include "FLACOutTestSupport.h"
#include "FlacDecode.h"
#include "FrameworkDoubles.h"
#include "SinkRun.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// ---- Properties ----

TEST_F(FLACOut, StartsWithTheDefaultSettings) {
  TFLACOut out;
  EXPECT_FALSE(out.Verify());
  EXPECT_EQ(out.BlockSize(), 4608);
  EXPECT_FALSE(out.BestModelSearch());
  EXPECT_TRUE(out.EnableMidSideStereo());
  EXPECT_FALSE(out.EnableLooseMidSideStereo());
  EXPECT_EQ(out.MaxLPCOrder(), 0);
  EXPECT_EQ(out.QLPCoeffPrecision(), 0);
  EXPECT_FALSE(out.QLPCoeffPrecisionSearch());
  EXPECT_EQ(out.MaxResidualPartitionOrder(), 0);
  EXPECT_EQ(out.MinResidualPartitionOrder(), 0);
  EXPECT_EQ(out.FileMode(), foRewrite);
  EXPECT_EQ(out.Status(), osIdle);
}

TEST_F(FLACOut, StereoSwitchesPullEachOtherAlong) {
  TFLACOut out;
  out.SetEnableMidSideStereo(false);
  out.SetEnableLooseMidSideStereo(true);
  EXPECT_TRUE(out.EnableMidSideStereo());
  EXPECT_TRUE(out.EnableLooseMidSideStereo());

  out.SetBestModelSearch(true);
  EXPECT_TRUE(out.EnableMidSideStereo());
  EXPECT_FALSE(out.EnableLooseMidSideStereo());

  out.SetEnableMidSideStereo(false);
  out.SetBestModelSearch(false);
  out.SetEnableLooseMidSideStereo(false);
  EXPECT_FALSE(out.BestModelSearch());
  EXPECT_FALSE(out.EnableMidSideStereo());  // switching off changes nothing else
}

// ---- Round trips ----

struct TRoundTrip {
  const char* Name;
  TPcmFormat Format;
  int64_t Frames;
  int64_t Piece = INT64_MAX;
  uint16_t BlockSize = 4608;
};
std::ostream& operator<<(std::ostream& Out, const TRoundTrip& Case) {
  return Out << Case.Name;
}

class FLACOutRoundTrip : public FLACOut, public ::testing::WithParamInterface<TRoundTrip> {};

TEST_P(FLACOutRoundTrip, DecodesToExactlyTheInput) {
  const TRoundTrip& c = GetParam();
  const std::vector<uint8_t> pcm = MakeTestPcm(c.Format, c.Frames);
  TPcmSource source(c.Format, pcm);
  source.Piece = c.Piece;
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("out.flac"));
  out.SetBlockSize(c.BlockSize);
  out.SetMaxLPCOrder(8);
  TRecordingLibFLAC recording;
  TSinkRun watch(out);

  ASSERT_EQ(watch.Run(), "");
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_EQ(source.BeginReads, 1);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_FALSE(IsOpenHere(out.FileName()));

  const test::TDecodedFlac flac = test::DecodeFlacFile(out.FileName());
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_EQ(flac.BitsPerSample, c.Format.BitsPerSample);
  EXPECT_EQ(flac.Channels, c.Format.Channels);
  EXPECT_EQ(flac.SampleRate, c.Format.SampleRate);
  EXPECT_EQ(flac.TotalSamples, static_cast<uint64_t>(c.Frames));
  ASSERT_EQ(flac.Pcm.size(), pcm.size());
  const auto mismatch = std::mismatch(pcm.begin(), pcm.end(), flac.Pcm.begin());
  EXPECT_TRUE(mismatch.first == pcm.end())
      << "first wrong byte at " << mismatch.first - pcm.begin();
  // An all-zero signature means "not computed" and would let a wrong file pass the check.
  if (c.Frames > 0) {
    EXPECT_NE(flac.Md5, decltype(flac.Md5){});
  }

  // Whole blocks go to the library, however the source hands out its bytes.
  const std::vector<uint32_t> frames = recording.Frames();
  const int64_t block = recording.Resolved()->BlockSize;
  ASSERT_EQ(static_cast<int64_t>(frames.size()), (c.Frames + block - 1) / block);
  for (size_t i = 0; i + 1 < frames.size(); ++i) EXPECT_EQ(frames[i], block) << "call " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FLACOutRoundTrip,
    ::testing::Values(TRoundTrip{"Stereo16WholeBlocks", {16, 2, 44100}, 4 * 4608},
                      TRoundTrip{"Stereo16OneFrameMore", {16, 2, 44100}, 4 * 4608 + 1},
                      TRoundTrip{"Stereo16OneFrameLess", {16, 2, 44100}, 4 * 4608 - 1},
                      TRoundTrip{"Mono16", {16, 1, 44100}, 3 * 4608 + 100},
                      TRoundTrip{"Stereo8", {8, 2, 22050}, 20000},
                      TRoundTrip{"Mono8", {8, 1, 8000}, 2 * 4608},
                      TRoundTrip{"Stereo24", {24, 2, 96000}, 20000},
                      TRoundTrip{"Mono24", {24, 1, 48000}, 4608 + 1},
                      TRoundTrip{"Stereo32", {32, 2, 44100}, 10000},
                      TRoundTrip{"SixChannels16", {16, 6, 48000}, 10000},
                      TRoundTrip{"SmallPieces16", {16, 2, 44100}, 2 * 4608 + 5, 7},
                      TRoundTrip{"SmallPieces24", {24, 2, 44100}, 4608 + 3, 5},
                      TRoundTrip{"ShorterThanABlock", {16, 2, 44100}, 10},
                      TRoundTrip{"Empty", {16, 2, 44100}, 0},
                      TRoundTrip{"SmallBlocks", {16, 2, 44100}, 5000, INT64_MAX, 1152},
                      // 0 lets the library choose; the blocks read must follow its choice.
                      TRoundTrip{"LibraryChosenBlockSize", {16, 2, 44100}, 10000, INT64_MAX, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FLACOut, RunsAgainWithAnotherFormatAndReplacesTheFile) {
  TFLACOut out;
  TSinkRun watch(out);
  const std::string path = Dir.File("again.flac");
  test::WriteFileBytes(path, std::vector<uint8_t>(1 << 20, 0xAB));
  out.SetFileName(path);
  out.SetFileMode(foAppend);  // an encoded stream is never appended to
  EXPECT_EQ(out.FileMode(), foRewrite);

  for (const TPcmFormat format : {TPcmFormat{16, 2, 44100}, TPcmFormat{24, 1, 48000}}) {
    const std::vector<uint8_t> pcm = MakeTestPcm(format, 7000);
    TPcmSource source(format, pcm);
    out.SetInput(&source);
    ASSERT_EQ(watch.Run(), "");
    const test::TDecodedFlac flac = test::DecodeFlacFile(path);
    ASSERT_TRUE(flac.Ok) << flac.Error;
    EXPECT_TRUE(flac.Pcm == pcm);
    out.SetInput(nullptr);
  }
}

}  // namespace
}  // namespace corvane
