// The Monkey's Audio file source: whole files and ranges bit for bit against the PCM the
// fixtures were made from, its buffer and loop, and the failures a user can run into.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ACSException.h"
#include "ApeFixtures.h"
#include "ChildProcess.h"
#include "MACIn.h"
#include "ScratchDir.h"
#include "SourceError.h"
#include "WavFile.h"

namespace corvane {
namespace test {

void PrintTo(const TPcmFormat& Format, std::ostream* Out) {
  *Out << Format.BitsPerSample << "-bit " << Format.Channels << "ch " << Format.SampleRate << " Hz";
}

}  // namespace test
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

constexpr int64_t NormalFrameBlocks = test::kNormalFrameBlocks;

class MACInTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadMACDll()); }
};

// Everything the source delivers in one read pass, in calls of Chunk bytes. Stops at the
// first 0 (checking that the next call gives 0 again) or after Limit bytes.
std::vector<uint8_t> ReadAll(TMACIn& Source, int64_t Chunk, int64_t Limit = INT64_MAX) {
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> block(static_cast<size_t>(Chunk));
  while (static_cast<int64_t>(pcm.size()) < Limit) {
    const int64_t got = Source.ReadData(block.data(), Chunk);
    EXPECT_GE(got, 0);
    EXPECT_LE(got, std::min<int64_t>(Chunk, 8192));
    if (got <= 0) {
      EXPECT_EQ(Source.ReadData(block.data(), Chunk), 0);
      break;
    }
    pcm.insert(pcm.end(), block.begin(), block.begin() + got);
  }
  return pcm;
}

std::vector<uint8_t> ReadRange(TMACIn& Source, int64_t Start, int64_t End, int64_t Chunk) {
  Source.SetStartSample(Start);
  Source.SetEndSample(End);
  Source.BeginRead();
  std::vector<uint8_t> pcm = ReadAll(Source, Chunk);
  EXPECT_EQ(Source.Position(), Source.Size());
  Source.EndRead();
  return pcm;
}

std::vector<uint8_t> Frames(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                            int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + To * FrameBytes};
}

// The message of the exception Action raises, or "" when it raises none.
template <typename E, typename F>
std::string MessageOf(F Action) {
  try {
    Action();
  } catch (const E& Error) {
    return Error.what();
  }
  return "";
}

class MACInWholeFileTest : public MACInTest,
                           public ::testing::WithParamInterface<TApeFixtureSpec> {};

TEST_P(MACInWholeFileTest, DeliversTheEncodedPcmBitForBit) {
  const TApeFixtureSpec& spec = GetParam();
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  EXPECT_EQ(source.BitsPerSample(), spec.Format.BitsPerSample);
  EXPECT_EQ(source.Channels(), spec.Format.Channels);
  EXPECT_EQ(source.SampleRate(), spec.Format.SampleRate);
  EXPECT_EQ(source.TotalTime(), 2);
  EXPECT_EQ(source.TotalSamples(), spec.Frames);
  EXPECT_EQ(source.OpenCount(), 0);
  source.BeginRead();
  EXPECT_EQ(source.Size(), spec.Frames * spec.Format.FrameBytes());
  std::vector<uint8_t> pcm;
  const std::string error = MessageOf<EAPEException>([&] { pcm = ReadAll(source, 18432); });
  source.EndRead();
  EXPECT_EQ(source.OpenCount(), 0);
  EXPECT_EQ(error, "");
  EXPECT_EQ(source.Position(), source.Size());
  EXPECT_TRUE(pcm == ApeFixturePcm(spec)) << "the decoded PCM differs";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MACInWholeFileTest,
                         ::testing::ValuesIn(test::WholeFileFixtures()),
                         [](const auto& Info) { return test::FixtureCaseName(Info.param); });

