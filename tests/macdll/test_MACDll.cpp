// The binding to libMACDll.so, and the library's decoder behind it: loading, error texts,
// stream information, sample-exact seeking and the errors of damaged files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ACSException.h"
#include "ApeFixtures.h"
#include "DynamicLibrary.h"
#include "MACBinding.h"
#include "MACDllApi.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::ApeFixture;
using test::ApeFixturePcm;
using test::TApeFixtureSpec;
using test::TPcmFormat;
using test::TSignal;

// Blocks per APE frame of the reference encoder's levels: c1 to c3, c4, c5.
constexpr int64_t NormalFrameBlocks = 73728;
constexpr int64_t ExtraHighFrameBlocks = 4 * NormalFrameBlocks;

class MACDllTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadMACDll()); }
};

// Reads Frames frames from the decoder's position in calls of at most Chunk frames.
std::vector<uint8_t> GetFrames(TAPEDecompress& Decoder, int64_t Frames, int64_t Chunk,
                               int FrameBytes) {
  std::vector<uint8_t> pcm(static_cast<size_t>(Frames * FrameBytes));
  int64_t done = 0;
  while (done < Frames) {
    int64_t delivered = 0;
    const int32_t result =
        Decoder.GetData(pcm.data() + done * FrameBytes, std::min(Chunk, Frames - done), delivered);
    EXPECT_EQ(result, 0);
    if (result != 0 || delivered <= 0) break;
    done += delivered;
  }
  pcm.resize(static_cast<size_t>(done * FrameBytes));
  return pcm;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& Pcm, int64_t From, int64_t Frames,
                           int FrameBytes) {
  return {Pcm.begin() + From * FrameBytes, Pcm.begin() + (From + Frames) * FrameBytes};
}

TEST_F(MACDllTest, LoadsOnlyALibraryWithEveryEntryPoint) {
  EXPECT_TRUE(MACDllLoaded());
  EXPECT_FALSE(LoadMACDllFrom({"/nonexistent/libMACDll.so"}));
  EXPECT_FALSE(MACDllLoaded());
  // The messages name the file a user would look for, not where it was looked for.
  EXPECT_EQ(MACDllFileName(), "libMACDll.so");
  // The C library loads but has none of the decoder's entry points.
  EXPECT_FALSE(LoadMACDllFrom({"libc.so.6"}));
  EXPECT_FALSE(MACDllLoaded());
  EXPECT_THROW(TAPEDecompress(ApeFixture({})), EACSException);
  EXPECT_TRUE(
      LoadMACDllFrom({"libc.so.6", "/nonexistent/x.so", ExecutableFolder() + "libMACDll.so"}));
  EXPECT_TRUE(MACDllLoaded());
  EXPECT_EQ(MACDllFileName(), "libMACDll.so");
  EXPECT_TRUE(LoadMACDll());
}

TEST(MACErrorTextTest, NamesTheLibraryCodes) {
  EXPECT_EQ(MACErrorText(0), "OK");
  EXPECT_EQ(MACErrorText(1000), "I/O read error");
  EXPECT_EQ(MACErrorText(1002), "invalid input file");
  EXPECT_EQ(MACErrorText(1004), "input file file too large");
  EXPECT_EQ(MACErrorText(1010), "decompressing frame");
  EXPECT_EQ(MACErrorText(4001), "skipped...");
  EXPECT_EQ(MACErrorText(6000), "APE compress too much data");
  EXPECT_EQ(MACErrorText(1014), "undefined (1014)");
  EXPECT_EQ(MACErrorText(-1), "undefined (-1)");
  EXPECT_STREQ(EAPEException(1002).what(), "MACDll error: invalid input file");
}

struct TInfoCase {
  TPcmFormat Format;
  int64_t Frames;
};

void PrintTo(const TInfoCase& Case, std::ostream* Out) {
  *Out << Case.Format.BitsPerSample << "-bit " << Case.Format.Channels << "ch "
       << Case.Format.SampleRate << " Hz " << Case.Frames << " frames";
}

class MACDllInfoTest : public MACDllTest, public ::testing::WithParamInterface<TInfoCase> {};

