// FLAC files as sources: bit-exact whole files and ranges, and no sample of a damaged frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ApeFixtures.h"
#include "DecodedSource.h"
#include "FLACDecoder.h"
#include "PcmSignal.h"
#include "ScratchDir.h"
#include "SourceError.h"
#include "WavFile.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct TFlacCase {
  test::TPcmFormat Format;
  int64_t Frames;
};

std::vector<uint8_t> Pcm(const TFlacCase& Case) {
  return test::MakePcm(Case.Format, Case.Frames, test::TSignal::Tone, 7);
}

// Made by the reference encoder from Case's PCM, cached in the build tree.
std::string FlacFixture(const TFlacCase& Case) {
  const std::string name = test::FixtureDir() + "/flac_" + test::FormatCaseName(Case.Format) + "_" +
                           std::to_string(Case.Frames) + ".flac";
  if (fs::exists(name)) return name;
  const std::string wav = name + ".wav";
  test::WriteWav(wav, Case.Format, Pcm(Case));
  const std::string command = "flac -s -f -5 -o '" + name + ".part' '" + wav + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("flac failed: " + command);
  fs::rename(name + ".part", name);
  fs::remove(wav);
  return name;
}

// What a read pass delivers, and the fault that ended it early.
struct TRead {
  std::vector<uint8_t> Pcm;
  std::optional<TSourceFault> Fault;
};

TRead ReadRange(const std::string& File, int64_t Start, int64_t End) {
  TDecodedSource source(&OpenFlacDecoder);
  source.SetAudio({{File, Start, End}});
  TRead read;
  uint8_t buffer[3000];
  try {
    source.BeginRead();
    for (int64_t got; (got = source.ReadData(buffer, sizeof buffer)) > 0;) {
      read.Pcm.insert(read.Pcm.end(), buffer, buffer + got);
    }
    source.EndRead();
  } catch (const ESourceError& E) {
    read.Fault = E.Fault();
  }
  return read;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& Pcm, const test::TPcmFormat& Format,
                           int64_t Start, int64_t End) {
  return {Pcm.begin() + Start * Format.FrameBytes(), Pcm.begin() + End * Format.FrameBytes()};
}

class FlacSource : public testing::TestWithParam<TFlacCase> {};

// Whole files, and ranges whose ends sit on the encoder's 4096-frame blocks and one either
// side of them.
TEST_P(FlacSource, DeliversTheEncodedPcmExactlyForTheFileAndForRanges) {
  const TFlacCase& c = GetParam();
  const std::string file = FlacFixture(c);
  const std::vector<uint8_t> pcm = Pcm(c);
  EXPECT_TRUE(ReadRange(file, 0, -1).Pcm == pcm);
  for (const auto& [start, end] : std::vector<std::pair<int64_t, int64_t>>{
           {4095, 8193}, {4096, 8192}, {4097, 8191}, {1, c.Frames}, {c.Frames - 1, c.Frames}}) {
    const TRead read = ReadRange(file, start, end);
    EXPECT_FALSE(read.Fault);
    EXPECT_TRUE(read.Pcm == Slice(pcm, c.Format, start, end)) << start << ".." << end;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FlacSource,
                         testing::Values(TFlacCase{test::Stereo16, 30001},
                                         TFlacCase{test::Mono16, 20000},
                                         TFlacCase{test::Stereo8, 17777},
                                         TFlacCase{test::Stereo24, 12345}),
                         [](const auto& Info) { return test::FormatCaseName(Info.param.Format); });

struct TDamageCase {
  const char* Name;
  // Changes the file's bytes.
  void (*Damage)(std::vector<uint8_t>& Bytes);
  int64_t Start;  // of the range read; the whole file to its end
  std::optional<TSourceFault> Fault;
};

TEST(FlacSourceDamage, NoSampleOfADamagedFrameLeavesAndTheMd5IsCheckedOnAWholeRead) {
  const TFlacCase c{test::Stereo16, 60000};
  const std::vector<uint8_t> pcm = Pcm(c);
  const std::vector<uint8_t> good = test::ReadFileBytes(FlacFixture(c));
  const TDamageCase cases[] = {
      {"FlippedBitMidFile", [](std::vector<uint8_t>& B) { B[B.size() / 2] ^= 0x10; }, 0,
       TSourceFault::Damaged},
      {"Truncated", [](std::vector<uint8_t>& B) { B.resize(B.size() * 2 / 3); }, 0,
       TSourceFault::Damaged},
      // The signature starts 26 bytes in: marker, block header and 18 bytes of stream info.
      {"WrongMd5", [](std::vector<uint8_t>& B) { B[26] ^= 1; }, 0, TSourceFault::Damaged},
      {"WrongMd5ButARangeRead", [](std::vector<uint8_t>& B) { B[26] ^= 1; }, 5000, std::nullopt},
      {"NotFlac", [](std::vector<uint8_t>& B) { B[0] = 'X'; }, 0, TSourceFault::NotThisFormat},
  };
  test::TScratchDir dir;
  for (const TDamageCase& d : cases) {
    std::vector<uint8_t> bytes = good;
    d.Damage(bytes);
    const std::string file = dir.File(std::string(d.Name) + ".flac");
    test::WriteFileBytes(file, bytes);
    const TRead read = ReadRange(file, d.Start, -1);
    EXPECT_EQ(read.Fault, d.Fault) << d.Name;
    // Whatever left the source is the right audio.
    const std::vector<uint8_t> expected = Slice(pcm, c.Format, d.Start, c.Frames);
    ASSERT_LE(read.Pcm.size(), expected.size()) << d.Name;
    EXPECT_TRUE(std::equal(read.Pcm.begin(), read.Pcm.end(), expected.begin())) << d.Name;
    if (!d.Fault) {
      EXPECT_EQ(read.Pcm.size(), expected.size()) << d.Name;
    }
  }
}

}  // namespace
}  // namespace corvane
