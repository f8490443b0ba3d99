#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "ACSException.h"
#include "ChildProcess.h"
#include "FLACBinding.h"
#include "FLACOut.h"
#include "FlacDecode.h"
#include "PcmSignal.h"
#include "ScratchDir.h"
#include "SinkRun.h"
#include "StagedFile.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::TPcmFormat;
using test::TScratchDir;
using test::TSinkRun;

// PCM held in memory, handed out at most Piece bytes per call.
class TPcmSource : public TACSInput {
 public:
  TPcmSource(TPcmFormat Of, std::vector<uint8_t> Pcm) : Format(Of), FPcm(std::move(Pcm)) {}

  int BitsPerSample() override { return Format.BitsPerSample; }
  int Channels() override { return Format.Channels; }
  int SampleRate() override { return Format.SampleRate; }
  void BeginRead() override {
    ++BeginReads;
    if (!BeginReadError.empty()) throw std::runtime_error(BeginReadError);
    FAt = 0;
    FPosition = 0;
    FSize = ReportedSize.value_or(static_cast<int64_t>(FPcm.size()));
    FBusy = true;
  }
  void EndRead() override {
    ++EndReads;
    FBusy = false;
  }
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override {
    if (FailAfter >= 0 && FAt >= FailAfter) throw std::runtime_error("The source broke.");
    const int64_t count = std::min({BufferSize, Piece, static_cast<int64_t>(FPcm.size()) - FAt});
    if (count > 0) std::memcpy(Dest, FPcm.data() + FAt, static_cast<size_t>(count));
    FAt += count;
    FPosition += count;
    return count;
  }

  // Set before a run.
  TPcmFormat Format;
  int64_t Piece = INT64_MAX;
  std::optional<int64_t> ReportedSize;  // else the true size
  int64_t FailAfter = -1;               // throw once this many bytes went out
  std::string BeginReadError;
  std::atomic<int> BeginReads{0};
  std::atomic<int> EndReads{0};

 private:
  std::vector<uint8_t> FPcm;
  int64_t FAt = 0;
};

// The values every depth gets wrong first (full scale, -1, the sign bit), then a tone.
std::vector<uint8_t> MakeTestPcm(const TPcmFormat& Format, int64_t Frames) {
  std::vector<uint8_t> pcm = test::MakePcm(Format, Frames, test::TSignal::Tone);
  const int bytes = Format.BitsPerSample / 8;
  const int64_t top = (int64_t{1} << (Format.BitsPerSample - 1)) - 1;
  const int64_t pattern[] = {-top - 1, top, 0, -1, 1, -top, top - 1};
  const int64_t samples = std::min<int64_t>(Frames * Format.Channels, 700);
  for (int64_t i = 0; i < samples; ++i) {
    int64_t value = pattern[i % 7];
    if (bytes == 1) value += 128;
    for (int b = 0; b < bytes; ++b)
      pcm[static_cast<size_t>(i * bytes + b)] = static_cast<uint8_t>(value >> (8 * b));
  }
  return pcm;
}

bool IsOpenHere(const std::string& Path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    if (std::filesystem::read_symlink(entry.path(), error) == Path) return true;
  }
  return false;
}

bool Exists(const std::string& Path) {
  return std::filesystem::exists(Path);
}

// Temporary files of runs left in Folder: every run must take its own away or rename it.
std::vector<std::string> Leftovers(const std::string& Folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".corvane-") != std::string::npos) names.push_back(name);
  }
  return names;
}

// An older file at the output name, which only a complete run may replace.
const std::vector<uint8_t> kOldFile(5000, 0x4F);

// What the library was told, recorded by wrappers put in front of its functions.
struct TCall {
  std::string Name;
  uint64_t Value;
  bool operator==(const TCall&) const = default;
};
std::ostream& operator<<(std::ostream& Out, const TCall& Call) {
  return Out << Call.Name << "=" << Call.Value;
}