TEST_P(MACDllInfoTest, ReportsTheStreamOfTheFile) {
  const TInfoCase& c = GetParam();
  TAPEDecompress decoder(ApeFixture({c.Format, c.Frames, TSignal::Tone, 1, 3}));
  EXPECT_TRUE(decoder.HasHandle());
  EXPECT_EQ(decoder.SampleRate(), c.Format.SampleRate);
  EXPECT_EQ(decoder.BitsPerSample(), c.Format.BitsPerSample);
  EXPECT_EQ(decoder.Channels(), c.Format.Channels);
  EXPECT_EQ(decoder.PcmBytes(), c.Frames * c.Format.FrameBytes());
  EXPECT_EQ(decoder.LengthMs(), c.Frames * 1000 / c.Format.SampleRate);
  EXPECT_EQ(decoder.GetInfo(9999), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, MACDllInfoTest,
                         ::testing::Values(TInfoCase{{16, 2, 44100}, 100003},
                                           TInfoCase{{16, 1, 48000}, 48000 * 3 + 1},
                                           TInfoCase{{8, 2, 22050}, 30011},
                                           TInfoCase{{24, 2, 96000}, 200003}),
                         [](const auto& Info) {
                           const TInfoCase& c = Info.param;
                           return std::to_string(c.Format.BitsPerSample) + "bit" +
                                  std::to_string(c.Format.Channels) + "ch" +
                                  std::to_string(c.Format.SampleRate) + "Hz";
                         });

struct TSeekCase {
  int Level;
  TPcmFormat Format;
  int64_t Frames;
  int64_t FrameBlocks;
};

void PrintTo(const TSeekCase& Case, std::ostream* Out) {
  *Out << Case.Format.BitsPerSample << "-bit " << Case.Format.Channels << "ch c" << Case.Level
       << " " << Case.Frames << " frames";
}

class MACDllSeekTest : public MACDllTest, public ::testing::WithParamInterface<TSeekCase> {};

// Every target is reached exactly, forwards and backwards, on and around APE frame
// boundaries; reads of any size continue seamlessly across them.
TEST_P(MACDllSeekTest, SeeksToTheExactFrame) {
  const TSeekCase& c = GetParam();
  const TApeFixtureSpec spec{c.Format, c.Frames, TSignal::Noise, c.Level, 7};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  const int frameBytes = c.Format.FrameBytes();
  TAPEDecompress decoder(ApeFixture(spec));
  const int64_t b = c.FrameBlocks;
  // A reader that decodes frames side by side cuts its work at these boundaries.
  EXPECT_EQ(decoder.BlocksPerFrame(), b);
  const std::vector<int64_t> targets = {b + 1,          b - 1,        0,     1,         b,
                                        2 * b + 1,      c.Frames - 1, b + 7, 2 * b - 1, 2 * b,
                                        c.Frames - 100, 4607,         4608,  4609};
  for (const int64_t target : targets) {
    SCOPED_TRACE(target);
    ASSERT_EQ(decoder.Seek(target), 0);
    const int64_t frames = std::min<int64_t>(3000, c.Frames - target);
    EXPECT_EQ(GetFrames(decoder, frames, 777, frameBytes), Slice(pcm, target, frames, frameBytes));
  }
  ASSERT_EQ(decoder.Seek(b - 5), 0);
  EXPECT_EQ(GetFrames(decoder, 10, 1, frameBytes), Slice(pcm, b - 5, 10, frameBytes));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, MACDllSeekTest,
    ::testing::Values(
        TSeekCase{2, {16, 2, 44100}, 3 * NormalFrameBlocks + 1234, NormalFrameBlocks},
        TSeekCase{1, {8, 2, 44100}, 3 * NormalFrameBlocks + 77, NormalFrameBlocks},
        TSeekCase{3, {24, 2, 44100}, 3 * NormalFrameBlocks + 5, NormalFrameBlocks},
        TSeekCase{3, {16, 1, 44100}, 3 * NormalFrameBlocks + 9, NormalFrameBlocks},
        TSeekCase{4, {16, 2, 44100}, 2 * ExtraHighFrameBlocks + 4321, ExtraHighFrameBlocks}),
    [](const auto& Info) {
      const TSeekCase& c = Info.param;
      return std::to_string(c.Format.BitsPerSample) + "bit" + std::to_string(c.Format.Channels) +
             "ch_c" + std::to_string(c.Level);
    });

TEST_F(MACDllTest, EndsAtTheDeclaredLengthAndRefusesTargetsOutsideTheFile) {
  const TApeFixtureSpec spec{{16, 2, 44100}, 100003, TSignal::Tone, 2, 1};
  const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
  TAPEDecompress decoder(ApeFixture(spec));
  std::vector<uint8_t> buffer(4096 * 4);
  int64_t delivered = -1;
  ASSERT_EQ(decoder.Seek(spec.Frames - 10), 0);
  EXPECT_EQ(decoder.GetData(buffer.data(), 4096, delivered), 0);
  EXPECT_EQ(delivered, 10);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 40, pcm.end() - 40));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(decoder.GetData(buffer.data(), 4096, delivered), 0);
    EXPECT_EQ(delivered, 0);
  }
  EXPECT_EQ(decoder.Seek(spec.Frames), 0);
  EXPECT_EQ(decoder.GetData(buffer.data(), 4096, delivered), 0);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(decoder.Seek(spec.Frames + 1), MAC_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(decoder.Seek(-1), MAC_ERROR_INVALID_PARAMETER);
  ASSERT_EQ(decoder.Seek(5), 0);
  EXPECT_EQ(GetFrames(decoder, 100, 4096, 4), Slice(pcm, 5, 100, 4));
}

