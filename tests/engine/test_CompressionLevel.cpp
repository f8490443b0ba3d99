#include <gtest/gtest.h>

#include "AppTexts.h"
#include "CompressionLevel.h"
#include "FLACBinding.h"
#include "FLACOut.h"

namespace corvane {
namespace {

struct TSettings {
  int MaxLPCOrder, BlockSize, MinPartition, MaxPartition;
  bool MidSide, LooseMidSide, BestModel;
  bool operator==(const TSettings&) const = default;
};

TSettings Read(const TFLACOut& Out) {
  return {Out.MaxLPCOrder(),
          Out.BlockSize(),
          Out.MinResidualPartitionOrder(),
          Out.MaxResidualPartitionOrder(),
          Out.EnableMidSideStereo(),
          Out.EnableLooseMidSideStereo(),
          Out.BestModelSearch()};
}

void PrintTo(const TSettings& S, std::ostream* Out) {
  *Out << S.MaxLPCOrder << "/" << S.BlockSize << "/" << S.MinPartition << "/" << S.MaxPartition
       << " ms" << S.MidSide << " loose" << S.LooseMidSide << " best" << S.BestModel;
}

class Levels : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadLibFLAC()); }
};

TEST_F(Levels, EndInTheReferenceEncodersPresets) {
  // Levels 1 and 4 store mid-side off and end with it on; 7 and 8 end with loose mid-side off.
  const TSettings expected[9] = {
      {0, 1152, 2, 2, false, false, false}, {0, 1152, 2, 2, true, true, false},
      {0, 1152, 0, 3, true, false, false},  {6, 4608, 3, 3, false, false, false},
      {8, 4608, 3, 3, true, true, false},   {8, 4608, 3, 3, true, false, false},
      {8, 4608, 0, 4, true, false, false},  {8, 4608, 0, 6, true, false, true},
      {12, 4608, 0, 6, true, false, true}};
  for (int level = 0; level <= 8; ++level) {
    TFLACOut out;
    // Start from the opposite of every flag, so a setter that is skipped shows.
    out.SetEnableLooseMidSideStereo(true);
    out.SetBestModelSearch(true);
    ASSERT_TRUE(ApplyCompressionLevel(out, level));
    EXPECT_EQ(Read(out), expected[level]) << "level " << level;
  }
}

TEST_F(Levels, OutsideTheTableChangeNothing) {
  TFLACOut out;
  ApplyCompressionLevel(out, 8);
  const TSettings before = Read(out);
  for (const int level : {-1, 9, 12}) {
    EXPECT_FALSE(ApplyCompressionLevel(out, level));
    EXPECT_EQ(Read(out), before);
  }
}

TEST(CompressionLevelText, ParsesIntegersOnly) {
  EXPECT_EQ(ParseCompressionLevel("5"), 5);
  EXPECT_EQ(ParseCompressionLevel("12"), 12);
  EXPECT_EQ(ParseCompressionLevel("-1"), -1);
  EXPECT_EQ(ParseCompressionLevel("+3"), 3);
  for (const char* text : {"", "a", "5a", " 5", "+-3", "99999999999"}) {
    EXPECT_FALSE(ParseCompressionLevel(text).has_value()) << text;
  }
}

TEST(CompressionLevelText, StatusCoversEveryInteger) {
  EXPECT_STREQ(CompressionLevelStatus(-5), texts::kStatusFast);
  EXPECT_STREQ(CompressionLevelStatus(2), texts::kStatusFast);
  EXPECT_STREQ(CompressionLevelStatus(3), texts::kStatusMedium);
  EXPECT_STREQ(CompressionLevelStatus(6), texts::kStatusMedium);
  EXPECT_STREQ(CompressionLevelStatus(7), texts::kStatusSlow);
  EXPECT_STREQ(CompressionLevelStatus(12), texts::kStatusSlow);
}

TEST(CompressionLevelText, CpuUsageSetsTheWorkersSleepAndTheDecodingThreads) {
  struct TCase {
    int Position, Cores, Delay, Threads;
  };
  for (const TCase& c : {TCase{1, 8, 11, 1}, TCase{2, 8, 6, 1}, TCase{3, 8, 1, 8},
                         TCase{3, 2, 1, 2}, TCase{3, 1, 1, 1}, TCase{3, 0, 1, 1}}) {
    EXPECT_EQ(LoopDelayForCpuUsage(c.Position), c.Delay) << c.Position;
    EXPECT_EQ(DecodeThreadsForCpuUsage(c.Position, c.Cores), c.Threads)
        << c.Position << " on " << c.Cores << " cores";
  }
}

}  // namespace
}  // namespace corvane