// Files longer than one APE frame at the levels with the largest frames.
TEST_F(MACInTest, DeliversLongFilesOfTheHighLevels) {
  for (int level : {4, 5}) {
    const int64_t frameBlocks = level == 4 ? 4 * NormalFrameBlocks : 16 * NormalFrameBlocks;
    const TApeFixtureSpec spec{Stereo16, frameBlocks + 12347, TSignal::Tone, level, 5};
    SCOPED_TRACE(level);
    TMACIn source;
    source.SetFileName(ApeFixture(spec));
    const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
    EXPECT_TRUE(ReadRange(source, 0, -1, 8192) == pcm);
    EXPECT_TRUE(ReadRange(source, frameBlocks - 1, frameBlocks + 1, 8192) ==
                Frames(pcm, frameBlocks - 1, frameBlocks + 1, 4));
  }
}

// Ranges of many shapes: on and around APE frame boundaries, inside one buffer, at the ends.
class MACInRangeTest : public MACInTest, public ::testing::WithParamInterface<TPcmFormat> {};

TEST_P(MACInRangeTest, DeliversExactlyTheFramesOfTheRange) {
  const TPcmFormat& format = GetParam();
  const int64_t b = NormalFrameBlocks;
  const TApeFixtureSpec spec{format, 3 * b + 1001, TSignal::Noise, 2, 21};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  const int frameBytes = format.FrameBytes();
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  const int64_t total = spec.Frames;
  struct TRange {
    int64_t Start, End;
  };
  const std::vector<TRange> ranges = {{0, 1},
                                      {0, b},
                                      {0, b + 1},
                                      {b - 1, b},
                                      {b, b + 1},
                                      {b - 1, b + 1},
                                      {b + 1, 2 * b - 1},
                                      {1, 2 * b + 1},
                                      {2 * b - 1, 2 * b + 2},
                                      {5000, 5003},
                                      {b - 700, b + 700},
                                      {12345, 3 * b},
                                      {3 * b, total},
                                      {total - 1, total},
                                      {7, total},
                                      {0, total},
                                      {b, b},
                                      {total, total},
                                      {2 * b + 1, -1},
                                      {total - 3, -1}};
  for (const TRange& r : ranges) {
    SCOPED_TRACE(testing::Message() << r.Start << ".." << r.End);
    const int64_t end = r.End == -1 ? total : r.End;
    for (int64_t chunk : {int64_t{8192}, int64_t{1000}}) {
      const std::vector<uint8_t> got = ReadRange(source, r.Start, r.End, chunk);
      ASSERT_EQ(static_cast<int64_t>(got.size()), (end - r.Start) * frameBytes);
      EXPECT_TRUE(got == Frames(pcm, r.Start, end, frameBytes));
    }
  }
}

// Cue-sheet tracks: cutting the file at several points and joining the pieces gives the
// whole file back, with no frame lost or doubled at a cut.
TEST_P(MACInRangeTest, PiecesJoinIntoTheWholeFile) {
  const TPcmFormat& format = GetParam();
  const int64_t b = NormalFrameBlocks;
  const TApeFixtureSpec spec{format, 3 * b + 1001, TSignal::Tone, 3, 4};
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  const std::vector<int64_t> cuts = {0, 1, 4410, b - 1, b + 1, 2 * b, 2 * b + 3333, -1};
  std::vector<uint8_t> joined;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    const std::vector<uint8_t> piece = ReadRange(source, cuts[i], cuts[i + 1], 18432);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  EXPECT_TRUE(joined == ApeFixturePcm(spec));
}

INSTANTIATE_TEST_SUITE_P(Formats, MACInRangeTest,
                         ::testing::Values(Stereo16, Mono16, Stereo8, Stereo24),
                         [](const auto& Info) { return test::FormatCaseName(Info.param); });