TEST_F(MACDllTest, RefusesWhatIsNotAMonkeysAudioFile) {
  test::TScratchDir dir;
  const std::string wav = dir.File("wav.ape");
  test::WriteWav(wav, {}, std::vector<uint8_t>(4000));
  const std::string text = dir.File("text.ape");
  test::WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
  const std::string empty = dir.File("empty.ape");
  test::WriteFileBytes(empty, {});
  for (const std::string& file : {wav, text, empty}) {
    SCOPED_TRACE(file);
    try {
      TAPEDecompress decoder(file);
      ADD_FAILURE() << "opened";
    } catch (const EAPEException& E) {
      EXPECT_STREQ(E.what(), "MACDll error: invalid input file");
    }
  }
  for (const std::string& file : {dir.File("missing.ape"), dir.Path()}) {
    SCOPED_TRACE(file);
    try {
      TAPEDecompress decoder(file);
      ADD_FAILURE() << "opened";
    } catch (const EAPEException& E) {
      EXPECT_STREQ(E.what(), "MACDll error: I/O read error");
    }
  }
}

// A path is a path: characters a URL would give meaning to are taken literally, also in a
// relative path that starts like a protocol name.
TEST_F(MACDllTest, OpensPathsThatLookLikeUrls) {
  test::TScratchDir dir;
  const std::string name = "pipe:0 ?x=1#frag.ape";
  std::filesystem::copy_file(ApeFixture({}), dir.File(name));
  EXPECT_NO_THROW(TAPEDecompress decoder(dir.File(name)));
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const std::string error = [&] {
    try {
      TAPEDecompress decoder(name);
      return std::string();
    } catch (const std::exception& E) {
      return std::string(E.what());
    }
  }();
  std::filesystem::current_path(previous);
  EXPECT_EQ(error, "");
}

// Damage is an error code, and it stays one: the decoder never carries on past a failure as
// though the stream were whole.
TEST_F(MACDllTest, ReportsDamageAndDataThatEndsEarly) {
  const TApeFixtureSpec spec{{16, 2, 44100}, 3 * NormalFrameBlocks + 99, TSignal::Tone, 2, 3};
  const std::vector<uint8_t> file = test::ReadFileBytes(ApeFixture(spec));
  test::TScratchDir dir;
  std::vector<uint8_t> damaged = file;
  for (size_t i = 0; i < 16; ++i) damaged[damaged.size() / 2 + i] ^= 0x5a;
  test::WriteFileBytes(dir.File("damaged.ape"), damaged);
  test::WriteFileBytes(dir.File("cut.ape"),
                       std::vector<uint8_t>(file.begin(), file.begin() + file.size() / 2));

  struct TDamage {
    const char* Name;
    int32_t Code;
  };
  for (const TDamage& d :
       {TDamage{"damaged.ape", MAC_ERROR_DECOMPRESSING_FRAME}, TDamage{"cut.ape", 0}}) {
    SCOPED_TRACE(d.Name);
    TAPEDecompress decoder(dir.File(d.Name));
    std::vector<uint8_t> buffer(8192 * 4);
    int64_t total = 0;
    int64_t delivered = 0;
    int32_t result = 0;
    while ((result = decoder.GetData(buffer.data(), 8192, delivered)) == 0 && delivered > 0) {
      total += delivered;
    }
    EXPECT_LT(total, spec.Frames);
    if (d.Code != 0) {
      EXPECT_EQ(result, d.Code);
    } else {
      EXPECT_TRUE(result == MAC_ERROR_DECOMPRESSING_FRAME || result == MAC_ERROR_IO_READ) << result;
    }
    EXPECT_EQ(decoder.GetData(buffer.data(), 8192, delivered), result);
    EXPECT_EQ(delivered, 0);
    // The intact first APE frame still decodes after a seek.
    ASSERT_EQ(decoder.Seek(100), 0);
    EXPECT_EQ(GetFrames(decoder, 1000, 1000, 4), Slice(ApeFixturePcm(spec), 100, 1000, 4));
  }
}