// The encoder's settings once it started, as its own getters report them.
struct TResolved {
  uint32_t BlockSize, MaxLPCOrder, MinPartition, MaxPartition, QLPPrecision;
  bool MidSide, LooseMidSide, Exhaustive;
};

struct TLog {
  std::mutex Mutex;
  std::vector<TCall> Calls;
  std::vector<uint32_t> Frames;  // per process_interleaved
  std::optional<TResolved> Resolved;
  TLibFLAC Real;
};
TLog& Log() {
  static TLog log;
  return log;
}
void Record(const char* Name, uint64_t Value) {
  std::lock_guard lock(Log().Mutex);
  Log().Calls.push_back({Name, Value});
}

class TRecordingLibFLAC {
 public:
  TRecordingLibFLAC() {
    {
      std::lock_guard lock(Log().Mutex);
      Log().Calls.clear();
      Log().Frames.clear();
      Log().Resolved.reset();
      Log().Real = LibFLAC();
    }
    TLibFLAC& table = LibFLACForTest();
#define CORVANE_RECORD(Name)                                                   \
  table.stream_encoder_##Name = [](FLAC__StreamEncoder* Encoder, auto Value) { \
    Record(#Name, static_cast<uint64_t>(Value));                               \
    return Log().Real.stream_encoder_##Name(Encoder, Value);                   \
  };
    CORVANE_RECORD(set_verify)
    CORVANE_RECORD(set_streamable_subset)
    CORVANE_RECORD(set_channels)
    CORVANE_RECORD(set_bits_per_sample)
    CORVANE_RECORD(set_sample_rate)
    CORVANE_RECORD(set_do_mid_side_stereo)
    CORVANE_RECORD(set_loose_mid_side_stereo)
    CORVANE_RECORD(set_blocksize)
    CORVANE_RECORD(set_max_lpc_order)
    CORVANE_RECORD(set_qlp_coeff_precision)
    CORVANE_RECORD(set_do_qlp_coeff_prec_search)
    CORVANE_RECORD(set_min_residual_partition_order)
    CORVANE_RECORD(set_max_residual_partition_order)
    CORVANE_RECORD(set_do_exhaustive_model_search)
    CORVANE_RECORD(set_total_samples_estimate)
#undef CORVANE_RECORD
    table.stream_encoder_init_stream =
        [](FLAC__StreamEncoder* Encoder, FLAC__StreamEncoderWriteCallback Write,
           FLAC__StreamEncoderSeekCallback Seek, FLAC__StreamEncoderTellCallback Tell,
           FLAC__StreamEncoderMetadataCallback Metadata, void* Client) {
          Record("init_stream", 0);
          const auto status =
              Log().Real.stream_encoder_init_stream(Encoder, Write, Seek, Tell, Metadata, Client);
          if (status == FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            std::lock_guard lock(Log().Mutex);
            Log().Resolved =
                TResolved{FLAC__stream_encoder_get_blocksize(Encoder),
                          FLAC__stream_encoder_get_max_lpc_order(Encoder),
                          FLAC__stream_encoder_get_min_residual_partition_order(Encoder),
                          FLAC__stream_encoder_get_max_residual_partition_order(Encoder),
                          FLAC__stream_encoder_get_qlp_coeff_precision(Encoder),
                          FLAC__stream_encoder_get_do_mid_side_stereo(Encoder) != 0,
                          FLAC__stream_encoder_get_loose_mid_side_stereo(Encoder) != 0,
                          FLAC__stream_encoder_get_do_exhaustive_model_search(Encoder) != 0};
          }
          return status;
        };
    table.stream_encoder_process_interleaved = [](FLAC__StreamEncoder* Encoder,
                                                  const FLAC__int32 Buffer[], uint32_t Frames) {
      {
        std::lock_guard lock(Log().Mutex);
        Log().Frames.push_back(Frames);
      }
      return Log().Real.stream_encoder_process_interleaved(Encoder, Buffer, Frames);
    };
  }
  ~TRecordingLibFLAC() {
    LibFLACForTest() = Log().Real;
  }
  TRecordingLibFLAC(const TRecordingLibFLAC&) = delete;
  TRecordingLibFLAC& operator=(const TRecordingLibFLAC&) = delete;