// Real files carry tags: an APE tag and an ID3v1 tag after the audio, now and then an ID3v2
// tag before it.
TEST_F(MACInTest, ReadsFilesWithTagsAroundTheAudio) {
  const TApeFixtureSpec spec{Stereo16, NormalFrameBlocks + 999, TSignal::Tone, 2, 6};
  const std::vector<uint8_t> ape = test::ReadFileBytes(ApeFixture(spec));
  const auto le32 = [](std::vector<uint8_t>& To, uint32_t Value) {
    for (int i = 0; i < 4; ++i) To.push_back(static_cast<uint8_t>(Value >> (8 * i)));
  };
  std::vector<uint8_t> id3v2 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 100};
  id3v2.resize(id3v2.size() + 100);
  std::vector<uint8_t> apeTag;
  le32(apeTag, 5);
  le32(apeTag, 0);
  for (char c : std::string("Title\0Hello", 11)) apeTag.push_back(static_cast<uint8_t>(c));
  const auto itemBytes = static_cast<uint32_t>(apeTag.size());
  for (char c : std::string("APETAGEX")) apeTag.push_back(static_cast<uint8_t>(c));
  for (uint32_t field : {2000u, itemBytes + 32, 1u, 0u, 0u, 0u}) le32(apeTag, field);
  std::vector<uint8_t> id3v1 = {'T', 'A', 'G'};
  id3v1.resize(128, 'x');

  std::vector<uint8_t> tagged = id3v2;
  tagged.insert(tagged.end(), ape.begin(), ape.end());
  tagged.insert(tagged.end(), apeTag.begin(), apeTag.end());
  tagged.insert(tagged.end(), id3v1.begin(), id3v1.end());
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("tagged.ape"), tagged);
  TMACIn source;
  source.SetFileName(dir.File("tagged.ape"));
  EXPECT_TRUE(ReadRange(source, 0, -1, 8192) == ApeFixturePcm(spec));
}

TEST_F(MACInTest, HandsOutWhatIsBufferedInWholeFrames) {
  const TApeFixtureSpec spec{Stereo16, 50001, TSignal::Tone, 2, 1};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  source.BeginRead();
  std::vector<uint8_t> block(18432);
  EXPECT_EQ(source.ReadData(block.data(), 18432), 8192);
  EXPECT_EQ(source.ReadData(block.data(), 100), 100);
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + 100, pcm.begin() + 8192));
  EXPECT_EQ(source.ReadData(block.data(), 18432), 8092);
  EXPECT_EQ(source.Position(), 16384);
  source.EndRead();

  // 6-byte frames: a refill stops where the next frame would not fit.
  const TApeFixtureSpec deep{Stereo24, 50001, TSignal::Tone, 2, 1};
  source.SetFileName(ApeFixture(deep));
  source.BeginRead();
  EXPECT_EQ(source.ReadData(block.data(), 18432), 8190);
  source.EndRead();
}

TEST_F(MACInTest, ReadsBeforeAndDuringAReadPassAreRefusedOrCounted) {
  TMACIn source;
  std::vector<uint8_t> block(100);
  EXPECT_EQ(MessageOf<EACSException>([&] { source.ReadData(block.data(), 100); }),
            "The Stream is not opened");
  EXPECT_EQ(MessageOf<EACSException>([&] { source.BeginRead(); }), "The file name is not assigned");
  source.SetFileName(ApeFixture({}));
  source.BeginRead();
  EXPECT_EQ(source.OpenCount(), 1);
  EXPECT_EQ(source.SampleRate(), 44100);
  EXPECT_EQ(source.Channels(), 2);
  EXPECT_EQ(source.OpenCount(), 1);
  EXPECT_EQ(MessageOf<EACSException>([&] { source.BeginRead(); }), "The component is Busy");
  source.EndRead();
  EXPECT_EQ(source.OpenCount(), 0);
  EXPECT_FALSE(source.Busy());
}

TEST_F(MACInTest, LoopsBackToTheStartOfTheRange) {
  const TApeFixtureSpec spec{Mono16, 30011, TSignal::Noise, 2, 9};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  source.SetLoop(true);
  struct TRange {
    int64_t Start, End;
  };
  // The whole file loops with its last, partly filled buffer intact.
  for (const TRange& r : {TRange{0, -1}, TRange{1000, 1003}, TRange{2000, 12001}}) {
    SCOPED_TRACE(r.Start);
    const int64_t end = r.End == -1 ? spec.Frames : r.End;
    const std::vector<uint8_t> once = Frames(pcm, r.Start, end, 2);
    source.SetStartSample(r.Start);
    source.SetEndSample(r.End);
    source.BeginRead();
    const auto size = static_cast<int64_t>(once.size());
    const std::vector<uint8_t> got = ReadAll(source, 999, 3 * size);
    ASSERT_EQ(static_cast<int64_t>(got.size()), 3 * size);
    for (int lap = 0; lap < 3; ++lap) {
      EXPECT_TRUE(std::equal(once.begin(), once.end(), got.begin() + lap * size)) << lap;
    }
    EXPECT_LE(source.Position(), size);
    source.EndRead();
  }
  source.SetStartSample(5);
  source.SetEndSample(5);
  source.BeginRead();
  std::vector<uint8_t> block(100);
  EXPECT_EQ(source.ReadData(block.data(), 100), 0);
  source.EndRead();
}