// Monkey's Audio files of versions and formats the library does not decode are refused when
// opened, and the message says what the file is.
struct TRefusedCase {
  const char* Name;
  // Offset and little-endian value written over a 16-bit stereo file of 3.99; offset -1 makes
  // a file in the older layout of the version Value instead.
  int Offset;
  uint16_t Value;
  const char* Message;
};

void PrintTo(const TRefusedCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

// A minimal file in the layout before 3.98: header, one seek entry, a few frame bytes.
std::vector<uint8_t> OldLayoutFile(uint16_t Version) {
  std::vector<uint8_t> bytes = {'M', 'A', 'C', ' '};
  const auto le = [&bytes](uint32_t Value, int Size) {
    for (int i = 0; i < Size; ++i) bytes.push_back(static_cast<uint8_t>(Value >> (8 * i)));
  };
  le(Version, 2);
  le(2000, 2);   // level
  le(32, 2);     // flags: no stored WAV header
  le(2, 2);      // channels
  le(44100, 4);  // rate
  le(0, 4);      // WAV header bytes
  le(0, 4);      // WAV trailer bytes
  le(1, 4);      // frames
  le(100, 4);    // blocks of the last frame
  le(36, 4);     // seek table: the one frame
  le(0, 4);
  le(0, 4);
  return bytes;
}

class MACDllRefusedTest : public MACDllTest, public ::testing::WithParamInterface<TRefusedCase> {};

TEST_P(MACDllRefusedTest, NamesTheVersionItRefuses) {
  const TRefusedCase& c = GetParam();
  std::vector<uint8_t> bytes;
  if (c.Offset < 0) {
    bytes = OldLayoutFile(c.Value);
  } else {
    bytes = test::ReadFileBytes(ApeFixture({}));
    bytes[static_cast<size_t>(c.Offset)] = static_cast<uint8_t>(c.Value);
    bytes[static_cast<size_t>(c.Offset) + 1] = static_cast<uint8_t>(c.Value >> 8);
  }
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("refused.ape"), bytes);
  try {
    TAPEDecompress decoder(dir.File("refused.ape"));
    ADD_FAILURE() << "opened";
  } catch (const EAPEException& E) {
    EXPECT_STREQ(E.what(), c.Message);
  }
}