  static std::vector<TCall> Calls() {
    std::lock_guard lock(Log().Mutex);
    return Log().Calls;
  }
  static std::vector<uint32_t> Frames() {
    std::lock_guard lock(Log().Mutex);
    return Log().Frames;
  }
  static std::optional<TResolved> Resolved() {
    std::lock_guard lock(Log().Mutex);
    return Log().Resolved;
  }
  static std::optional<uint64_t> Value(const std::string& Name) {
    for (const TCall& call : Calls()) {
      if (call.Name == Name) return call.Value;
    }
    return std::nullopt;
  }
};

class FLACOut : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadLibFLAC()); }
  TScratchDir Dir;
};

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

// ---- What the encoder is told ----

TEST_F(FLACOut, PassesTheSettingsInOrderBeforeStarting) {
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("order.flac"));
  out.SetVerify(true);
  out.SetBlockSize(1152);
  out.SetMaxLPCOrder(7);
  out.SetQLPCoeffPrecision(12);
  out.SetQLPCoeffPrecisionSearch(true);
  out.SetMinResidualPartitionOrder(2);
  out.SetMaxResidualPartitionOrder(5);
  out.SetEnableLooseMidSideStereo(true);
  TRecordingLibFLAC recording;
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");

  const std::vector<TCall> expected = {
      {"set_verify", 1},
      {"set_channels", 2},
      {"set_bits_per_sample", 16},
      {"set_sample_rate", 44100},
      {"set_do_mid_side_stereo", 1},
      {"set_loose_mid_side_stereo", 1},
      {"set_blocksize", 1152},
      {"set_max_lpc_order", 7},
      {"set_qlp_coeff_precision", 12},
      {"set_do_qlp_coeff_prec_search", 1},
      {"set_min_residual_partition_order", 2},
      {"set_max_residual_partition_order", 5},
      {"set_do_exhaustive_model_search", 0},
      {"set_total_samples_estimate", 3000},
      {"init_stream", 0},
  };
  EXPECT_EQ(recording.Calls(), expected);
  EXPECT_TRUE(test::DecodeFlacFile(out.FileName()).Ok);
}

TEST_F(FLACOut, MonoInputGetsNoStereoSettings) {
  const TPcmFormat format{16, 1, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("mono.flac"));
  TRecordingLibFLAC recording;
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_FALSE(recording.Value("set_do_mid_side_stereo"));
  EXPECT_FALSE(recording.Value("set_loose_mid_side_stereo"));
}

struct TPrecisionCase {
  int Bits;
  uint16_t Asked;
  uint16_t Passed;  // also what the property reads afterwards
};
std::ostream& operator<<(std::ostream& Out, const TPrecisionCase& Case) {
  return Out << Case.Bits << "-bit, precision " << Case.Asked;
}

class FLACOutPrecision : public FLACOut, public ::testing::WithParamInterface<TPrecisionCase> {};

TEST_P(FLACOutPrecision, IsLoweredToWhatTheDepthLeavesRoomFor) {
  const TPrecisionCase& c = GetParam();
  const TPcmFormat format{c.Bits, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("qlp.flac"));
  out.SetMaxLPCOrder(8);
  out.SetQLPCoeffPrecision(c.Asked);
  TRecordingLibFLAC recording;
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_EQ(out.QLPCoeffPrecision(), c.Passed);
  EXPECT_EQ(recording.Value("set_qlp_coeff_precision"), c.Passed);
  EXPECT_TRUE(test::DecodeFlacFile(out.FileName()).Ok);
}

INSTANTIATE_TEST_SUITE_P(Depths, FLACOutPrecision,
                         ::testing::Values(TPrecisionCase{16, 20, 15}, TPrecisionCase{16, 15, 15},
                                           TPrecisionCase{24, 20, 7}, TPrecisionCase{24, 7, 7},
                                           TPrecisionCase{8, 14, 14},
                                           // No room at 32 bits: never wrap below zero.
                                           TPrecisionCase{32, 0, 0}, TPrecisionCase{32, 9, 0}),
                         [](const auto& Info) {
                           return "Bits" + std::to_string(Info.param.Bits) + "Precision" +
                                  std::to_string(Info.param.Asked);
                         });