TEST_F(MACInTest, RefusesARangeOutsideTheFile) {
  const TApeFixtureSpec spec{Stereo16, 20000, TSignal::Tone, 1, 1};
  TMACIn source;
  source.SetFileName(ApeFixture(spec));
  struct TRange {
    int64_t Start, End;
  };
  for (const TRange& r : {TRange{0, 20001}, TRange{20001, -1}, TRange{-1, 100},
                          TRange{19000, 30000}, TRange{0, -2}}) {
    SCOPED_TRACE(testing::Message() << r.Start << ".." << r.End);
    source.SetStartSample(r.Start);
    source.SetEndSample(r.End);
    EXPECT_EQ(MessageOf<EACSException>([&] { source.BeginRead(); }),
              "The sample range lies outside the file");
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.OpenCount(), 0);
  }
  // Up to the very end is inside.
  EXPECT_EQ(ReadRange(source, 19999, 20000, 8192).size(), 4u);
}

// A cue track spread over files: ranges of three files read as one stream, inside APE frames
// and across them, with an empty range among them; then the single range works as before.
TEST_F(MACInTest, SegmentsOfSeveralFilesReadAsOneStream) {
  const TApeFixtureSpec a{Stereo16, NormalFrameBlocks + 5000, TSignal::Tone, 2, 21};
  const TApeFixtureSpec b{Stereo16, 30000, TSignal::Noise, 2, 22};
  const TApeFixtureSpec c{Stereo16, 20000, TSignal::Tone, 1, 23};
  const int fb = Stereo16.FrameBytes();
  const std::vector<uint8_t> pa = ApeFixturePcm(a), pb = ApeFixturePcm(b), pc = ApeFixturePcm(c);
  TMACIn source;
  source.SetSegments({{ApeFixture(a), NormalFrameBlocks - 100, -1},
                      {ApeFixture(b), 0, -1},
                      {ApeFixture(c), 0, 0},
                      {ApeFixture(c), 0, 777}});
  EXPECT_EQ(source.FileName(), ApeFixture(a));
  std::vector<uint8_t> expected = Frames(pa, NormalFrameBlocks - 100, a.Frames, fb);
  expected.insert(expected.end(), pb.begin(), pb.end());
  const std::vector<uint8_t> head = Frames(pc, 0, 777, fb);
  expected.insert(expected.end(), head.begin(), head.end());
  for (int64_t chunk : {int64_t{1000}, int64_t{8192}}) {
    source.BeginRead();
    EXPECT_EQ(source.Size(), static_cast<int64_t>(expected.size()));
    EXPECT_TRUE(ReadAll(source, chunk) == expected) << "chunk " << chunk;
    source.EndRead();
    EXPECT_EQ(source.OpenCount(), 0);
  }

  // A missing file or a range past a file's end is refused before anything is read.
  source.SetSegments({{ApeFixture(a), 0, 10}, {ApeFixture(c), 0, c.Frames + 1}});
  EXPECT_NE(MessageOf<EACSException>([&] { source.BeginRead(); }), "");
  source.SetSegments({{ApeFixture(a), 0, 10}, {"/nonexistent/x.ape", 0, -1}});
  EXPECT_THROW(source.BeginRead(), std::exception);
  EXPECT_FALSE(source.Busy());
  EXPECT_EQ(source.OpenCount(), 0);

  source.SetSegments({});
  source.SetFileName(ApeFixture(c));
  EXPECT_TRUE(ReadRange(source, 100, 200, 8192) == Frames(pc, 100, 200, fb));
}

