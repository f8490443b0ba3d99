// The APE source decoding ahead on threads: whatever the thread count, and however it changes
// during a read, the bytes handed out are those of the serial decoder, a damaged frame fails
// the read at its own position after everything before it, seeks and ends of a read pass
// cancel what was decoded ahead, and nothing waits on more than the frames in progress.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ApeFixtures.h"
#include "ApeReadAhead.h"
#include "MACIn.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::ApeFixture;
using test::ApeFixturePcm;
using test::Mono16;
using test::Stereo16;
using test::Stereo24;
using test::Stereo8;
using test::TApeFixtureSpec;
using test::TPcmFormat;
using test::TSignal;

constexpr int64_t B = test::kNormalFrameBlocks;

// 0 decodes on the reader's thread: the serial decoder every other count is held to.
const std::vector<int> ThreadCounts = {0, 1, 2, 4};

class ReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadMACDll()); }
};

std::vector<uint8_t> Frames(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                            int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + To * FrameBytes};
}

// What one read pass handed out, and the failure that ended it, if any.
struct TPass {
  std::vector<uint8_t> Pcm;
  std::optional<EAPEDataError> Failure;
};

// Reads the open pass to its end (or its failure) in calls of Chunk bytes. A failure must
// come again on the next read: a damaged stream never goes on quietly.
TPass ReadToEnd(TMACIn& Source, int64_t Chunk, int64_t Limit = INT64_MAX) {
  TPass pass;
  std::vector<uint8_t> block(static_cast<size_t>(Chunk));
  try {
    while (static_cast<int64_t>(pass.Pcm.size()) < Limit) {
      const int64_t got = Source.ReadData(block.data(), Chunk);
      if (got <= 0) break;
      pass.Pcm.insert(pass.Pcm.end(), block.begin(), block.begin() + got);
    }
  } catch (const EAPEDataError& Error) {
    pass.Failure = Error;
    EXPECT_THROW(Source.ReadData(block.data(), Chunk), EAPEDataError);
  }
  return pass;
}

TPass ReadPass(TMACIn& Source, int64_t Start, int64_t End, int64_t Chunk) {
  Source.SetStartSample(Start);
  Source.SetEndSample(End);
  Source.BeginRead();
  TPass pass = ReadToEnd(Source, Chunk);
  Source.EndRead();
  return pass;
}

// ---- Every thread count hands out the same bytes ----

struct TRangeCase {
  const char* Name;
  TApeFixtureSpec Spec;
  int64_t FrameBlocks;  // blocks per APE frame at the fixture's compression level
};

class ReadAheadRangeTest : public ReadAheadTest,
                           public ::testing::WithParamInterface<TRangeCase> {};