struct TEstimateCase {
  int64_t ReportedSize;
  std::optional<uint64_t> Estimate;
};
std::ostream& operator<<(std::ostream& Out, const TEstimateCase& Case) {
  return Out << "size " << Case.ReportedSize;
}

class FLACOutEstimate : public FLACOut, public ::testing::WithParamInterface<TEstimateCase> {};

TEST_P(FLACOutEstimate, IsPassedOnlyForAKnownSizeAndTheFileCountsWhatCame) {
  const TEstimateCase& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  source.ReportedSize = c.ReportedSize;
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("estimate.flac"));
  TRecordingLibFLAC recording;
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_EQ(recording.Value("set_total_samples_estimate"), c.Estimate);
  const test::TDecodedFlac flac = test::DecodeFlacFile(out.FileName());
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_EQ(flac.TotalSamples, 3000u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FLACOutEstimate,
                         ::testing::Values(TEstimateCase{-1, std::nullopt},
                                           TEstimateCase{0, std::nullopt}, TEstimateCase{1000, 250},
                                           TEstimateCase{1002, 250},  // 250.5: to even
                                           TEstimateCase{1006, 252},  // 251.5: to even
                                           TEstimateCase{12000, 3000}),
                         [](const auto& Info) {
                           const int64_t size = Info.param.ReportedSize;
                           return size < 0 ? std::string("Unknown")
                                           : "Bytes" + std::to_string(size);
                         });

// The window's compression levels 0 to 8, as applied through the setters.
struct TLevel {
  int Level;
  uint16_t MaxLPCOrder, BlockSize, MinPartition, MaxPartition;
  bool MidSide, LooseMidSide, BestModelSearch;
};
std::ostream& operator<<(std::ostream& Out, const TLevel& Row) {
  return Out << "level " << Row.Level;
}

class FLACOutLevel : public FLACOut, public ::testing::WithParamInterface<TLevel> {};

TEST_P(FLACOutLevel, ReachesTheEncoderAndMakesAValidFile) {
  const TLevel& level = GetParam();
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 44100, test::TSignal::Tone);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("level.flac"));
  out.SetMaxLPCOrder(level.MaxLPCOrder);
  out.SetBlockSize(level.BlockSize);
  out.SetMinResidualPartitionOrder(level.MinPartition);
  out.SetMaxResidualPartitionOrder(level.MaxPartition);
  out.SetEnableMidSideStereo(level.MidSide && !level.LooseMidSide);  // as the window stores it
  out.SetEnableLooseMidSideStereo(level.LooseMidSide);
  out.SetBestModelSearch(level.BestModelSearch);
  EXPECT_EQ(out.EnableMidSideStereo(), level.MidSide);
  EXPECT_EQ(out.EnableLooseMidSideStereo(), level.LooseMidSide);

  TRecordingLibFLAC recording;
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  const std::optional<TResolved> resolved = recording.Resolved();
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->MaxLPCOrder, level.MaxLPCOrder);
  EXPECT_EQ(resolved->BlockSize, level.BlockSize);
  EXPECT_EQ(resolved->MinPartition, level.MinPartition);
  EXPECT_EQ(resolved->MaxPartition, level.MaxPartition);
  EXPECT_EQ(resolved->MidSide, level.MidSide);
  EXPECT_EQ(resolved->LooseMidSide, level.LooseMidSide);
  EXPECT_EQ(resolved->Exhaustive, level.BestModelSearch);
  const test::TDecodedFlac flac = test::DecodeFlacFile(out.FileName());
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_TRUE(flac.Pcm == pcm);
}