TEST_F(MACInTest, SegmentsOfDifferentFormatsAreRefused) {
  TMACIn source;
  source.SetSegments({{ApeFixture({Stereo16, 20000, TSignal::Tone, 1, 1}), 0, -1},
                      {ApeFixture({Mono16, 20000, TSignal::Tone, 1, 1}), 0, -1}});
  EXPECT_NE(MessageOf<EACSException>([&] { source.BeginRead(); }).find("differ in format"),
            std::string::npos);
  EXPECT_EQ(source.OpenCount(), 0);
}

// Files a user may hand the converter by mistake, or that broke on the way: each ends in an
// error naming the problem, never in short data passed off as the whole file.
TEST_F(MACInTest, RefusesFilesThatAreNotMonkeysAudio) {
  test::TScratchDir dir;
  test::WriteWav(dir.File("wav.ape"), Stereo16, ApeFixturePcm({}));
  // A FLAC stream's marker and STREAMINFO header.
  test::WriteFileBytes(dir.File("flac.ape"),
                       {'f', 'L', 'a', 'C', 0x80, 0, 0, 34,   0x10, 0,    0x10,
                        0,   0,   0,   0,   0,    0, 0, 0x0a, 0xc4, 0x42, 0xf0});
  test::WriteFileBytes(dir.File("text.ape"), {'T', 'I', 'T', 'L', 'E', ' ', '"', 'x', '"', '\n'});
  struct TBadFile {
    std::string Path;
    std::string Message;
  };
  for (const TBadFile& bad : {TBadFile{dir.File("wav.ape"), "MACDll error: invalid input file"},
                              TBadFile{dir.File("flac.ape"), "MACDll error: invalid input file"},
                              TBadFile{dir.File("text.ape"), "MACDll error: invalid input file"},
                              TBadFile{dir.File("missing.ape"), "MACDll error: I/O read error"}}) {
    SCOPED_TRACE(bad.Path);
    TMACIn source;
    source.SetFileName(bad.Path);
    EXPECT_EQ(MessageOf<EAPEException>([&] { source.BeginRead(); }), bad.Message);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.OpenCount(), 0);
    EXPECT_EQ(MessageOf<EAPEException>([&] { source.SampleRate(); }), bad.Message);
    EXPECT_EQ(source.OpenCount(), 0);
  }
}

TEST_F(MACInTest, RefusesAFileItMayNotRead) {
  test::TScratchDir dir;
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
  const std::string file = dir.Copy(ApeFixture({}), "locked.ape");
  std::filesystem::permissions(file, std::filesystem::perms::owner_write);
  const std::string verdict = test::RunInChild({.DropRoot = true}, [&] {
    TMACIn source;
    source.SetFileName(file);
    const std::string message = MessageOf<EAPEException>([&] { source.BeginRead(); });
    return message == "MACDll error: I/O read error" ? "" : "got \"" + message + "\"";
  });
  EXPECT_EQ(verdict, "");
}

struct TDamageCase {
  TPcmFormat Format;
  int Level;
  bool Cut;  // else bytes overwritten in the middle of the audio
};

void PrintTo(const TDamageCase& Case, std::ostream* Out) {
  test::PrintTo(Case.Format, Out);
  *Out << " c" << Case.Level << (Case.Cut ? " cut" : " overwritten");
}