// Offsets in the 3.98 layout: the version at 4; after the 52-byte descriptor, the depth at
// 68 and the channel count at 70.
INSTANTIATE_TEST_SUITE_P(
    Versions, MACDllRefusedTest,
    ::testing::Values(
        TRefusedCase{"Newer", 4, 6000,
                     "MACDll error: invalid input file (Monkey's Audio 6.00, 16-bit, 2 channels, "
                     "is not supported)"},
        TRefusedCase{"ThirtyTwoBit", 68, 32,
                     "MACDll error: invalid input file (Monkey's Audio 3.99, 32-bit, 2 channels, "
                     "is not supported)"},
        TRefusedCase{"SixChannels", 70, 6,
                     "MACDll error: invalid input file (Monkey's Audio 3.99, 16-bit, 6 channels, "
                     "is not supported)"},
        TRefusedCase{"Older", -1, 3790,
                     "MACDll error: invalid input file (Monkey's Audio 3.79, 16-bit, 2 channels, "
                     "is not supported)"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A frame damaged in its middle: a read ending inside it fails with a decode error and hands
// out none of it, while every frame before it arrives exact. So a cue track that ends in a
// damaged frame never passes for whole.
struct TDamagedFrameCase {
  const char* Name;
  TApeFixtureSpec Spec;
  int64_t FrameBlocks;
};

void PrintTo(const TDamagedFrameCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class MACDllDamagedFrameTest : public MACDllTest,
                               public ::testing::WithParamInterface<TDamagedFrameCase> {};

TEST_P(MACDllDamagedFrameTest, DeliversNothingOfTheDamagedFrame) {
  const TDamagedFrameCase& c = GetParam();
  const int frameBytes = c.Spec.Format.FrameBytes();
  const std::vector<uint8_t> pcm = ApeFixturePcm(c.Spec);
  std::vector<uint8_t> file = test::ReadFileBytes(ApeFixture(c.Spec));
  // The second APE frame's offset is the second entry of the seek table, which follows the
  // 52-byte descriptor and the 24-byte header; the third's follows it.
  const auto le32 = [&file](size_t At) {
    return static_cast<size_t>(file[At] | (file[At + 1] << 8) | (file[At + 2] << 16) |
                               (static_cast<uint32_t>(file[At + 3]) << 24));
  };
  const size_t second = le32(52 + 24 + 4);
  const size_t third = le32(52 + 24 + 8);
  file[(second + third) / 2] ^= 0x10;
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("flipped.ape"), file);
  TAPEDecompress decoder(dir.File("flipped.ape"));

  const int64_t b = c.FrameBlocks;
  for (const int64_t start : {int64_t{0}, b / 2, b - 1}) {
    // Up to 2 * b the damaged frame is wanted whole, and goes straight to the caller.
    for (const int64_t end : {b + 1, b + b / 2, 2 * b - 1, 2 * b}) {
      SCOPED_TRACE(testing::Message() << start << ".." << end);
      ASSERT_EQ(decoder.Seek(start), 0);
      std::vector<uint8_t> buffer(static_cast<size_t>((end - start) * frameBytes));
      int64_t delivered = -1;
      EXPECT_EQ(decoder.GetData(buffer.data(), end - start, delivered),
                MAC_ERROR_DECOMPRESSING_FRAME);
      ASSERT_EQ(delivered, b - start);
      buffer.resize(static_cast<size_t>(delivered * frameBytes));
      EXPECT_TRUE(buffer == Slice(pcm, start, delivered, frameBytes));
      // The failure stays until a seek: nothing of the frame leaks out on a second try.
      EXPECT_EQ(decoder.GetData(buffer.data(), 1, delivered), MAC_ERROR_DECOMPRESSING_FRAME);
      EXPECT_EQ(delivered, 0);
    }
  }
  // The frame after the damaged one is whole and decodes.
  ASSERT_EQ(decoder.Seek(2 * b), 0);
  EXPECT_EQ(GetFrames(decoder, 1000, 1000, frameBytes), Slice(pcm, 2 * b, 1000, frameBytes));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MACDllDamagedFrameTest,
    ::testing::Values(
        TDamagedFrameCase{"Stereo16Normal",
                          {{16, 2, 44100}, 3 * NormalFrameBlocks + 1234, TSignal::Noise, 2, 7},
                          NormalFrameBlocks},
        TDamagedFrameCase{"Mono16High",
                          {{16, 1, 44100}, 3 * NormalFrameBlocks + 9, TSignal::Noise, 3, 7},
                          NormalFrameBlocks},
        TDamagedFrameCase{"Stereo24High",
                          {{24, 2, 44100}, 3 * NormalFrameBlocks + 5, TSignal::Noise, 3, 7},
                          NormalFrameBlocks},
        TDamagedFrameCase{"Stereo8Fast",
                          {{8, 2, 44100}, 3 * NormalFrameBlocks + 77, TSignal::Noise, 1, 7},
                          NormalFrameBlocks},
        TDamagedFrameCase{"Stereo16ExtraHigh",
                          {{16, 2, 44100}, 2 * ExtraHighFrameBlocks + 4321, TSignal::Noise, 4, 7},
                          ExtraHighFrameBlocks}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
