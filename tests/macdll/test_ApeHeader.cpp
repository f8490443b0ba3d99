// The decoder's reading of the file around the audio: hostile headers and seek tables are
// refused or fail their frame without reading outside the file; tags in front and behind
// never get in the way; the CRC is the standard one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ApeCrc.h"
#include "ApeDecoder.h"
#include "ApeFixtures.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::macdll {
namespace {

using test::ApeFixture;
using test::ApeFixturePcm;
using test::TApeFixtureSpec;

// Three APE frames and a bit of 16-bit stereo at the normal level, made by jmac (3.99 layout:
// 52-byte descriptor, 24-byte header, then the seek table).
const TApeFixtureSpec kSpec{{16, 2, 44100}, 3 * test::kNormalFrameBlocks + 1234,
                            test::TSignal::Noise, 2, 7};
constexpr size_t kHeader = 52;
constexpr size_t kSeekTable = 52 + 24;

void SetLe32(std::vector<uint8_t>& Bytes, size_t At, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Bytes[At + static_cast<size_t>(i)] = static_cast<uint8_t>(Value >> (8 * i));
}
void SetLe16(std::vector<uint8_t>& Bytes, size_t At, uint16_t Value) {
  Bytes[At] = static_cast<uint8_t>(Value);
  Bytes[At + 1] = static_cast<uint8_t>(Value >> 8);
}

// What opening and then reading the whole file gives: the open error (TMacError or
// OpenError), else the read's result and the frames delivered.
struct TOutcome {
  int32_t OpenError = 0;
  int32_t ReadError = 0;
  int64_t Delivered = 0;
};

TOutcome OpenAndRead(const std::vector<uint8_t>& Bytes) {
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("x.ape"), Bytes);
  TOutcome outcome;
  try {
    TApeDecoder decoder(dir.File("x.ape").c_str());
    outcome.OpenError = decoder.OpenError();
    if (outcome.OpenError != 0) return outcome;
    std::vector<uint8_t> buffer(65536 * 4);
    for (;;) {
      int64_t delivered = 0;
      outcome.ReadError = decoder.Read(buffer.data(), 65536, delivered);
      outcome.Delivered += delivered;
      if (outcome.ReadError != 0 || delivered == 0) break;
    }
  } catch (const TMacError& Error) {
    outcome.OpenError = Error.Code;
  }
  return outcome;
}

struct THostileCase {
  const char* Name;
  std::function<void(std::vector<uint8_t>&)> Damage;
  int32_t OpenError;
  int32_t ReadError;
  int64_t Delivered;  // frames delivered before the read failed
};

