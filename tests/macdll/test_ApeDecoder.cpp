// The decoder inside libMACDll.so, used directly: every fixture bit for bit, whole and in
// ranges around each APE frame boundary; loud material, with the arithmetic each frame
// needed; the filter kernel built for each instruction set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ApeDecoder.h"
#include "ApeFixtures.h"
#include "ApeNNFilter.h"

namespace corvane::macdll {
namespace {

using test::ApeFixture;
using test::ApeFixturePcm;
using test::TApeFixtureSpec;

// Frames Start up to End read in calls of at most Chunk frames; stops at an error.
std::vector<uint8_t> ReadFrames(TApeDecoder& Decoder, int64_t Start, int64_t End, int64_t Chunk) {
  const int frameBytes = Decoder.FrameBytes();
  std::vector<uint8_t> pcm(static_cast<size_t>((End - Start) * frameBytes));
  EXPECT_EQ(Decoder.Seek(Start), 0);
  int64_t done = 0;
  while (done < End - Start) {
    int64_t delivered = 0;
    const int32_t result = Decoder.Read(pcm.data() + done * frameBytes,
                                        std::min(Chunk, End - Start - done), delivered);
    done += delivered;
    EXPECT_EQ(result, 0);
    if (result != 0 || delivered == 0) break;
  }
  pcm.resize(static_cast<size_t>(done * frameBytes));
  return pcm;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& Pcm, int64_t Start, int64_t End,
                           int FrameBytes) {
  return {Pcm.begin() + Start * FrameBytes, Pcm.begin() + End * FrameBytes};
}

std::vector<TApeFixtureSpec> EveryFixture() {
  std::vector<TApeFixtureSpec> all = test::WholeFileFixtures();
  const std::vector<TApeFixtureSpec> loud = test::LoudFixtures();
  all.insert(all.end(), loud.begin(), loud.end());
  return all;
}

std::string CaseName(const TApeFixtureSpec& Spec) {
  return test::FixtureCaseName(Spec) + "_" + std::to_string(Spec.Frames / Spec.Format.SampleRate) +
         "s";
}

class ApeDecoderFixtureTest : public ::testing::TestWithParam<TApeFixtureSpec> {};

// Whole, then from one frame before each APE frame boundary to one after, from the boundary
// on, and the file's first and last frames.
TEST_P(ApeDecoderFixtureTest, DecodesWholeAndAroundEveryFrameBoundary) {
  const TApeFixtureSpec& spec = GetParam();
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  TApeDecoder decoder(ApeFixture(spec).c_str());
  ASSERT_EQ(decoder.OpenError(), 0);
  const int frameBytes = decoder.FrameBytes();
  const int64_t total = decoder.TotalFrames();
  ASSERT_EQ(total, spec.Frames);
  EXPECT_TRUE(ReadFrames(decoder, 0, total, 100000) == pcm) << "whole file";

  const int64_t b = decoder.Header().BlocksPerFrame;
  std::vector<std::pair<int64_t, int64_t>> ranges = {{0, 1}, {total - 1, total}};
  for (int64_t boundary = b; boundary < total; boundary += b) {
    ranges.push_back({boundary - 1, boundary + 1});
    ranges.push_back({boundary - 1, boundary});
    ranges.push_back({boundary, std::min(total, boundary + 1)});
    ranges.push_back({boundary + 1, std::min(total, boundary + 5000)});
  }
  for (const auto& [start, end] : ranges) {
    SCOPED_TRACE(testing::Message() << start << ".." << end);
    EXPECT_TRUE(ReadFrames(decoder, start, end, 777) == Slice(pcm, start, end, frameBytes));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ApeDecoderFixtureTest, ::testing::ValuesIn(EveryFixture()),
                         [](const auto& Info) { return CaseName(Info.param); });

// Each frame of the loud files: the arithmetic it needed and whether the 64-bit variants
// (the rounding term added in 64 bits, as FFmpeg since 4.4 does; the predictor too, as
// FFmpeg 5.1 does at the insane level) would have reproduced it. The table is printed and
// recorded with the test; the set must hold frames that only 32-bit wrapping decodes.
TEST(ApeDecoderLoudTest, ReportsTheArithmeticEachFrameNeeded) {
  const TArithmetic wideFilters{true, false};
  const TArithmetic wide{true, true};
  int onlyWrapping = 0;
  std::string table;
  for (const TApeFixtureSpec& spec : test::LoudFixtures()) {
    const std::string name = CaseName(spec);
    SCOPED_TRACE(name);
    const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
    TApeDecoder decoder(ApeFixture(spec).c_str());
    const int frameBytes = decoder.FrameBytes();
    for (int64_t frame = 0; frame < decoder.Header().TotalFrames; ++frame) {
      ASSERT_EQ(decoder.LoadFrame(frame), 0) << "frame " << frame;
      const int64_t start = frame * decoder.Header().BlocksPerFrame;
      const int64_t end = start + decoder.Header().BlocksOfFrame(frame);
      EXPECT_TRUE(decoder.FramePcm() == Slice(pcm, start, end, frameBytes)) << "frame " << frame;
      const std::string needed = ArithmeticName(decoder.FrameArithmetic());
      const bool filtersOk = decoder.LoadFrame(frame, &wideFilters) == 0;
      const bool wideOk = decoder.LoadFrame(frame, &wide) == 0;
      if (!filtersOk && !wideOk) ++onlyWrapping;
      char row[160];
      std::snprintf(row, sizeof row, "%-28s frame %lld: needs %-16s 64-bit filters %-5s 64-bit %s\n",
                    name.c_str(), static_cast<long long>(frame), needed.c_str(),
                    filtersOk ? "ok" : "wrong", wideOk ? "ok" : "wrong");
      table += row;
    }
  }
  std::printf("%s", table.c_str());
  ::testing::Test::RecordProperty("arithmetic", table);
  EXPECT_GT(onlyWrapping, 0) << "no frame of the loud set tells the arithmetics apart";
}

class ApeDecoderSimdTest : public ::testing::TestWithParam<TSimdLevel> {
 protected:
  void TearDown() override { UseSimdLevel(DetectedSimdLevel()); }
};

// Every build of the filter kernel gives the same samples, down to the last bit.
TEST_P(ApeDecoderSimdTest, EveryKernelDecodesAlike) {
  if (GetParam() > DetectedSimdLevel()) GTEST_SKIP() << "not on this processor";
  UseSimdLevel(GetParam());
  const TApeFixtureSpec insane{{24, 2, 44100}, test::kNormalFrameBlocks + 26281, test::TSignal::Noise,
                               5, 11};
  for (const TApeFixtureSpec& spec : {insane, test::LoudFixtures()[1]}) {
    SCOPED_TRACE(CaseName(spec));
    TApeDecoder decoder(ApeFixture(spec).c_str());
    EXPECT_TRUE(ReadFrames(decoder, 0, decoder.TotalFrames(), 1 << 20) == ApeFixturePcm(spec));
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ApeDecoderSimdTest,
                         ::testing::Values(TSimdLevel::Baseline, TSimdLevel::Sse41,
                                           TSimdLevel::Avx2),
                         [](const auto& Info) {
                           switch (Info.param) {
                             case TSimdLevel::Baseline:
                               return std::string("Baseline");
                             case TSimdLevel::Sse41:
                               return std::string("Sse41");
                             case TSimdLevel::Avx2:
                               return std::string("Avx2");
                           }
                           return std::string("Unknown");
                         });

// The reference encoder's files: silence in the older header layout (3.96) and in the newer
// (3.99); a header whose audio is missing fails rather than ending early as though complete.
TEST(ApeDecoderTest, DecodesTheReferenceEncodersFiles) {
  const std::string data = CORVANE_SHARED_TESTDATA;
  if (!std::filesystem::exists(data)) GTEST_SKIP() << "no shared test data";
  for (const char* name : {"mac-396.ape", "mac-399.ape"}) {
    SCOPED_TRACE(name);
    TApeDecoder decoder((data + "/" + name).c_str());
    ASSERT_EQ(decoder.TotalFrames(), 162496);
    EXPECT_TRUE(ReadFrames(decoder, 0, 162496, 4096) == std::vector<uint8_t>(649984, 0));
    EXPECT_TRUE(ReadFrames(decoder, 100, 101, 1) == std::vector<uint8_t>(4, 0));
  }
  TApeDecoder header((data + "/mac-390-hdr.ape").c_str());
  EXPECT_EQ(header.TotalFrames(), 689262);
  std::vector<uint8_t> buffer(4096 * 4);
  int64_t delivered = -1;
  EXPECT_NE(header.Read(buffer.data(), 4096, delivered), 0);
  EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace corvane::macdll