INSTANTIATE_TEST_SUITE_P(Levels, FLACOutLevel,
                         ::testing::Values(TLevel{0, 0, 1152, 2, 2, false, false, false},
                                           TLevel{1, 0, 1152, 2, 2, true, true, false},
                                           TLevel{2, 0, 1152, 0, 3, true, false, false},
                                           TLevel{3, 6, 4608, 3, 3, false, false, false},
                                           TLevel{4, 8, 4608, 3, 3, true, true, false},
                                           TLevel{5, 8, 4608, 3, 3, true, false, false},
                                           TLevel{6, 8, 4608, 0, 4, true, false, false},
                                           TLevel{7, 8, 4608, 0, 6, true, false, true},
                                           TLevel{8, 12, 4608, 0, 6, true, false, true}),
                         [](const auto& Info) {
                           return "Level" + std::to_string(Info.param.Level);
                         });

// ---- Failed starts ----

struct TStartFailure {
  const char* Name;
  std::function<void(TPcmSource&, TFLACOut&, const TScratchDir&)> Arrange;
  std::function<std::string(const TFLACOut&)> Error;
  int ReadPasses;  // how many read passes the start opened (and must have closed)
};
std::ostream& operator<<(std::ostream& Out, const TStartFailure& Case) {
  return Out << Case.Name;
}

class FLACOutStartFailure : public FLACOut, public ::testing::WithParamInterface<TStartFailure> {};

TEST_P(FLACOutStartFailure, IsReportedAndLeavesNothingBehind) {
  const TStartFailure& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("failed.flac"));
  c.Arrange(source, out, Dir);
  TSinkRun watch(out);

  EXPECT_EQ(watch.Run(), c.Error(out));
  EXPECT_EQ(watch.Done(), 0);
  EXPECT_EQ(watch.Errors(), 1u);
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_EQ(source.EndReads, c.ReadPasses);
  EXPECT_FALSE(source.Busy());
  EXPECT_FALSE(Exists(out.FileName()));
  EXPECT_FALSE(IsOpenHere(out.FileName()));
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FLACOutStartFailure,
    ::testing::Values(
        TStartFailure{"NoFileName",
                      [](TPcmSource&, TFLACOut& Out, const TScratchDir&) { Out.SetFileName(""); },
                      [](const TFLACOut&) { return std::string("File name is not assigned."); }, 0},
        TStartFailure{"MissingFolder",
                      [](TPcmSource&, TFLACOut& Out, const TScratchDir& Dir) {
                        Out.SetFileName(Dir.File("no/such/folder/a.flac"));
                      },
                      [](const TFLACOut& Out) {
                        return "Cannot create file \"" + Out.FileName() +
                               "\". No such file or directory";
                      },
                      0},
        TStartFailure{"SourceCannotOpen",
                      [](TPcmSource& Source, TFLACOut&, const TScratchDir&) {
                        Source.BeginReadError = "Cannot open the source.";
                      },
                      [](const TFLACOut&) { return std::string("Cannot open the source."); }, 0},
        TStartFailure{"UnsupportedDepth",
                      [](TPcmSource& Source, TFLACOut&, const TScratchDir&) {
                        Source.Format.BitsPerSample = 12;
                      },
                      [](const TFLACOut&) { return std::string("Cannot encode 12-bit samples."); },
                      1},
        TStartFailure{
            "TooManyChannels",
            [](TPcmSource& Source, TFLACOut&, const TScratchDir&) { Source.Format.Channels = 9; },
            [](const TFLACOut&) {
              return std::string(
                  "Failed to initialize FLAC encoder. libFLAC: "
                  "FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_NUMBER_OF_CHANNELS");
            },
            1},
        TStartFailure{
            "PrecisionTheLibraryRefuses",
            [](TPcmSource& Source, TFLACOut& Out, const TScratchDir&) {
              Source.Format.BitsPerSample = 8;
              Out.SetQLPCoeffPrecision(16);
            },
            [](const TFLACOut&) {
              return std::string(
                  "Failed to initialize FLAC encoder. libFLAC: "
                  "FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_QLP_COEFF_PRECISION");
            },
            1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FLACOut, UnwritableFolderFailsTheStart) {
  // Root ignores permissions, so the attempt runs as an ordinary user in a child.
  std::filesystem::permissions(Dir.Path(), std::filesystem::perms::all);
  const std::string folder = Dir.File("readonly");
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(
      folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                  std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const std::string path = folder + "/a.flac";
  const std::string verdict = test::RunInChild({.DropRoot = true}, [&]() -> std::string {
    const TPcmFormat format{16, 2, 44100};
    TPcmSource source(format, MakeTestPcm(format, 3000));
    TFLACOut out;
    out.SetInput(&source);
    out.SetFileName(path);
    TSinkRun watch(out);
    const std::string error = watch.Run();
    const std::string expected = "Cannot create file \"" + path + "\". Permission denied";
    if (error != expected) return "got \"" + error + "\"";
    if (source.Busy() || source.BeginReads != source.EndReads) return "read pass left open";
    return "";
  });
  EXPECT_EQ(verdict, "");
  EXPECT_FALSE(Exists(path));
}

// ---- Failed runs ----

TEST_F(FLACOut, SourceFailingMidRunLeavesTheOlderFileAlone) {
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 10 * 4608));
  source.FailAfter = 3 * 4608 * 4 + 100;
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("broken.flac"));
  test::WriteFileBytes(out.FileName(), kOldFile);
  TSinkRun watch(out);
  EXPECT_EQ(watch.Run(), "The source broke.");
  EXPECT_EQ(watch.Done(), 0);
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_EQ(test::ReadFileBytes(out.FileName()), kOldFile);
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

