// The TTA file source: ranges, several files as one stream and seeks during a pass, bit for bit
// against the PCM ffmpeg encoded; and the faults a user meets, as the audio layer's causes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ACSException.h"
#include "ScratchDir.h"
#include "SourceError.h"
#include "TTAIn.h"
#include "TtaCrc.h"
#include "TtaFixtures.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::TSignal;
using test::TTtaFixtureSpec;

constexpr int64_t F = test::TtaFrameSamples(44100);
const TTtaFixtureSpec kStereo{{16, 2, 44100}, 3 * F + 1001, TSignal::Noise, 31};

std::vector<uint8_t> Frames(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                            int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + To * FrameBytes};
}

// What a pass hands out from here on, in reads of Chunk bytes, and the error that ended it.
struct TPass {
  std::vector<uint8_t> Pcm;
  std::optional<ESourceError> Failure;
};

TPass ReadToEnd(TTTAIn& Source, int64_t Chunk, int64_t Limit = INT64_MAX) {
  TPass pass;
  std::vector<uint8_t> block(static_cast<size_t>(Chunk));
  try {
    for (int64_t got; static_cast<int64_t>(pass.Pcm.size()) < Limit &&
                      (got = Source.ReadData(block.data(), Chunk)) > 0;) {
      pass.Pcm.insert(pass.Pcm.end(), block.begin(), block.begin() + got);
    }
  } catch (const ESourceError& Error) {
    pass.Failure = Error;
  }
  return pass;
}

std::vector<uint8_t> ReadRange(TTTAIn& Source, int64_t Start, int64_t End, int64_t Chunk) {
  Source.SetStartSample(Start);
  Source.SetEndSample(End);
  Source.BeginRead();
  const TPass pass = ReadToEnd(Source, Chunk);
  EXPECT_FALSE(pass.Failure.has_value());
  EXPECT_EQ(Source.Position(), Source.Size());
  Source.EndRead();
  EXPECT_EQ(Source.OpenCount(), 0);
  return pass.Pcm;
}

TEST(TTAInTest, DeliversExactlyTheFramesOfEveryRange) {
  const std::vector<uint8_t> pcm = test::TtaFixturePcm(kStereo);
  TTTAIn source;
  source.SetFileName(test::TtaFixture(kStereo));
  EXPECT_EQ(source.BitsPerSample(), 16);
  EXPECT_EQ(source.Channels(), 2);
  EXPECT_EQ(source.SampleRate(), 44100);
  EXPECT_EQ(source.TotalTime(), 3);
  EXPECT_EQ(source.TotalSamples(), kStereo.Frames);
  EXPECT_EQ(source.OpenCount(), 0);
  const int64_t total = kStereo.Frames;
  struct TRange {
    int64_t Start, End;
  };
  for (const TRange& r : {TRange{0, -1}, TRange{0, 1}, TRange{F - 1, F + 1}, TRange{F, 2 * F},
                          TRange{2 * F + 1, -1}, TRange{total - 1, total}, TRange{5, 5}}) {
    SCOPED_TRACE(testing::Message() << r.Start << ".." << r.End);
    const int64_t end = r.End == -1 ? total : r.End;
    for (int64_t chunk : {int64_t{8192}, int64_t{1000}}) {
      EXPECT_TRUE(ReadRange(source, r.Start, r.End, chunk) == Frames(pcm, r.Start, end, 4));
    }
  }
  // 6-byte frames: a refill holds whole frames only.
  const TTtaFixtureSpec deep{{24, 2, 44100}, 20000, TSignal::Tone, 32};
  source.SetFileName(test::TtaFixture(deep));
  source.SetStartSample(0);
  source.SetEndSample(-1);
  source.BeginRead();
  std::vector<uint8_t> block(18432);
  EXPECT_EQ(source.ReadData(block.data(), 18432) % 6, 0);
  source.EndRead();
  EXPECT_TRUE(ReadRange(source, 0, -1, 4096) == test::TtaFixturePcm(deep));
}

