// The TTA decoder against the PCM ffmpeg's encoder was given: every depth and channel count,
// tags around the audio, seeks on and around frame boundaries, and the damaged, cut and
// foreign files it must refuse without handing out a sample it cannot vouch for.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "TtaCrc.h"
#include "TtaDecoder.h"
#include "TtaFixtures.h"
#include "WavFile.h"

namespace corvane::ttadec {
namespace {

using test::TPcmFormat;
using test::TSignal;
using test::TTtaFixtureSpec;

constexpr int64_t F = test::TtaFrameSamples(44100);

// Everything Decoder hands out from where it stands, in reads of Chunk sample frames; stops
// at the end or at the first error, which goes to Error.
std::vector<uint8_t> ReadAll(TTtaDecoder& Decoder, int64_t Chunk, std::string* Error = nullptr) {
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> block(static_cast<size_t>(Chunk * Decoder.SampleBytes()));
  try {
    for (int64_t got; (got = Decoder.Read(block.data(), Chunk)) > 0;) {
      EXPECT_LE(got, Chunk);
      pcm.insert(pcm.end(), block.begin(), block.begin() + got * Decoder.SampleBytes());
    }
  } catch (const ETtaError& E) {
    if (Error == nullptr) throw;
    *Error = E.what();
  }
  return pcm;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To, int Bytes) {
  return {Pcm.begin() + From * Bytes, Pcm.begin() + To * Bytes};
}

std::vector<uint8_t> Id3v2Tag() {
  std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 4};  // 132 bytes follow
  tag.resize(tag.size() + 132, 0);
  return tag;
}

// ffmpeg's file (the TTA data and its APEv2 tag) between an ID3v2 tag and an ID3v1 tag.
std::string Tagged(const test::TScratchDir& Dir, const std::string& File) {
  std::vector<uint8_t> bytes = Id3v2Tag();
  const std::vector<uint8_t> tta = test::ReadFileBytes(File);
  bytes.insert(bytes.end(), tta.begin(), tta.end());
  const std::vector<uint8_t> id3v1 = {'T', 'A', 'G'};
  bytes.insert(bytes.end(), id3v1.begin(), id3v1.end());
  bytes.resize(bytes.size() + 125, 'x');
  test::WriteFileBytes(Dir.File("tagged.tta"), bytes);
  return Dir.File("tagged.tta");
}

struct TFormatCase {
  TTtaFixtureSpec Spec;
  bool Tags = false;
};

void PrintTo(const TFormatCase& Case, std::ostream* Out) {
  *Out << test::TtaCaseName(Case.Spec) << (Case.Tags ? " tagged" : "");
}

class TtaFormatTest : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(TtaFormatTest, DecodesTheEncodedPcmBitForBit) {
  const TTtaFixtureSpec& spec = GetParam().Spec;
  test::TScratchDir dir;
  const std::string file =
      GetParam().Tags ? Tagged(dir, test::TtaFixture(spec)) : test::TtaFixture(spec);
  TTtaDecoder decoder(file);
  EXPECT_EQ(decoder.Channels(), spec.Format.Channels);
  EXPECT_EQ(decoder.BitsPerSample(), spec.Format.BitsPerSample);
  EXPECT_EQ(decoder.SampleRate(), spec.Format.SampleRate);
  EXPECT_EQ(decoder.Samples(), spec.Frames);
  const std::vector<uint8_t> pcm = test::TtaFixturePcm(spec);
  // Reads of an odd size end inside frames and cross them.
  EXPECT_TRUE(ReadAll(decoder, 3001) == pcm) << "the decoded PCM differs";
  ASSERT_TRUE(decoder.Seek(0));
  EXPECT_TRUE(ReadAll(decoder, F + 1) == pcm) << "the decoded PCM differs";
}

const TFormatCase kFormatCases[] = {
    {{{16, 2, 44100}, 3 * F + 1001, TSignal::Tone, 1}},
    {{{16, 1, 44100}, 2 * F + 1, TSignal::Noise, 2}},  // a last frame of one sample
    {{{16, 2, 44100}, 2 * F, TSignal::Square, 3}},     // a multiple of the frame length
    // ffmpeg 5.1's encoder aborts on an 8-bit frame of one or two samples.
    {{{8, 2, 44100}, F + 50, TSignal::Tone, 4}},
    {{{8, 1, 44100}, 2 * F - 1, TSignal::LoudNoise, 5}},
    {{{24, 2, 44100}, 2 * F + 333, TSignal::LoudNoise, 6}},
    {{{24, 1, 44100}, 3 * F - 5, TSignal::ClippedMusic, 7}},
    {{{16, 2, 48000}, 100000, TSignal::LoudTone, 8}},  // frames of 50155 samples
    {{{16, 2, 44100}, 1000, TSignal::Tone, 9}},        // less than a frame
    {{{24, 2, 44100}, 2 * F + 10, TSignal::Tone, 10}, true},
};

INSTANTIATE_TEST_SUITE_P(Files, TtaFormatTest, ::testing::ValuesIn(kFormatCases),
                         [](const auto& Info) {
                           return test::TtaCaseName(Info.param.Spec) +
                                  (Info.param.Tags ? "_Tagged" : "");
                         });

TEST(TtaSeekTest, SeeksAreSampleExactOnAndAroundFrameBoundaries) {
  const TTtaFixtureSpec spec{{16, 2, 44100}, 3 * F + 1001, TSignal::Noise, 11};
  const std::vector<uint8_t> pcm = test::TtaFixturePcm(spec);
  TTtaDecoder decoder(test::TtaFixture(spec));
  const int64_t total = spec.Frames;
  for (int64_t at : {F, 2 * F - 1, int64_t{1}, F + 1, 3 * F, 2 * F + 1, F - 1, 3 * F - 1, 3 * F + 1,
                     int64_t{0}, total - 1, total}) {
    SCOPED_TRACE(at);
    ASSERT_TRUE(decoder.Seek(at));
    std::vector<uint8_t> got(5 * 4);
    const int64_t count = decoder.Read(got.data(), 5);
    ASSERT_EQ(count, std::min<int64_t>(5, total - at));
    got.resize(static_cast<size_t>(count * 4));
    EXPECT_TRUE(got == Slice(pcm, at, at + count, 4));
  }
  EXPECT_FALSE(decoder.Seek(-1));
  EXPECT_FALSE(decoder.Seek(total + 1));
}

// The file the damage cases start from: four frames, the last one short, and ffmpeg's tag.
const TTtaFixtureSpec kDamageSpec{{16, 2, 44100}, 3 * F + 500, TSignal::Tone, 12};
constexpr int64_t kFrames = 4;
constexpr size_t kTable = 22;
constexpr size_t kFirstFrame = kTable + 4 * kFrames + 4;

uint32_t Le32At(const std::vector<uint8_t>& Bytes, size_t At) {
  return Bytes[At] | Bytes[At + 1] << 8 | Bytes[At + 2] << 16 | uint32_t{Bytes[At + 3]} << 24;
}

void PutLe32(std::vector<uint8_t>& Bytes, size_t At, uint32_t Value) {
  for (size_t i = 0; i < 4; ++i) Bytes[At + i] = static_cast<uint8_t>(Value >> (8 * i));
}

size_t FrameOffset(const std::vector<uint8_t>& Bytes, int64_t Frame) {
  size_t at = kFirstFrame;
  for (int64_t i = 0; i < Frame; ++i) at += Le32At(Bytes, kTable + 4 * static_cast<size_t>(i));
  return at;
}

// Sets header field At (a 16-bit one) to Value, with a CRC that matches again.
void SetHeaderField(std::vector<uint8_t>& Bytes, size_t At, uint8_t Value) {
  Bytes[At] = Value;
  PutLe32(Bytes, 18, TtaCrc(Bytes.data(), 18));
}

struct TDamageCase {
  const char* Name;
  std::function<void(std::vector<uint8_t>&)> Damage;
  TTtaFault Fault;
  int64_t FailsAt;  // the first sample not delivered; -1: the file does not open
  const char* Message;
};

const TDamageCase kDamageCases[] = {
    {"BitInFrame2", [](auto& B) { B[FrameOffset(B, 2) + 1000] ^= 0x10; }, TTtaFault::Damaged, 2 * F,
     "TTA frame 2 (from sample 92160) is damaged: its CRC does not match"},
    {"CrcOfFrame0", [](auto& B) { B[FrameOffset(B, 1) - 2] ^= 1; }, TTtaFault::Damaged, 0,
     "TTA frame 0 (from sample 0) is damaged: its CRC does not match"},
    {"BitInLastFrame", [](auto& B) { B[FrameOffset(B, 3) + 5] ^= 0x80; }, TTtaFault::Damaged, 3 * F,
     "TTA frame 3 (from sample 138240) is damaged"},
    {"CutInFrame2", [](auto& B) { B.resize(FrameOffset(B, 2) + 300); }, TTtaFault::Damaged, 2 * F,
     "TTA frame 2 (from sample 92160) is cut short: the file ends inside it"},
    {"TablePointsOutside",
     [](auto& B) {
       PutLe32(B, kTable + 4, 0x7fffffff);
       PutLe32(B, kTable + 16, TtaCrc(B.data() + kTable, 16));
     },
     TTtaFault::Damaged, F, "TTA frame 1 (from sample 46080) has an impossible size"},
    {"TableCrc", [](auto& B) { B[kTable + 17] ^= 4; }, TTtaFault::Damaged, -1,
     "the TTA seek table is damaged (its CRC does not match)"},
    {"CutInTable", [](auto& B) { B.resize(kTable + 10); }, TTtaFault::Damaged, -1,
     "the TTA seek table is cut short"},
    {"HeaderCrc", [](auto& B) { B[12] ^= 1; }, TTtaFault::Damaged, -1,
     "the TTA header is damaged (its CRC does not match)"},
    {"CutInHeader", [](auto& B) { B.resize(15); }, TTtaFault::Damaged, -1,
     "the TTA header is cut short"},
    {"Encrypted", [](auto& B) { SetHeaderField(B, 4, 2); }, TTtaFault::Unsupported, -1,
     "encrypted TTA files are not supported"},
    {"ThreeChannels", [](auto& B) { SetHeaderField(B, 6, 3); }, TTtaFault::Unsupported, -1,
     "TTA files with 3 channels are not supported"},
    {"ThirtyTwoBits", [](auto& B) { SetHeaderField(B, 8, 32); }, TTtaFault::Unsupported, -1,
     "TTA files of 32-bit samples are not supported"},
    {"NotTta", [](auto& B) { B[3] = '2'; }, TTtaFault::NotThisFormat, -1, "not a TTA file"},
    {"Empty", [](auto& B) { B.clear(); }, TTtaFault::NotThisFormat, -1, "not a TTA file"},
};

void PrintTo(const TDamageCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class TtaDamageTest : public ::testing::TestWithParam<TDamageCase> {};

TEST_P(TtaDamageTest, FailsAtTheDamagedFrameAfterEverySampleBeforeIt) {
  const TDamageCase& c = GetParam();
  std::vector<uint8_t> bytes = test::ReadFileBytes(test::TtaFixture(kDamageSpec));
  c.Damage(bytes);
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("damaged.tta"), bytes);
  if (c.FailsAt < 0) {
    try {
      TTtaDecoder decoder(dir.File("damaged.tta"));
      ADD_FAILURE() << "opened";
    } catch (const ETtaError& E) {
      EXPECT_EQ(E.Fault(), c.Fault);
      EXPECT_EQ(E.Sample(), c.Fault == TTtaFault::Damaged ? 0 : -1);
      EXPECT_STREQ(E.what(), c.Message);
    }
    return;
  }
  TTtaDecoder decoder(dir.File("damaged.tta"));
  std::string error;
  const std::vector<uint8_t> got = ReadAll(decoder, 4000, &error);
  EXPECT_TRUE(got == Slice(test::TtaFixturePcm(kDamageSpec), 0, c.FailsAt, 4));
  EXPECT_EQ(error.rfind(c.Message, 0), 0u) << error;
  // The failure stands, at the same sample, until a seek.
  std::vector<uint8_t> block(4);
  try {
    decoder.Read(block.data(), 1);
    ADD_FAILURE() << "read on after the damage";
  } catch (const ETtaError& E) {
    EXPECT_EQ(E.Fault(), c.Fault);
    EXPECT_EQ(E.Sample(), c.FailsAt);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, TtaDamageTest, ::testing::ValuesIn(kDamageCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(TtaOpenTest, RefusesWhatCannotBeReadAsAFile) {
  test::TScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.tta").c_str(), 0600), 0);
  for (const std::string& path : {dir.File("missing.tta"), dir.File("pipe.tta"), dir.Path()}) {
    SCOPED_TRACE(path);
    try {
      TTtaDecoder decoder(path);
      ADD_FAILURE() << "opened";
    } catch (const ETtaError& E) {
      EXPECT_EQ(E.Fault(), TTtaFault::Unreadable);
      EXPECT_NE(std::string(E.what()).find(path), std::string::npos) << E.what();
    }
  }
}

}  // namespace
}  // namespace corvane::ttadec