// The disk fills up (a file-size limit in a child) at different points of the run; the file an
// earlier run finished survives every failure byte for byte.
TEST_F(FLACOut, FullDiskFailsTheRunWhereverItHitsAndSaysSo) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 20 * 4608 + 999, test::TSignal::Noise);
  const std::string path = Dir.File("full.flac");
  const auto encode = [&](int64_t Limit) {
    return test::RunInChild({.FileSizeLimit = Limit}, [&]() -> std::string {
      TPcmSource source(format, pcm);
      TFLACOut out;
      out.SetInput(&source);
      out.SetFileName(path);
      TSinkRun watch(out);
      const std::string error = watch.Run();
      if (watch.Done() != 0 && !error.empty()) return "reported done after: " + error;
      if (source.Busy() || source.BeginReads != source.EndReads) return "read pass left open";
      if (IsOpenHere(path)) return "file left open";
      return error.empty() ? "done" : error;
    });
  };
  ASSERT_EQ(encode(-1), "done");
  const std::vector<uint8_t> finished = test::ReadFileBytes(path);
  const auto size = static_cast<int64_t>(finished.size());

  EXPECT_EQ(encode(size), "done");  // exactly enough room
  ASSERT_TRUE(test::DecodeFlacFile(path).Ok);
  const struct {
    int64_t Limit;
    const char* Error;
  } cases[] = {
      {0, "Failed to initialize FLAC encoder."},  // not even the header fits
      {size / 2, "Failed to encode data."},       // in the middle of the frames
      {size - 1, "Failed to encode data."},       // the last frame, written while finishing
  };
  // The fixed text, then which file and why.
  const std::string cause = " Cannot write file \"" + TStagedFile::TemporaryPrefix(path);
  for (const auto& c : cases) {
    const std::string error = encode(c.Limit);
    EXPECT_EQ(error.substr(0, std::strlen(c.Error) + cause.size()), c.Error + cause) << c.Limit;
    EXPECT_TRUE(error.ends_with("\". File too large")) << error;
    EXPECT_EQ(test::ReadFileBytes(path), finished) << "limit " << c.Limit;
    EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>()) << "limit " << c.Limit;
  }
}

// ---- Ends before the input does ----

