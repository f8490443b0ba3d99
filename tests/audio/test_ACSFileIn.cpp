#include <gtest/gtest.h>

#include "ACSException.h"
#include "ACSFileIn.h"

namespace corvane::test {
namespace {

// A file source over an imaginary 16-bit stereo file of 1000 frames.
class TFakeFileIn : public TACSFileIn {
 public:
  int BitsPerSample() override { return FBitsPerSample; }
  int Channels() override { return FChannels; }
  int SampleRate() override { return FSampleRate; }
  int64_t ReadData(uint8_t*, int64_t) override { return 0; }
  void OpenSource() override {
    if (FOpenCount == 0) {
      FBitsPerSample = 16;
      FChannels = 2;
      FSampleRate = 44100;
      FTotalSamples = 1000;
      FSize = FTotalSamples * 4;
    }
    ++FOpenCount;
  }
  void CloseSource() override {
    if (FOpenCount > 0) --FOpenCount;
  }
  bool SeekSample(int64_t Sample) override {
    SeekedTo = Sample;
    return true;
  }

  int64_t SeekedTo = -1;
};

struct RangeCase {
  int64_t Start, End, ExpectedFrames;
  bool Seeks;
};

class FileInRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(FileInRangeTest, SizeCoversTheRange) {
  const RangeCase c = GetParam();
  TFakeFileIn in;
  in.SetFileName("x.ape");
  in.SetStartSample(c.Start);
  in.SetEndSample(c.End);
  in.BeginRead();
  EXPECT_EQ(in.Size(), c.ExpectedFrames * 4);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_TRUE(in.Busy());
  EXPECT_EQ(in.SeekedTo, c.Seeks ? c.Start : -1);
  EXPECT_EQ(in.OpenCount(), 1);
  in.EndRead();
  EXPECT_FALSE(in.Busy());
  EXPECT_EQ(in.OpenCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ranges, FileInRangeTest,
                         ::testing::Values(RangeCase{0, -1, 1000, false},
                                           RangeCase{250, -1, 750, true},
                                           RangeCase{250, 600, 350, true},
                                           RangeCase{0, 600, 600, false},
                                           RangeCase{600, 250, -350, true}),
                         [](const auto& Info) {
                           const auto bound = [](int64_t Frame) {
                             return Frame < 0 ? std::string("End") : std::to_string(Frame);
                           };
                           return "From" + bound(Info.param.Start) + "To" + bound(Info.param.End);
                         });

TEST(FileInTest, LargeRangesDoNotOverflow) {
  // A 7-hour 24-bit stereo range is about 11 GB of PCM.
  class TLongFileIn : public TFakeFileIn {
    void OpenSource() override {
      TFakeFileIn::OpenSource();
      FBitsPerSample = 24;
      FTotalSamples = 7LL * 3600 * 96000;
    }
  } in;
  in.SetFileName("long.ape");
  in.SetStartSample(1);
  in.BeginRead();
  EXPECT_EQ(in.Size(), (7LL * 3600 * 96000 - 1) * 6);
}

TEST(FileInTest, MisuseRaisesItsMessage) {
  TFakeFileIn in;
  try {
    in.BeginRead();
    FAIL() << "read without a file name";
  } catch (const EACSException& E) {
    EXPECT_STREQ(E.what(), "The file name is not assigned");
  }
  EXPECT_FALSE(in.Busy());
  in.SetFileName("x.ape");
  in.BeginRead();
  try {
    in.BeginRead();
    FAIL() << "a second read pass opened";
  } catch (const EACSException& E) {
    EXPECT_STREQ(E.what(), "The component is Busy");
  }
  EXPECT_EQ(in.OpenCount(), 1);
}

TEST(FileInTest, ForceFinishClosesEverything) {
  TFakeFileIn in;
  in.SetFileName("x.ape");
  in.OpenSource();
  in.BeginRead();
  EXPECT_EQ(in.OpenCount(), 2);
  in.ForceFinish();
  EXPECT_FALSE(in.Busy());
  EXPECT_EQ(in.OpenCount(), 0);
}

}  // namespace
}  // namespace corvane::test