TEST(TTAInTest, RefusesARangeOutsideTheFile) {
  TTTAIn source;
  source.SetFileName(test::TtaFixture(kStereo));
  const int64_t total = kStereo.Frames;
  struct TRange {
    int64_t Start, End;
  };
  for (const TRange& r : {TRange{0, total + 1}, TRange{total + 1, -1}, TRange{-1, 100},
                          TRange{0, -2}, TRange{200, 100}}) {
    SCOPED_TRACE(testing::Message() << r.Start << ".." << r.End);
    source.SetStartSample(r.Start);
    source.SetEndSample(r.End);
    try {
      source.BeginRead();
      ADD_FAILURE() << "began";
    } catch (const EACSException& Error) {
      EXPECT_STREQ(Error.what(), kRangeOutsideFile);
    }
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.OpenCount(), 0);
  }
}

// A cue track spread over files, an empty range among them; then a seek during a single
// range's pass, and the pass running past the file's end after one.
TEST(TTAInTest, ReadsSegmentsAsOneStreamAndSeeksDuringAPass) {
  const TTtaFixtureSpec other{{16, 2, 44100}, 30000, TSignal::Tone, 33};
  const std::vector<uint8_t> a = test::TtaFixturePcm(kStereo), b = test::TtaFixturePcm(other);
  TTTAIn source;
  source.SetSegments({{test::TtaFixture(kStereo), F - 100, -1},
                      {test::TtaFixture(other), 0, 0},
                      {test::TtaFixture(other), 0, 777}});
  std::vector<uint8_t> expected = Frames(a, F - 100, kStereo.Frames, 4);
  const std::vector<uint8_t> head = Frames(b, 0, 777, 4);
  expected.insert(expected.end(), head.begin(), head.end());
  source.BeginRead();
  EXPECT_EQ(source.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_FALSE(source.SeekSample(5000));
  EXPECT_TRUE(ReadToEnd(source, 1000).Pcm == expected);
  source.EndRead();
  source.SetSegments({{test::TtaFixture(kStereo), 0, 10}, {"/nonexistent/x.tta", 0, -1}});
  EXPECT_THROW(source.BeginRead(), ESourceError);
  EXPECT_EQ(source.OpenCount(), 0);

  source.SetSegments({});
  source.SetFileName(test::TtaFixture(kStereo));
  source.SetStartSample(100);
  source.SetEndSample(100 + 4096 + F);
  source.BeginRead();
  TPass pass = ReadToEnd(source, 4096, 4096 * 4);
  ASSERT_TRUE(source.SeekSample(2 * F - 1));
  const TPass rest = ReadToEnd(source, 8192);
  EXPECT_FALSE(rest.Failure.has_value());
  source.EndRead();
  expected = Frames(a, 100, 100 + 4096, 4);
  const std::vector<uint8_t> after = Frames(a, 2 * F - 1, 3 * F - 1, 4);
  expected.insert(expected.end(), after.begin(), after.end());
  pass.Pcm.insert(pass.Pcm.end(), rest.Pcm.begin(), rest.Pcm.end());
  EXPECT_TRUE(pass.Pcm == expected);

  source.SetStartSample(0);
  source.SetEndSample(-1);
  source.BeginRead();
  ReadToEnd(source, 8192, 8192);
  ASSERT_TRUE(source.SeekSample(3 * F));
  const TPass past = ReadToEnd(source, 8192);
  source.EndRead();
  ASSERT_TRUE(past.Failure.has_value());
  EXPECT_EQ(past.Failure->Fault(), TSourceFault::Damaged);
  EXPECT_TRUE(past.Pcm == Frames(a, 3 * F, kStereo.Frames, 4));
}

struct TFaultCase {
  const char* Name;
  // Makes the file in Dir from the fixture's bytes; returns its path.
  std::function<std::string(const test::TScratchDir& Dir, std::vector<uint8_t> Bytes)> Make;
  TSourceFault Fault;
  int64_t FailsAt;  // the first sample not delivered; -1: refused before any is read
};

void PrintTo(const TFaultCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

std::string Written(const test::TScratchDir& Dir, const std::vector<uint8_t>& Bytes) {
  test::WriteFileBytes(Dir.File("x.tta"), Bytes);
  return Dir.File("x.tta");
}

// Where frame 2 of the fixture starts: after the header, the seek table and two frames.
size_t ThirdFrame(const std::vector<uint8_t>& Bytes) {
  const auto le32 = [&](size_t At) {
    return Bytes[At] | Bytes[At + 1] << 8 | Bytes[At + 2] << 16 | uint32_t{Bytes[At + 3]} << 24;
  };
  return 22 + 4 * 4 + 4 + le32(22) + le32(26);
}

const TFaultCase kFaultCases[] = {
    {"DamagedFrame",
     [](const auto& Dir, auto Bytes) {
       Bytes[ThirdFrame(Bytes) + 100] ^= 1;
       return Written(Dir, Bytes);
     },
     TSourceFault::Damaged, 2 * F},
    {"CutShort",
     [](const auto& Dir, auto Bytes) {
       Bytes.resize(ThirdFrame(Bytes) + 10);
       return Written(Dir, Bytes);
     },
     TSourceFault::Damaged, 2 * F},
    {"HeaderCrc",
     [](const auto& Dir, auto Bytes) {
       Bytes[6] = 3;
       return Written(Dir, Bytes);
     },
     TSourceFault::Damaged, -1},
    {"ThreeChannels",
     [](const auto& Dir, auto Bytes) {
       Bytes[6] = 3;
       const uint32_t crc = ttadec::TtaCrc(Bytes.data(), 18);
       for (size_t i = 0; i < 4; ++i) Bytes[18 + i] = static_cast<uint8_t>(crc >> (8 * i));
       return Written(Dir, Bytes);
     },
     TSourceFault::Unsupported, -1},
    {"Wav",
     [](const auto& Dir, auto) {
       test::WriteWav(Dir.File("x.tta"), {16, 2, 44100}, test::TtaFixturePcm(kStereo));
       return Dir.File("x.tta");
     },
     TSourceFault::NotThisFormat, -1},
    {"Missing", [](const auto& Dir, auto) { return Dir.File("missing.tta"); },
     TSourceFault::Unreadable, -1},
};

class TTAInFaultTest : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(TTAInFaultTest, RaisesTheCauseAfterEverySampleBeforeIt) {
  const TFaultCase& c = GetParam();
  test::TScratchDir dir;
  const std::string file = c.Make(dir, test::ReadFileBytes(test::TtaFixture(kStereo)));
  TTTAIn source;
  source.SetFileName(file);
  try {
    source.BeginRead();
  } catch (const ESourceError& Error) {
    EXPECT_EQ(c.FailsAt, -1) << Error.what();
    EXPECT_EQ(Error.Fault(), c.Fault) << Error.what();
    EXPECT_EQ(Error.FileName(), file);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.OpenCount(), 0);
    EXPECT_THROW(source.SampleRate(), ESourceError);
    EXPECT_EQ(source.OpenCount(), 0);
    return;
  }
  const TPass pass = ReadToEnd(source, 8192);
  source.EndRead();
  EXPECT_EQ(source.OpenCount(), 0);
  ASSERT_TRUE(pass.Failure.has_value());
  EXPECT_EQ(pass.Failure->Fault(), c.Fault);
  EXPECT_EQ(pass.Failure->FileName(), file);
  EXPECT_DOUBLE_EQ(pass.Failure->DamagedAt(), static_cast<double>(c.FailsAt) / 44100);
  EXPECT_TRUE(pass.Pcm == Frames(test::TtaFixturePcm(kStereo), 0, c.FailsAt, 4));
}

INSTANTIATE_TEST_SUITE_P(Files, TTAInFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