TEST_F(FLACOut, StopLeavesNothingUnderTheFileName) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 30 * 44100, test::TSignal::Tone);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("stopped.flac"));
  test::WriteFileBytes(out.FileName(), kOldFile);
  std::atomic<bool> written{false};
  out.SetOnProgress([&](TACSOutput& Sender) {
    if (Sender.Progress() < 30) return;
    written = !Leftovers(Dir.Path()).empty();
    Sender.Stop();
  });
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");  // a stop is no failure
  EXPECT_TRUE(written);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_EQ(test::ReadFileBytes(out.FileName()), kOldFile);
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
  EXPECT_EQ(out.FinishedFile(), "");
}

TEST_F(FLACOut, DestroyedMidRunRemovesItsFileAndJoins) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 30 * 44100, test::TSignal::Tone);
  TPcmSource source(format, pcm);
  const std::string path = Dir.File("destroyed.flac");
  std::mutex mutex;
  std::condition_variable paused;
  bool isPaused = false;
  {
    auto out = std::make_unique<TFLACOut>();
    out->SetInput(&source);
    out->SetFileName(path);
    out->SetOnProgress([&](TACSOutput& Sender) {
      if (Sender.Progress() < 30) return;
      Sender.Pause();
      std::lock_guard lock(mutex);
      isPaused = true;
      paused.notify_all();
    });
    out->Start();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(paused.wait_for(lock, 60s, [&] { return isPaused; }));
    EXPECT_EQ(Leftovers(Dir.Path()).size(), 1u);
  }
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

TEST_F(FLACOut, SourceDestroyedMidRunEndsTheData) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 20 * 44100, test::TSignal::Tone);
  auto source = std::make_unique<TPcmSource>(format, pcm);
  TFLACOut out;
  out.SetInput(source.get());
  out.SetFileName(Dir.File("orphan.flac"));
  // Runs on the worker between two blocks, where nothing is reading.
  out.SetOnProgress([&](TACSOutput& Sender) {
    if (Sender.Progress() >= 30 && source) source.reset();
  });
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_EQ(out.Input(), nullptr);
  const test::TDecodedFlac flac = test::DecodeFlacFile(out.FileName());
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_GT(flac.Pcm.size(), 0u);
  EXPECT_TRUE(std::equal(flac.Pcm.begin(), flac.Pcm.end(), pcm.begin()));
}

// ---- Where a complete run's file goes ----

// What stands at the output name before a complete run.
struct TOutputName {
  const char* Name;
  std::string FileName;  // inside the scratch folder
  bool OldFile = false;  // an older file stands there
  bool Link = false;     // a symbolic link to another file of the user's stands there
};
std::ostream& operator<<(std::ostream& Out, const TOutputName& Case) {
  return Out << Case.Name;
}

class FLACOutName : public FLACOut, public ::testing::WithParamInterface<TOutputName> {};

TEST_P(FLACOutName, ReceivesTheWholeFileAndNothingElseIsTouched) {
  const TOutputName& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 3 * 4608 + 17);
  const std::string path = Dir.File(c.FileName);
  const std::string target = Dir.File("precious.txt");
  if (c.OldFile) test::WriteFileBytes(path, kOldFile);
  if (c.Link) {
    test::WriteFileBytes(target, kOldFile);
    std::filesystem::create_symlink(target, path);
  }
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(path);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");

  EXPECT_FALSE(std::filesystem::is_symlink(path));
  const test::TDecodedFlac flac = test::DecodeFlacFile(path);
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_TRUE(flac.Pcm == pcm);
  if (c.Link) {
    EXPECT_EQ(test::ReadFileBytes(target), kOldFile);
  }
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
  // An ordinary file: the user's umask decides, not the 0600 of a private temporary file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<unsigned>(std::filesystem::status(path).permissions()), 0666u & ~mask);
}

std::string LongName() {
  std::string name;
  while (name.size() < 245) name += "长";  // 3 bytes each: the temporary name must be cut
  return name + ".flac";
}

