// The FLAC sink: what the encoder is told, and what the file says of it.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

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

}  // namespace
}  // namespace corvane