// Ranges starting and ending inside APE frames and on their boundaries, the whole file, and
// the same ranges as the segments of one stream.
TEST_P(ReadAheadRangeTest, EveryThreadCountDeliversTheRangeBitForBit) {
  const TRangeCase& c = GetParam();
  const std::vector<uint8_t> pcm = ApeFixturePcm(c.Spec);
  const int fb = c.Spec.Format.FrameBytes();
  const int64_t b = c.FrameBlocks;
  const int64_t total = c.Spec.Frames;
  struct TRange {
    int64_t Start, End;
  };
  // The insane level's file holds one whole APE frame and a bit.
  const int64_t across = std::min(2 * b + 1, total);
  const std::vector<TRange> ranges = {{0, total}, {b - 1, across}, {b, std::min(2 * b, total)},
                                      {5, 6},     {b + 17, total}, {total - 1, total}};
  const std::string file = ApeFixture(c.Spec);
  for (const int threads : ThreadCounts) {
    TMACIn source;
    source.SetDecodeThreads(threads);
    source.SetFileName(file);
    for (const TRange& r : ranges) {
      SCOPED_TRACE(testing::Message() << threads << " threads, " << r.Start << ".." << r.End);
      const TPass pass = ReadPass(source, r.Start, r.End, r.End - r.Start > b ? 8192 : 1000);
      EXPECT_FALSE(pass.Failure.has_value());
      EXPECT_TRUE(pass.Pcm == Frames(pcm, r.Start, r.End, fb));
    }
    SCOPED_TRACE(testing::Message() << threads << " threads, segments");
    source.SetSegments({{file, b - 1, across}, {file, 0, 0}, {file, total - 3, -1}, {file, 5, 6}});
    source.BeginRead();
    const TPass pass = ReadToEnd(source, 8192);
    source.EndRead();
    std::vector<uint8_t> expected = Frames(pcm, b - 1, across, fb);
    for (const TRange& r : {TRange{total - 3, total}, TRange{5, 6}}) {
      const std::vector<uint8_t> piece = Frames(pcm, r.Start, r.End, fb);
      expected.insert(expected.end(), piece.begin(), piece.end());
    }
    EXPECT_TRUE(pass.Pcm == expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadAheadRangeTest,
    ::testing::Values(
        TRangeCase{"Stereo16Normal", {Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21}, B},
        TRangeCase{"Mono16High", {Mono16, 3 * B + 1001, TSignal::Noise, 3, 21}, B},
        TRangeCase{"Stereo8Fast", {Stereo8, 3 * B + 1001, TSignal::Noise, 2, 21}, B},
        TRangeCase{"Stereo24Normal", {Stereo24, 3 * B + 1001, TSignal::Noise, 2, 21}, B}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Pieces of work that do not match the library's frames (a library that does not tell its
// frame size, or tells another one, or frames too large for one piece) cost time, never
// bytes.
TEST_F(ReadAheadTest, PiecesNeedNotMatchTheLibrarysFrames) {
  const TApeFixtureSpec spec{Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  const std::string file = ApeFixture(spec);
  for (const int64_t frameBlocks : {int64_t{0}, int64_t{1000}, B + 1, 40 * B}) {
    for (const int threads : {0, 2, 4}) {
      SCOPED_TRACE(testing::Message()
                   << frameBlocks << " blocks a frame, " << threads << " threads");
      const std::atomic<int> count{threads};
      TApeReadAhead readAhead({{file, 100, 2 * B + 5, frameBlocks},
                               {file, 0, 0, frameBlocks},
                               {file, 3 * B, spec.Frames, frameBlocks}},
                              4, 44100, count);
      std::vector<uint8_t> got;
      std::vector<uint8_t> block(3000 * 4);
      for (int64_t frames; (frames = readAhead.Read(block.data(), 3000)) > 0;) {
        got.insert(got.end(), block.begin(), block.begin() + frames * 4);
      }
      std::vector<uint8_t> expected = Frames(pcm, 100, 2 * B + 5, 4);
      const std::vector<uint8_t> tail = Frames(pcm, 3 * B, spec.Frames, 4);
      expected.insert(expected.end(), tail.begin(), tail.end());
      EXPECT_TRUE(got == expected);
    }
  }
}

// The thread count may change between any two reads (the window's slider moves during a
// conversion): the stream goes on unbroken.
TEST_F(ReadAheadTest, ThreadCountMayChangeBetweenReads) {
  const TApeFixtureSpec spec{Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21};
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  source.BeginRead();
  const std::vector<int> counts = {2, 0, 1, 4, 0, 0, 3, 1, 2};
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> block(8192);
  for (size_t i = 0;; ++i) {
    // Every few reads; some changes land inside an APE frame, some between two.
    if (i % 37 == 0) source.SetDecodeThreads(counts[i / 37 % counts.size()]);
    const int64_t got = source.ReadData(block.data(), static_cast<int64_t>(block.size()));
    if (got == 0) break;
    pcm.insert(pcm.end(), block.begin(), block.begin() + got);
  }
  source.EndRead();
  EXPECT_TRUE(pcm == ApeFixturePcm(spec));
  source.SetDecodeThreads(-3);
  EXPECT_EQ(source.DecodeThreads(), 0);
  source.SetDecodeThreads(1000);
  EXPECT_LE(source.DecodeThreads(), 64);
}

// ---- A damaged frame fails the read where it is, after everything before it ----

// A frame of a file made by jmac: its bytes lie between two entries of the seek table, which
// follows the 52-byte descriptor and the 24-byte header.
size_t FrameOffset(const std::vector<uint8_t>& File, int Frame) {
  const size_t at = 52 + 24 + 4 * static_cast<size_t>(Frame);
  return static_cast<size_t>(File[at] | (File[at + 1] << 8) | (File[at + 2] << 16) |
                             (static_cast<uint32_t>(File[at + 3]) << 24));
}

struct TDamageCase {
  const char* Name;
  TApeFixtureSpec Spec;
  int64_t FrameBlocks;
  int DamagedFrame;
  bool Cut;  // the file ends inside that frame; else a bit of it is flipped
};

class ReadAheadDamageTest : public ReadAheadTest,
                            public ::testing::WithParamInterface<TDamageCase> {
 protected:
  // The damaged copy of the fixture.
  std::string Damaged() {
    const TDamageCase& c = GetParam();
    std::vector<uint8_t> file = test::ReadFileBytes(ApeFixture(c.Spec));
    const size_t from = FrameOffset(file, c.DamagedFrame);
    const size_t to = FrameOffset(file, c.DamagedFrame + 1);
    if (c.Cut) {
      file.resize((from + to) / 2);
    } else {
      file[(from + to) / 2] ^= 0x10;
    }
    const std::string path = Dir.File("damaged.ape");
    test::WriteFileBytes(path, file);
    return path;
  }
  test::TScratchDir Dir;
};

TEST_P(ReadAheadDamageTest, FailsAtTheDamagedFrameAfterEverythingBeforeIt) {
  const TDamageCase& c = GetParam();
  const std::string damaged = Damaged();
  const std::string whole = ApeFixture(c.Spec);
  const std::vector<uint8_t> pcm = ApeFixturePcm(c.Spec);
  const int fb = c.Spec.Format.FrameBytes();
  const int64_t bad = c.DamagedFrame * c.FrameBlocks;  // the damaged frame's first block
  const std::string code =
      c.Cut ? "MACDll error: I/O read error" : "MACDll error: decompressing frame";
  for (const int threads : ThreadCounts) {
    TMACIn source;
    source.SetDecodeThreads(threads);
    source.SetFileName(damaged);
    for (const int64_t start : {int64_t{0}, bad - c.FrameBlocks / 2, bad}) {
      SCOPED_TRACE(testing::Message() << threads << " threads, from " << start);
      {
        const TPass pass = ReadPass(source, start, -1, threads % 2 == 0 ? 8192 : 1000);
        ASSERT_TRUE(pass.Failure.has_value());
        EXPECT_EQ(pass.Failure->what(), code);
        EXPECT_EQ(pass.Failure->FileName(), damaged);
        EXPECT_EQ(pass.Failure->Frame(), bad);
        EXPECT_TRUE(pass.Pcm == Frames(pcm, start, bad, fb))
            << pass.Pcm.size() / fb << " frames handed out, " << bad - start << " expected";
      }
    }
    // A cue track whose audio runs on into the damaged file fails there with that file's
    // name; the file after it is never reached.
    SCOPED_TRACE(testing::Message() << threads << " threads, segments");
    source.SetSegments({{whole, c.Spec.Frames - 1000, -1}, {damaged, 0, -1}, {whole, 0, -1}});
    source.BeginRead();
    const TPass pass = ReadToEnd(source, 8192);
    source.EndRead();
    ASSERT_TRUE(pass.Failure.has_value());
    EXPECT_EQ(pass.Failure->FileName(), damaged);
    EXPECT_EQ(pass.Failure->Frame(), bad);
    std::vector<uint8_t> expected = Frames(pcm, c.Spec.Frames - 1000, c.Spec.Frames, fb);
    const std::vector<uint8_t> head = Frames(pcm, 0, bad, fb);
    expected.insert(expected.end(), head.begin(), head.end());
    EXPECT_TRUE(pass.Pcm == expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadAheadDamageTest,
    ::testing::Values(
        TDamageCase{
            "Stereo16SecondFrame", {Stereo16, 3 * B + 1234, TSignal::Noise, 2, 7}, B, 1, false},
        TDamageCase{
            "Stereo16ThirdFrameCut", {Stereo16, 3 * B + 1234, TSignal::Noise, 2, 7}, B, 2, true},
        TDamageCase{"Stereo24High", {Stereo24, 3 * B + 5, TSignal::Noise, 3, 7}, B, 2, false},
        TDamageCase{"Mono16High", {Mono16, 3 * B + 9, TSignal::Noise, 3, 7}, B, 1, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Seeks and ends of a read pass cancel the read-ahead ----

TEST_F(ReadAheadTest, SeekDuringAReadContinuesFromTheTarget) {
  const TApeFixtureSpec spec{Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  const int fb = Stereo16.FrameBytes();
  for (const int threads : ThreadCounts) {
    TMACIn source;
    source.SetDecodeThreads(threads);
    source.SetFileName(ApeFixture(spec));
    for (const int64_t target : {int64_t{3}, B - 1, 2 * B, B + 7}) {
      SCOPED_TRACE(testing::Message() << threads << " threads, to " << target);
      // The head of a range of head + B frames goes out; the other B come from the target on.
      const int64_t head = 5120;
      source.SetStartSample(100);
      source.SetEndSample(100 + head + B);
      source.BeginRead();
      TPass pass = ReadToEnd(source, 4096, head * fb);
      ASSERT_EQ(static_cast<int64_t>(pass.Pcm.size()), head * fb);
      ASSERT_TRUE(source.SeekSample(target));
      const TPass rest = ReadToEnd(source, 8192);
      EXPECT_EQ(source.Position(), source.Size());
      source.EndRead();
      EXPECT_FALSE(rest.Failure.has_value());
      std::vector<uint8_t> expected = Frames(pcm, 100, 100 + head, fb);
      const std::vector<uint8_t> after = Frames(pcm, target, target + B, fb);
      expected.insert(expected.end(), after.begin(), after.end());
      pass.Pcm.insert(pass.Pcm.end(), rest.Pcm.begin(), rest.Pcm.end());
      EXPECT_TRUE(pass.Pcm == expected);
    }
    // What is left runs past the end of the file: the data ends early, and says so there.
    source.SetStartSample(0);
    source.SetEndSample(-1);
    source.BeginRead();
    ReadToEnd(source, 8192, 8192);
    ASSERT_TRUE(source.SeekSample(2 * B));
    const TPass past = ReadToEnd(source, 8192);
    source.EndRead();
    ASSERT_TRUE(past.Failure.has_value());
    EXPECT_EQ(past.Failure->Frame(), spec.Frames);
    EXPECT_TRUE(past.Pcm == Frames(pcm, 2 * B, spec.Frames, fb));
    // A target outside the file moves nothing.
    source.BeginRead();
    EXPECT_FALSE(source.SeekSample(spec.Frames + 1));
    EXPECT_TRUE(ReadToEnd(source, 8192).Pcm == pcm);
    source.EndRead();
  }
}

TEST_F(ReadAheadTest, SegmentedPassIsNotRepositioned) {
  const TApeFixtureSpec spec{Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21};
  const std::string file = ApeFixture(spec);
  TMACIn source;
  source.SetSegments({{file, 0, 1000}, {file, 2000, 3000}});
  source.BeginRead();
  EXPECT_FALSE(source.SeekSample(5000));
  const TPass pass = ReadToEnd(source, 8192);
  source.EndRead();
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  std::vector<uint8_t> expected = Frames(pcm, 0, 1000, 4);
  const std::vector<uint8_t> second = Frames(pcm, 2000, 3000, 4);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_TRUE(pass.Pcm == expected);
}

// Ending a read pass, or destroying the source, in the middle of the stream while the
// threads decode ahead: both return once the frames in progress are done, and the source
// reads again from scratch.
TEST_F(ReadAheadTest, EndingOrDestroyingMidStreamStopsTheThreads) {
  using namespace std::chrono;
  const TApeFixtureSpec spec{Stereo16, 3 * B + 1001, TSignal::Noise, 2, 21};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  for (const int threads : {1, 2, 4}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    auto source = std::make_unique<TMACIn>();
    source->SetDecodeThreads(threads);
    source->SetFileName(ApeFixture(spec));
    for (const int64_t read : {int64_t{0}, int64_t{8192}, B * 4 + 8192}) {
      source->BeginRead();
      EXPECT_EQ(ReadToEnd(*source, 8192, read).Pcm.size(), static_cast<size_t>(read));
      source->EndRead();
      EXPECT_EQ(source->OpenCount(), 0);
    }
    EXPECT_TRUE(ReadPass(*source, 2 * B - 10, 2 * B + 10, 8192).Pcm ==
                Frames(pcm, 2 * B - 10, 2 * B + 10, 4));
    source->BeginRead();
    ReadToEnd(*source, 8192, 8192);
    const auto start = steady_clock::now();
    source.reset();
    // A few frames decode in well under this, even under a sanitizer.
    EXPECT_LT(steady_clock::now() - start, 30s);
  }
}

}  // namespace
}  // namespace corvane