class MACInDamageTest : public MACInTest, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(MACInDamageTest, RaisesInsteadOfEndingQuietly) {
  const TDamageCase& c = GetParam();
  const TApeFixtureSpec spec{c.Format, 2 * NormalFrameBlocks + 555, TSignal::Tone, c.Level, 2};
  std::vector<uint8_t> bytes = test::ReadFileBytes(ApeFixture(spec));
  const size_t middle = bytes.size() / 2;
  if (c.Cut) {
    bytes.resize(middle);
  } else {
    for (size_t i = 0; i < 8; ++i) bytes[middle + i] = static_cast<uint8_t>(0x33 * i + 1);
  }
  test::TScratchDir dir;
  const std::string file = dir.File("damaged.ape");
  test::WriteFileBytes(file, bytes);
  TMACIn source;
  source.SetFileName(file);
  source.BeginRead();
  std::vector<uint8_t> block(8192);
  int64_t total = 0;
  const std::string message = MessageOf<EAPEException>([&] {
    for (int64_t got; (got = source.ReadData(block.data(), 8192)) > 0;) total += got;
  });
  EXPECT_LT(total, source.Size());
  if (c.Cut) {
    EXPECT_TRUE(message == "MACDll error: decompressing frame" ||
                message == "MACDll error: I/O read error")
        << message;
  } else {
    EXPECT_EQ(message, "MACDll error: decompressing frame");
  }
  source.EndRead();
  EXPECT_EQ(source.OpenCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MACInDamageTest,
    ::testing::Values(TDamageCase{Stereo16, 2, true}, TDamageCase{Stereo16, 2, false},
                      TDamageCase{Stereo16, 4, false}, TDamageCase{Mono16, 1, false},
                      TDamageCase{Stereo8, 3, false}, TDamageCase{Stereo8, 3, true},
                      TDamageCase{Stereo24, 5, false}, TDamageCase{Stereo24, 5, true}),
    [](const auto& Info) {
      const TDamageCase& c = Info.param;
      return test::FormatCaseName(c.Format) + "_c" + std::to_string(c.Level) +
             (c.Cut ? "_Cut" : "_Overwritten");
    });

// Damage the frames' checksums cannot catch: a seek table that sends a frame to other bytes, a
// header that disagrees with the WAV header the file keeps, a rate no FLAC file carries. The
// file is refused as it opens, naming itself and what is wrong; a range starting in frame 7,
// as a cue track's would, never delivers frame 6's audio in its place.
struct THeaderDamageCase {
  const char* Name;
  void (*Damage)(test::TApeBytes& File);
  TSourceFault Fault;  // Unknown: the file is intact
  const char* Message;
};

void PrintTo(const THeaderDamageCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class MACInHeaderDamageTest : public MACInTest,
                              public ::testing::WithParamInterface<THeaderDamageCase> {};

TEST_P(MACInHeaderDamageTest, RefusesTheFileAsItOpens) {
  const THeaderDamageCase& c = GetParam();
  constexpr int64_t b = NormalFrameBlocks;
  // Nine APE frames: frame 8, the last, is short.
  const TApeFixtureSpec spec{Mono16, 8 * b + 3001, TSignal::Noise, 1, 31};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  test::TApeBytes file{test::ReadFileBytes(ApeFixture(spec))};
  c.Damage(file);
  test::TScratchDir dir;
  const std::string path = dir.File("damaged.ape");
  test::WriteFileBytes(path, file.Bytes);

  struct TRead {
    std::vector<uint8_t> Pcm;
    std::string Message;
    TSourceFault Fault = TSourceFault::Unknown;
    std::string File;
  };
  const auto read = [&path](int64_t Start, int64_t End) {
    TRead result;
    TMACIn source;
    source.SetFileName(path);
    try {
      result.Pcm = ReadRange(source, Start, End, 8192);
    } catch (const ESourceError& E) {
      result.Message = E.what();
      result.Fault = E.Fault();
      result.File = E.FileName();
    }
    EXPECT_EQ(source.OpenCount(), 0);
    return result;
  };
  const int64_t start = 7 * b + 100;
  const int64_t end = 7 * b + 4100;
  const TRead whole = read(0, -1);
  const TRead track = read(start, end);
  EXPECT_FALSE(track.Pcm == Frames(pcm, start - b, end - b, 2)) << "frame 6 in frame 7's place";
  if (c.Fault == TSourceFault::Unknown) {
    EXPECT_EQ(whole.Message, "");
    EXPECT_TRUE(whole.Pcm == pcm);
    EXPECT_TRUE(track.Pcm == Frames(pcm, start, end, 2));
    return;
  }
  for (const TRead* refused : {&whole, &track}) {
    EXPECT_EQ(refused->Message, c.Message);
    EXPECT_EQ(refused->Fault, c.Fault);
    EXPECT_EQ(refused->File, path);
    EXPECT_TRUE(refused->Pcm.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, MACInHeaderDamageTest,
    ::testing::Values(
        THeaderDamageCase{"Intact", [](test::TApeBytes&) {}, TSourceFault::Unknown, ""},
        THeaderDamageCase{"SeekEntryPointsBack",
                          [](test::TApeBytes& F) { F.SetFrameOffset(7, F.FrameOffset(6)); },
                          TSourceFault::Damaged, "MACDll error: damaged seek table"},
        THeaderDamageCase{"SeekEntryPastTheAudio",
                          [](test::TApeBytes& F) {
                            F.SetFrameOffset(8, static_cast<uint32_t>(F.Bytes.size() + 64));
                          },
                          TSourceFault::Damaged, "MACDll error: damaged seek table"},
        THeaderDamageCase{"RateBitFlipped", [](test::TApeBytes& F) { F.SetSampleRate(44100 ^ 2); },
                          TSourceFault::Damaged,
                          "MACDll error: damaged header (the header says 44102 Hz but the stored "
                          "WAV header says 44100 Hz)"},
        THeaderDamageCase{"ChannelsDisagree", [](test::TApeBytes& F) { F.SetChannels(2); },
                          TSourceFault::Damaged,
                          "MACDll error: damaged header (the header says 2 channels but the "
                          "stored WAV header says 1 channel)"},
        THeaderDamageCase{"DepthDisagrees", [](test::TApeBytes& F) { F.SetBitsPerSample(24); },
                          TSourceFault::Damaged,
                          "MACDll error: damaged header (the header says 24-bit but the stored "
                          "WAV header says 16-bit)"},
        THeaderDamageCase{"RateZero",
                          [](test::TApeBytes& F) {
                            F.SetSampleRate(0);
                            F.SetWavSampleRate(0);
                          },
                          TSourceFault::Unsupported, "Sample rate 0 Hz cannot be written to FLAC"},
        THeaderDamageCase{"RateAllOnes",
                          [](test::TApeBytes& F) {
                            F.SetSampleRate(0xffffffff);
                            F.SetWavSampleRate(0xffffffff);
                          },
                          TSourceFault::Unsupported,
                          "Sample rate 4294967295 Hz cannot be written to FLAC"},
        THeaderDamageCase{"RateAboveFlac",
                          [](test::TApeBytes& F) {
                            F.SetSampleRate(700000);
                            F.SetWavSampleRate(700000);
                          },
                          TSourceFault::Unsupported,
                          "Sample rate 700000 Hz cannot be written to FLAC"},
        // Above 65535 Hz a FLAC frame header counts in tens of hertz.
        THeaderDamageCase{"RateBetweenTensWithoutWavHeader",
                          [](test::TApeBytes& F) {
                            F.SetNoWavHeader();
                            F.SetSampleRate(96001);
                          },
                          TSourceFault::Unsupported,
                          "Sample rate 96001 Hz cannot be written to FLAC"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(MACInTest, ReadsTheReferenceEncodersFiles) {
  const std::string data = CORVANE_SHARED_TESTDATA;
  if (!std::filesystem::exists(data)) GTEST_SKIP() << "no " << data;
  TMACIn source;
  for (const char* name : {"mac-396.ape", "mac-399.ape"}) {
    SCOPED_TRACE(name);
    source.SetFileName(data + "/" + name);
    EXPECT_EQ(source.SampleRate(), 44100);
    EXPECT_EQ(source.TotalTime(), 3);
    EXPECT_EQ(source.TotalSamples(), 162496);
    EXPECT_EQ(ReadRange(source, 0, -1, 4096), std::vector<uint8_t>(649984, 0));
  }
  // The header of a 15-second file whose audio is missing.
  source.SetFileName(data + "/mac-390-hdr.ape");
  source.BeginRead();
  EXPECT_EQ(source.Size(), 689262 * 4);
  std::vector<uint8_t> block(4096);
  EXPECT_NE(MessageOf<EAPEException>([&] { source.ReadData(block.data(), 4096); }), "");
  source.EndRead();
}

TEST(MACInWithoutLibraryTest, CannotBeCreated) {
  UnloadMACDll();
  EXPECT_EQ(MessageOf<EACSException>([] { TMACIn source; }),
            "libMACDll.so library could not be loaded.");
  EXPECT_TRUE(LoadMACDll());
  EXPECT_NO_THROW(TMACIn source);
}

}  // namespace
}  // namespace corvane
