#include <gtest/gtest.h>

#include <cmath>

#include "CueTime.h"

namespace corvane {
namespace {

struct TTimeCase {
  const char* Time;
  int Rate;
  int64_t Sample;
};

class CueTimes : public testing::TestWithParam<TTimeCase> {};

TEST_P(CueTimes, MapToTheNearestSampleFrame) {
  const auto frames = CueTimeToCdFrames(GetParam().Time);
  ASSERT_TRUE(frames.has_value());
  EXPECT_EQ(CdFramesToSample(*frames, GetParam().Rate), GetParam().Sample);
}

INSTANTIATE_TEST_SUITE_P(
    Times, CueTimes,
    testing::Values(TTimeCase{"00:00:00", 44100, 0}, TTimeCase{"01:02:30", 44100, 2751840},
                    TTimeCase{"00:00:74", 44100, 43512}, TTimeCase{"99:59:74", 44100, 264599412},
                    // 8000 / 75 per frame: 106.67 rounds up, 213.33 down.
                    TTimeCase{"00:00:01", 8000, 107}, TTimeCase{"00:00:02", 8000, 213},
                    // Characters after the eighth are not read.
                    TTimeCase{"00:01:00 trailing", 48000, 48000}),
    [](const auto& Info) {
      std::string name = "At";
      for (const char* c = Info.param.Time; *c != '\0'; ++c) {
        if (*c >= '0' && *c <= '9') name += *c;
        if (*c == ' ') name += "WithTrailingText";
      }
      return name + "Rate" + std::to_string(Info.param.Rate);
    });

TEST(CueTime, AgreesWithRoundingHalvesToEvenOverAllFrames) {
  // Rates whose frame length is not whole, against the double computation the times describe.
  for (const int rate : {8000, 11025, 22050, 32000, 37800, 44056, 88200, 96000}) {
    for (int64_t frames = 0; frames < 75 * 60 * 3; frames += 7) {
      const double exact = static_cast<double>(rate) * (static_cast<double>(frames) / 75.0);
      EXPECT_EQ(CdFramesToSample(frames, rate), static_cast<int64_t>(std::nearbyint(exact)))
          << rate << " Hz, " << frames << " frames";
    }
  }
}

TEST(CueTime, MalformedTimesAreRefused) {
  for (const char* time : {"", "4:12:00", "04:12:0", "04-12-0x", "ab:cd:ef", " 4:12:00"}) {
    EXPECT_FALSE(CueTimeToCdFrames(time).has_value()) << '"' << time << '"';
  }
  // The separators are not checked.
  EXPECT_EQ(CueTimeToCdFrames("01.02.03"), (60 + 2) * 75 + 3);
}

TEST(CueTime, TimesPastTheEndOfTheFileMeanItsEnd) {
  // One second of audio at 44.1 kHz.
  for (const auto& [time, sample] :
       {std::pair{"00:00:74", 43512}, {"00:02:00", 44100}, {"59:00:00", 44100}}) {
    EXPECT_EQ(SampleWithin(*CueTimeToCdFrames(time), 44100, 44100), sample) << time;
  }
}

}  // namespace
}  // namespace corvane
