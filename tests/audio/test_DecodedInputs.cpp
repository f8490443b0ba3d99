// The WavPack and libsndfile decoders, read through TDecodedSource: every container, depth and
// channel count bit for bit against the PCM the file was made from (with ranges on block
// boundaries), and the faults a user can meet, with nothing of a damaged block handed out.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "DecodedSource.h"
#include "EncodedFixtures.h"
#include "PcmSignal.h"
#include "ScratchDir.h"
#include "SndFileDecoder.h"
#include "SourceError.h"
#include "WavFile.h"
#include "WavPackDecoder.h"

namespace corvane {
namespace {

using test::TSignal;
using TFormat = test::TPcmFormat;

// Not a multiple of any block, buffer or frame size; longer than two WavPack blocks.
constexpr int64_t kFrames = 70001;
// The frames TDecodedSource asks its decoder for at once: the boundary of its reads.
constexpr int64_t kSourceChunk = 4096;

// Changes an encoded file's bytes; returns how many frames before the damage are intact, or
// -1 when the file is refused before any frame.
using TEdit = std::function<int64_t(std::vector<uint8_t>& Bytes, const TFormat& Format)>;

struct TInputCase {
  std::string Name;
  TFormat Format;
  TSignal Signal = TSignal::Tone;
  std::string Extension;
  std::string Command;  // makes {out} from the WAV {in}
  TStreamDecoderOpener Opener = nullptr;
  TEdit Edit = nullptr;
  bool WithCorrection = true;  // the .wvc file goes along
};

void PrintTo(const TInputCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

// --- encoders ---

const std::string kWavPack = "wavpack -q -y -w Title=Corvane {in} -o {out}";
const std::string kWavPackHybrid = "wavpack -q -y -b320 -c {in} -o {out}";
const std::string kCopy = "cp {in} {out}";

std::string Ffmpeg(const std::string& Codec, const std::string& Options = "") {
  return "ffmpeg -v error -y -i {in} -c:a " + Codec + " " + Options + " {out}";
}

// --- WavPack blocks, found as a reader of the format would ---

struct TBlockAt {
  size_t Offset = 0;
  size_t Bytes = 0;
  int64_t Index = 0;
};

uint32_t Le32(const std::vector<uint8_t>& B, size_t At) {
  return B[At] | uint32_t{B[At + 1]} << 8 | uint32_t{B[At + 2]} << 16 | uint32_t{B[At + 3]} << 24;
}

std::vector<TBlockAt> AudioBlocks(const std::vector<uint8_t>& Bytes) {
  std::vector<TBlockAt> blocks;
  for (size_t at = 0;
       at + 32 <= Bytes.size() && std::equal(Bytes.begin() + at, Bytes.begin() + at + 4, "wvpk");) {
    const size_t bytes = Le32(Bytes, at + 4) + 8;
    if (Le32(Bytes, at + 20) != 0) blocks.push_back({at, bytes, Le32(Bytes, at + 16)});
    at += bytes;
  }
  return blocks;
}

// Flips a bit two thirds into audio block Block, in its coded samples.
int64_t FlipBitInBlock(std::vector<uint8_t>& Bytes, size_t Block) {
  const TBlockAt block = AudioBlocks(Bytes).at(Block);
  Bytes[block.Offset + block.Bytes * 2 / 3] ^= 0x10;
  return block.Index;
}

// Turns every block's checksum into padding, as in files of encoders before WavPack 5: a
// damaged block is then found only by the CRC of its decoded samples, at its end.
void DropBlockChecksums(std::vector<uint8_t>& Bytes) {
  constexpr uint8_t kBlockChecksum = 0x2f;
  constexpr uint8_t kHasChecksum = 0x10;  // in the header's flags' last byte
  for (const TBlockAt& block : AudioBlocks(Bytes)) {
    Bytes[block.Offset + 27] &= static_cast<uint8_t>(~kHasChecksum);
    for (size_t at = block.Offset + 32; at + 2 <= block.Offset + block.Bytes;) {
      const uint8_t id = Bytes[at];
      const bool large = (id & 0x80) != 0;
      const size_t words =
          large ? Bytes[at + 1] | Bytes[at + 2] << 8 | Bytes[at + 3] << 16 : Bytes[at + 1];
      if ((id & 0x3f) == kBlockChecksum) Bytes[at] = id & 0xc0;
      at += (large ? 4 : 2) + words * 2;
    }
  }
}

// --- reading through the source ---

std::vector<uint8_t> PcmOf(const TInputCase& Case) {
  return test::MakePcm(Case.Format, kFrames, Case.Signal, 7);
}

struct TPrepared {
  std::string Path;
  int64_t IntactFrames = -1;        // what the edit left intact
  int64_t Boundary = kSourceChunk;  // the first WavPack block's end, or the source's chunk
};

TPrepared Prepare(const TInputCase& Case, const test::TScratchDir& Scratch) {
  const std::string name = "decoded-" + test::FormatCaseName(Case.Format) + "-s" +
                           std::to_string(static_cast<int>(Case.Signal)) + "-" +
                           std::to_string(kFrames);
  const std::string fixture =
      test::EncodedFixture(name, Case.Extension, Case.Command, Case.Format, PcmOf(Case));
  std::vector<uint8_t> bytes = test::ReadFileBytes(fixture);
  TPrepared prepared;
  prepared.Path = Scratch.File("input" + Case.Extension);
  const std::vector<TBlockAt> blocks = AudioBlocks(bytes);
  if (blocks.size() > 1) prepared.Boundary = blocks[1].Index;
  if (Case.Edit) prepared.IntactFrames = Case.Edit(bytes, Case.Format);
  test::WriteFileBytes(prepared.Path, bytes);
  if (Case.WithCorrection && std::filesystem::exists(fixture + "c")) {
    Scratch.Copy(fixture + "c", "input" + Case.Extension + "c");
  }
  return prepared;
}

struct TReadResult {
  std::vector<uint8_t> Pcm;
  std::optional<ESourceError> Error;
};

TReadResult ReadRange(TDecodedSource& Source, int64_t Start, int64_t End) {
  TReadResult result;
  std::vector<uint8_t> block(5000);  // no multiple of a frame or of the source's buffer
  try {
    Source.SetStartSample(Start);
    Source.SetEndSample(End);
    Source.BeginRead();
    while (const int64_t got = Source.ReadData(block.data(), static_cast<int64_t>(block.size()))) {
      result.Pcm.insert(result.Pcm.end(), block.begin(), block.begin() + got);
    }
  } catch (const ESourceError& Error) {
    result.Error = Error;
  }
  if (Source.Busy()) Source.EndRead();
  return result;
}

std::vector<uint8_t> Frames(const std::vector<uint8_t>& Pcm, int64_t From, int64_t To,
                            const TFormat& Format) {
  return {Pcm.begin() + From * Format.FrameBytes(), Pcm.begin() + To * Format.FrameBytes()};
}

std::string CaseName(const ::testing::TestParamInfo<TInputCase>& Info) {
  return Info.param.Name;
}

// --- every format, bit for bit ---

std::vector<TInputCase> FormatCases() {
  const auto wv = &OpenWavPackDecoder;
  const auto snd = &OpenSndFileDecoder;
  const auto dataSize = [](uint32_t Size) {
    return [Size](std::vector<uint8_t>& Bytes, const TFormat&) -> int64_t {
      for (int i = 0; i < 4; ++i) Bytes[40 + i] = static_cast<uint8_t>(Size >> (8 * i));
      return -1;
    };
  };
  return {
      {"WavPack16Stereo", {16, 2, 44100}, TSignal::Tone, ".wv", kWavPack, wv},
      {"WavPack16Mono", {16, 1, 44100}, TSignal::Tone, ".wv", kWavPack, wv},
      {"WavPack8Stereo", {8, 2, 44100}, TSignal::Noise, ".wv", kWavPack, wv},
      {"WavPack24Stereo", {24, 2, 96000}, TSignal::LoudNoise, ".wv", kWavPack, wv},
      {"WavPack24Mono", {24, 1, 44100}, TSignal::Tone, ".wv", kWavPack, wv},
      {"WavPack32Stereo", {32, 2, 44100}, TSignal::LoudNoise, ".wv", kWavPack, wv},
      {"WavPackHybridWithCorrection", {16, 2, 44100}, TSignal::Noise, ".wv", kWavPackHybrid, wv},
      {"Wav16Stereo", {16, 2, 44100}, TSignal::Tone, ".wav", kCopy, snd},
      {"Wav16Mono", {16, 1, 48000}, TSignal::Tone, ".wav", kCopy, snd},
      {"Wav8Stereo", {8, 2, 44100}, TSignal::Noise, ".wav", kCopy, snd},
      {"Wav24Stereo", {24, 2, 44100}, TSignal::LoudNoise, ".wav", Ffmpeg("pcm_s24le"), snd},
      {"Wav32Mono", {32, 1, 44100}, TSignal::LoudNoise, ".wav", Ffmpeg("pcm_s32le"), snd},
      {"WavStreamedSizeZero", {16, 2, 44100}, TSignal::Tone, ".wav", kCopy, snd, dataSize(0)},
      {"WavStreamedSizeAllOnes",
       {8, 1, 44100},
       TSignal::Tone,
       ".wav",
       kCopy,
       snd,
       dataSize(0xFFFFFFFF)},
      {"Rf64_16Stereo",
       {16, 2, 44100},
       TSignal::Tone,
       ".wav",
       Ffmpeg("pcm_s16le", "-rf64 always"),
       snd},
      {"Wave64_24Stereo", {24, 2, 44100}, TSignal::LoudNoise, ".w64", Ffmpeg("pcm_s24le"), snd},
      {"Aiff16Stereo", {16, 2, 44100}, TSignal::Tone, ".aiff", Ffmpeg("pcm_s16be"), snd},
      {"Aiff8Mono", {8, 1, 22050}, TSignal::Noise, ".aiff", Ffmpeg("pcm_s8"), snd},
      {"Aiff24Stereo", {24, 2, 44100}, TSignal::LoudNoise, ".aiff", Ffmpeg("pcm_s24be"), snd},
  };
}

class DecodedFormatTest : public ::testing::TestWithParam<TInputCase> {};

TEST_P(DecodedFormatTest, DeliversThePcmBitForBit) {
  const TInputCase& input = GetParam();
  const test::TScratchDir scratch;
  const TPrepared file = Prepare(input, scratch);
  const std::vector<uint8_t> pcm = PcmOf(input);
  TDecodedSource source(input.Opener);
  source.SetFileName(file.Path);
  EXPECT_EQ(source.BitsPerSample(), input.Format.BitsPerSample);
  EXPECT_EQ(source.Channels(), input.Format.Channels);
  EXPECT_EQ(source.SampleRate(), input.Format.SampleRate);
  EXPECT_EQ(source.FileFrames(), kFrames);
  const int64_t b = file.Boundary;
  ASSERT_LT(2 * b, kFrames);
  const std::vector<std::pair<int64_t, int64_t>> ranges = {
      {0, -1},         {0, 1},           {b - 1, b + 1}, {b, 2 * b}, {b + 1, 2 * b - 1},
      {2 * b - 1, -1}, {kFrames - 1, -1}};
  for (const auto& [start, end] : ranges) {
    SCOPED_TRACE(::testing::Message() << start << ".." << end);
    const TReadResult got = ReadRange(source, start, end);
    ASSERT_FALSE(got.Error) << got.Error->what();
    EXPECT_TRUE(got.Pcm == Frames(pcm, start, end < 0 ? kFrames : end, input.Format))
        << "the decoded PCM differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, DecodedFormatTest, ::testing::ValuesIn(FormatCases()), CaseName);

// --- faults ---

struct TFaultCase {
  TInputCase Input;
  TSourceFault Fault = TSourceFault::Unknown;
  std::string Message;  // a part of the error's text
};

void PrintTo(const TFaultCase& Case, std::ostream* Out) {
  *Out << Case.Input.Name;
}

std::vector<TFaultCase> FaultCases() {
  const auto wv = &OpenWavPackDecoder;
  const auto snd = &OpenSndFileDecoder;
  const TFormat cd{16, 2, 44100};
  const auto flip = [](std::vector<uint8_t>& Bytes, const TFormat&) {
    return FlipBitInBlock(Bytes, 1);
  };
  const auto flipWithoutChecksums = [](std::vector<uint8_t>& Bytes, const TFormat&) {
    DropBlockChecksums(Bytes);
    return FlipBitInBlock(Bytes, 1);
  };
  const auto cutInBlock = [](std::vector<uint8_t>& Bytes, const TFormat&) {
    const TBlockAt block = AudioBlocks(Bytes).at(2);
    Bytes.resize(block.Offset + block.Bytes / 2);
    return block.Index;
  };
  // The data chunk is the file's last: what is cut off its end is cut off the samples.
  const auto cutEnd = [](std::vector<uint8_t>& Bytes, const TFormat& Format) -> int64_t {
    constexpr int64_t cut = 1001;
    Bytes.resize(Bytes.size() - cut);
    return kFrames - (cut + Format.FrameBytes() - 1) / Format.FrameBytes();
  };
  const std::string damaged = "fails its check";
  const std::string early = "ends before its declared length";
  const std::string floatWav = Ffmpeg("pcm_f32le");
  return {
      {{"WavPackFlippedBit", cd, TSignal::Tone, ".wv", kWavPack, wv, flip},
       TSourceFault::Damaged,
       damaged},
      {{"WavPackFlippedBitNoChecksums", cd, TSignal::Tone, ".wv", kWavPack, wv,
        flipWithoutChecksums},
       TSourceFault::Damaged,
       damaged},
      {{"WavPackCutInBlock", cd, TSignal::Tone, ".wv", kWavPack, wv, cutInBlock},
       TSourceFault::Damaged,
       early},
      {{"WavPackHybridWithoutCorrection", cd, TSignal::Noise, ".wv", kWavPackHybrid, wv, {}, false},
       TSourceFault::Unsupported,
       "a lossy WavPack file (hybrid, without its .wvc correction"},
      {{"WavPackFloat", cd, TSignal::Tone, ".wv",
        "ffmpeg -v error -y -i {in} -c:a pcm_f32le {out}.wav && wavpack -q -y {out}.wav -o {out} "
        "&& "
        "rm {out}.wav",
        wv},
       TSourceFault::Unsupported,
       "WavPack files with float samples are not supported"},
      {{"WavPackOfAWav", cd, TSignal::Tone, ".wv", kCopy, wv},
       TSourceFault::NotThisFormat,
       "cannot be read as a WavPack file"},
      {{"WavCut", cd, TSignal::Tone, ".wav", kCopy, snd, cutEnd}, TSourceFault::Damaged, early},
      {{"Rf64Cut",
        {24, 1, 44100},
        TSignal::Tone,
        ".wav",
        Ffmpeg("pcm_s24le", "-rf64 always"),
        snd,
        cutEnd},
       TSourceFault::Damaged,
       early},
      // Eight bytes a frame: the data chunk needs no padding to the next 8-byte boundary.
      {{"Wave64Cut", {32, 2, 44100}, TSignal::Tone, ".w64", Ffmpeg("pcm_s32le"), snd, cutEnd},
       TSourceFault::Damaged,
       early},
      {{"AiffCut", {8, 2, 44100}, TSignal::Tone, ".aiff", Ffmpeg("pcm_s8"), snd, cutEnd},
       TSourceFault::Damaged,
       early},
      {{"WavFloat", cd, TSignal::Tone, ".wav", floatWav, snd},
       TSourceFault::Unsupported,
       "float samples are not supported: FLAC holds integers only"},
      {{"WavULaw", cd, TSignal::Tone, ".wav", Ffmpeg("pcm_mulaw"), snd},
       TSourceFault::Unsupported,
       "U-Law encoding is not supported"},
  };
}

class DecodedFaultTest : public ::testing::TestWithParam<TFaultCase> {};

// A damaged or short file fails at the first frame it cannot vouch for, after every intact
// frame before it and none after; a file that cannot be converted fails before any frame.
TEST_P(DecodedFaultTest, FailsAfterTheIntactFramesOnly) {
  const TFaultCase& fault = GetParam();
  const TInputCase& input = fault.Input;
  const test::TScratchDir scratch;
  const TPrepared file = Prepare(input, scratch);
  TDecodedSource source(input.Opener);
  source.SetFileName(file.Path);
  const TReadResult got = ReadRange(source, 0, -1);
  ASSERT_TRUE(got.Error) << "no error";
  EXPECT_EQ(got.Error->Fault(), fault.Fault);
  EXPECT_NE(std::string(got.Error->what()).find(fault.Message), std::string::npos)
      << got.Error->what();
  EXPECT_EQ(got.Error->FileName(), file.Path);
  if (file.IntactFrames < 0) {
    EXPECT_TRUE(got.Pcm.empty());
    return;
  }
  EXPECT_TRUE(got.Pcm == Frames(PcmOf(input), 0, file.IntactFrames, input.Format))
      << "delivered " << got.Pcm.size() / input.Format.FrameBytes() << " frames, not the "
      << file.IntactFrames << " intact ones";
  EXPECT_DOUBLE_EQ(got.Error->DamagedAt(),
                   static_cast<double>(file.IntactFrames) / input.Format.SampleRate);
  // The same after a seek: just before the damage, and into it.
  const int64_t before = file.IntactFrames - 100;
  const TReadResult tail = ReadRange(source, before, -1);
  ASSERT_TRUE(tail.Error) << "no error after a seek";
  EXPECT_EQ(tail.Error->Fault(), fault.Fault);
  EXPECT_TRUE(tail.Pcm == Frames(PcmOf(input), before, file.IntactFrames, input.Format))
      << "delivered " << tail.Pcm.size() / input.Format.FrameBytes() << " frames, not 100";
  const TReadResult inside = ReadRange(source, file.IntactFrames + 100, -1);
  ASSERT_TRUE(inside.Error) << "no error after a seek into the damage";
  EXPECT_EQ(inside.Error->Fault(), fault.Fault);
  EXPECT_TRUE(inside.Pcm.empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, DecodedFaultTest, ::testing::ValuesIn(FaultCases()),
                         [](const auto& Info) { return Info.param.Input.Name; });

// Opening a pipe without a writer would wait for ever; both decoders refuse it at once.
TEST(DecodedInputTest, RefusesAPipeWithoutWaiting) {
  const test::TScratchDir scratch;
  const std::string pipe = scratch.File("input.wav");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const TStreamDecoderOpener opener : {&OpenWavPackDecoder, &OpenSndFileDecoder}) {
    try {
      opener(pipe);
      ADD_FAILURE() << "the pipe was opened";
    } catch (const ESourceError& Error) {
      EXPECT_EQ(Error.Fault(), TSourceFault::Unreadable);
      EXPECT_NE(std::string(Error.what()).find("not a regular file"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace corvane
