// The retry with other arithmetic, end to end. jmac's encoder wraps in 32 bits, so its files
// never need the 64-bit variants; here a loud frame's stored CRC is replaced by the CRC of
// what a variant decodes it to. The decoder must then reject the 32-bit result, accept the
// variant's, hand out exactly that, and say which arithmetic it used; a CRC that no
// arithmetic reproduces fails the frame.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ApeCrc.h"
#include "ApeDecoder.h"
#include "ApeFixtures.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::macdll {
namespace {

struct TPlantCase {
  const char* Name;
  size_t Fixture;  // index into LoudFixtures()
  // The arithmetic whose result the planted CRC matches; none: a CRC nothing matches.
  std::optional<TArithmetic> Planted;
};

void PrintTo(const TPlantCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ApeArithmeticPlantTest : public ::testing::TestWithParam<TPlantCase> {};

TEST_P(ApeArithmeticPlantTest, AcceptsTheArithmeticTheCrcNames) {
  const TPlantCase& c = GetParam();
  const test::TApeFixtureSpec spec = test::LoudFixtures()[c.Fixture];
  const std::string original = test::ApeFixture(spec);
  std::vector<uint8_t> planted;
  uint32_t crc = 0;
  {
    TApeDecoder decoder(original.c_str());
    if (c.Planted) {
      // The variant disagrees with the encoder here, so its result fails the real CRC; what
      // it decoded is still in the frame buffer.
      ASSERT_NE(decoder.LoadFrame(0, &*c.Planted), 0) << "the variant decodes this frame alike";
      planted = decoder.FramePcm();
      crc = CrcFinish(CrcUpdate(kCrcStart, planted.data(), planted.size())) >> 1;
    } else {
      ASSERT_EQ(decoder.LoadFrame(0), 0);
      crc = (CrcFinish(CrcUpdate(kCrcStart, decoder.FramePcm().data(), 8)) >> 1) ^ 0x1234;
    }
    // Frame 0 starts word-aligned at the first frame's offset with its CRC, whose top bit
    // says that frame flags follow.
    std::vector<uint8_t> bytes = test::ReadFileBytes(original);
    const auto at = static_cast<size_t>(decoder.Header().FirstFrame);
    const uint32_t flag = bytes[at + 3] & 0x80u;
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    bytes[at + 3] = static_cast<uint8_t>((bytes[at + 3] & 0x7f) | flag);
    test::TScratchDir dir;
    test::WriteFileBytes(dir.File("planted.ape"), bytes);

    TApeDecoder patched(dir.File("planted.ape").c_str());
    const int64_t blocks = patched.Header().BlocksOfFrame(0);
    std::vector<uint8_t> pcm(static_cast<size_t>(blocks * patched.FrameBytes()));
    int64_t delivered = -1;
    const int32_t result = patched.Read(pcm.data(), blocks, delivered);
    if (!c.Planted) {
      EXPECT_EQ(result, MAC_ERROR_DECOMPRESSING_FRAME);
      EXPECT_EQ(delivered, 0);
      return;
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(delivered, blocks);
    EXPECT_TRUE(pcm == planted);
    EXPECT_EQ(ArithmeticName(patched.FrameArithmetic()), ArithmeticName(*c.Planted));
    // The frames after it are untouched and still need the encoder's own arithmetic.
    ASSERT_EQ(patched.LoadFrame(1), 0);
    EXPECT_EQ(ArithmeticName(patched.FrameArithmetic()), "32-bit");
  }
}

// Frames whose variants decode differently (see ApeDecoderLoudTest's table): the first frame
// of the 24-bit stereo insane noise, where both the filters' rounding and the predictor
// matter, and of the 24-bit mono extra high noise, where only the predictor does. The
// variants are tried in a fixed order, so each plant names the first that reproduces it.
INSTANTIATE_TEST_SUITE_P(
    Plants, ApeArithmeticPlantTest,
    ::testing::Values(TPlantCase{"WideFilters", 0, TArithmetic{true, false}},
                      TPlantCase{"WideFiltersAndPredictor", 3, TArithmetic{true, true}},
                      TPlantCase{"WidePredictor", 0, TArithmetic{false, true}},
                      TPlantCase{"NoArithmeticMatches", 0, std::nullopt}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane::macdll