void PrintTo(const THostileCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ApeHeaderHostileTest : public ::testing::TestWithParam<THostileCase> {};

TEST_P(ApeHeaderHostileTest, RefusesOrFailsWithinTheFile) {
  const THostileCase& c = GetParam();
  std::vector<uint8_t> bytes = test::ReadFileBytes(ApeFixture(kSpec));
  c.Damage(bytes);
  const TOutcome outcome = OpenAndRead(bytes);
  EXPECT_EQ(outcome.OpenError, c.OpenError);
  EXPECT_EQ(outcome.ReadError, c.ReadError);
  EXPECT_EQ(outcome.Delivered, c.Delivered);
}

constexpr int64_t B = test::kNormalFrameBlocks;

INSTANTIATE_TEST_SUITE_P(
    Headers, ApeHeaderHostileTest,
    ::testing::Values(
        THostileCase{"Intact", [](auto&) {}, 0, 0, kSpec.Frames},
        THostileCase{"CutInTheDescriptor", [](auto& b) { b.resize(40); }, 1002, 0, 0},
        THostileCase{"CutInTheSeekTable", [](auto& b) { b.resize(kSeekTable + 6); }, 1002, 0, 0},
        THostileCase{"DescriptorLongerThanTheFile",
                     [](auto& b) { SetLe32(b, 8, 0x7ffffff0); }, 1002, 0, 0},
        THostileCase{"NoFrames", [](auto& b) { SetLe32(b, kHeader + 12, 0); }, 1002, 0, 0},
        THostileCase{"MoreFramesThanTheSeekTableHolds",
                     [](auto& b) { SetLe32(b, kHeader + 12, 0x40000000); }, 1002, 0, 0},
        THostileCase{"SeekTableLongerThanTheFile",
                     [](auto& b) {
                       SetLe32(b, 16, 0xfffffff0);
                       SetLe32(b, kHeader + 12, 0x3ffffff0);
                     },
                     1002, 0, 0},
        THostileCase{"HugeFrames", [](auto& b) { SetLe32(b, kHeader + 4, 0x7fffffff); }, 1002, 0,
                     0},
        THostileCase{"LastFrameLongerThanTheOthers",
                     [](auto& b) { SetLe32(b, kHeader + 8, 2 * B); }, 1002, 0, 0},
        THostileCase{"UnknownLevel", [](auto& b) { SetLe16(b, kHeader, 2500); }, 1002, 0, 0},
        // The stored WAV header still says 44100 Hz: one of the two is damaged.
        THostileCase{"NoSampleRate", [](auto& b) { SetLe32(b, kHeader + 20, 0); }, 1101, 0, 0},
        // A seek table out of order or past the audio could send a frame to another's bytes:
        // refused whole as the file opens.
        THostileCase{"SeekEntryBeforeTheAudio", [](auto& b) { SetLe32(b, kSeekTable + 4, 0); },
                     1100, 0, 0},
        THostileCase{"SeekTableRunningBackwards",
                     [](auto& b) {
                       const uint32_t second = b[kSeekTable + 4] | (b[kSeekTable + 5] << 8) |
                                               (b[kSeekTable + 6] << 16);
                       SetLe32(b, kSeekTable + 8, second - 8);
                     },
                     1100, 0, 0},
        THostileCase{"SeekEntryPastTheEnd",
                     [](auto& b) { SetLe32(b, kSeekTable + 8, 0xfffffff0); }, 1100, 0, 0},
        THostileCase{"CutInTheLastFrame", [](auto& b) { b.resize(b.size() - 1000); }, 0, 1010,
                     3 * B}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Tags in front of the header and behind the audio, including an APE tag holding a picture
// as a binary item, are skipped: the audio decodes exactly.
TEST(ApeHeaderTest, TagsAroundTheAudioAreNotInTheWay) {
  const std::vector<uint8_t> ape = test::ReadFileBytes(ApeFixture(kSpec));
  const std::vector<uint8_t> pcm = ApeFixturePcm(kSpec);

  std::vector<uint8_t> id3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x0f, 0x76};  // 2038 bytes follow
  id3.resize(10 + 2038, 0);
  std::vector<uint8_t> picture(5000);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> tag;
  const auto le32 = [&tag](uint32_t Value) {
    for (int i = 0; i < 4; ++i) tag.push_back(static_cast<uint8_t>(Value >> (8 * i)));
  };
  const std::string key = "Cover Art (Front)";
  std::vector<uint8_t> items;
  {
    std::vector<uint8_t> value(key.begin(), key.end());  // a picture's name, then its bytes
    value.push_back(0);
    value.insert(value.end(), {'c', '.', 'j', 'p', 'g', 0});
    value.insert(value.end(), picture.begin(), picture.end());
    tag.clear();
    le32(static_cast<uint32_t>(value.size() - key.size() - 1));
    le32(2);  // binary item
    items = tag;
    items.insert(items.end(), value.begin(), value.end());
  }
  const auto header = [&](bool Footer) {
    tag.assign({'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'});
    le32(2000);
    le32(static_cast<uint32_t>(items.size() + 32));
    le32(1);
    le32(0x80000000u | (Footer ? 0 : 0x20000000u));
    le32(0);
    le32(0);
    return tag;
  };
  std::vector<uint8_t> tagged = id3;
  tagged.insert(tagged.end(), ape.begin(), ape.end());
  const std::vector<uint8_t> head = header(false);
  tagged.insert(tagged.end(), head.begin(), head.end());
  tagged.insert(tagged.end(), items.begin(), items.end());
  const std::vector<uint8_t> foot = header(true);
  tagged.insert(tagged.end(), foot.begin(), foot.end());
  std::vector<uint8_t> id3v1 = {'T', 'A', 'G'};
  id3v1.resize(128, ' ');
  tagged.insert(tagged.end(), id3v1.begin(), id3v1.end());

  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("tagged.ape"), tagged);
  TApeDecoder decoder(dir.File("tagged.ape").c_str());
  ASSERT_EQ(decoder.TotalFrames(), kSpec.Frames);
  std::vector<uint8_t> got(pcm.size());
  int64_t delivered = 0;
  EXPECT_EQ(decoder.Read(got.data(), kSpec.Frames, delivered), 0);
  EXPECT_EQ(delivered, kSpec.Frames);
  EXPECT_TRUE(got == pcm);
}

TEST(ApeCrcTest, IsTheStandardCrc32) {
  const char* text = "123456789";
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  EXPECT_EQ(CrcFinish(CrcUpdate(kCrcStart, bytes, 9)), 0xcbf43926u);
  // Fed in pieces of any size, the same.
  uint32_t crc = kCrcStart;
  for (size_t i = 0; i < 9; i += 2) crc = CrcUpdate(crc, bytes + i, std::min<size_t>(2, 9 - i));
  EXPECT_EQ(CrcFinish(crc), 0xcbf43926u);
  // A frame stores the CRC shifted right by one: the reference encoder's 3.68 s of silence
  // (mac-396.ape) carries 0x338d1113.
  std::vector<uint8_t> silence(649984, 0);
  EXPECT_EQ(CrcFinish(CrcUpdate(kCrcStart, silence.data(), silence.size())) >> 1, 0x338d1113u);
}

}  // namespace
}  // namespace corvane::macdll