INSTANTIATE_TEST_SUITE_P(Names, FLACOutName,
                         ::testing::Values(TOutputName{"Free", "new.flac"},
                                           TOutputName{"OldFile", "old.flac", true},
                                           TOutputName{"SymbolicLink", "link.flac", false, true},
                                           TOutputName{"LongestName", LongName()}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FLACOut, HeldFileWaitsForItsOwnerUntilTheNextRun) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 5000);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetAutoCommit(false);
  const std::string path = Dir.File("held.flac");
  out.SetFileName(path);
  test::WriteFileBytes(path, kOldFile);
  TSinkRun watch(out);

  // Committed: the finished file replaces the old one.
  ASSERT_EQ(watch.Run(), "");
  const std::string held = out.FinishedFile();
  ASSERT_TRUE(held.starts_with(TStagedFile::TemporaryPrefix(path))) << held;
  EXPECT_TRUE(test::DecodeFlacFile(held).Ok);
  EXPECT_EQ(test::ReadFileBytes(path), kOldFile);
  out.CommitFinishedFile();
  EXPECT_EQ(out.FinishedFile(), "");
  EXPECT_FALSE(Exists(held));
  EXPECT_TRUE(test::DecodeFlacFile(path).Pcm == pcm);

  // Discarded, or given up by the next run: the final name keeps what it had.
  test::WriteFileBytes(path, kOldFile);
  ASSERT_EQ(watch.Run(), "");
  out.DiscardFinishedFile();
  ASSERT_EQ(watch.Run(), "");
  const std::string second = out.FinishedFile();
  ASSERT_EQ(watch.Run(), "");
  EXPECT_FALSE(Exists(second));
  EXPECT_EQ(Leftovers(Dir.Path()).size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(path), kOldFile);
}

TEST_F(FLACOut, FailedCommitLeavesTheFinalNameAlone) {
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 5000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetAutoCommit(false);
  const std::string path = Dir.File("folder.flac");
  out.SetFileName(path);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  // A folder took the name meanwhile: a file cannot replace it.
  std::filesystem::create_directory(path);
  try {
    out.CommitFinishedFile();
    ADD_FAILURE() << "committed over a folder";
  } catch (const EFileError& E) {
    EXPECT_EQ(E.FileName(), path);
    EXPECT_EQ(E.ErrorCode(), EISDIR);
  }
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(out.FinishedFile(), "");
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

// ---- Room for the tags ----

struct TPaddingCase {
  const char* Name;
  uint32_t Asked;
  uint32_t Written;  // 0: no padding block
};
std::ostream& operator<<(std::ostream& Out, const TPaddingCase& Case) {
  return Out << Case.Name;
}

class FLACOutPadding : public FLACOut, public ::testing::WithParamInterface<TPaddingCase> {};

TEST_P(FLACOutPadding, IsReservedRightBehindTheCommentBlock) {
  const TPaddingCase& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 5000);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("padded.flac"));
  out.SetPaddingReserve(c.Asked);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_TRUE(test::DecodeFlacFile(out.FileName()).Pcm == pcm);

  // Block types in file order, with the padding's length: where the tag writer looks for it.
  std::vector<std::pair<int, uint32_t>> blocks;
  FLAC__Metadata_SimpleIterator* it = FLAC__metadata_simple_iterator_new();
  ASSERT_TRUE(FLAC__metadata_simple_iterator_init(it, out.FileName().c_str(), true, false));
  do {
    blocks.emplace_back(FLAC__metadata_simple_iterator_get_block_type(it),
                        FLAC__metadata_simple_iterator_get_block_length(it));
  } while (FLAC__metadata_simple_iterator_next(it));
  FLAC__metadata_simple_iterator_delete(it);
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(blocks[1].first, FLAC__METADATA_TYPE_VORBIS_COMMENT);
  if (c.Written == 0) {
    EXPECT_EQ(blocks.size(), 2u);
  } else {
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2], std::make_pair(int{FLAC__METADATA_TYPE_PADDING}, c.Written));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FLACOutPadding,
    ::testing::Values(
        TPaddingCase{"None", 0, 0}, TPaddingCase{"OneByte", 1, 1},
        TPaddingCase{"EightKiB", 8192, 8192},
        // The length field has 24 bits, and the library writes a block in one piece below that.
        TPaddingCase{"Capped", 0x800000, 0x800000}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
