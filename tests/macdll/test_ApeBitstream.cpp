// The readers under the entropy decoders: the word order of a frame's bytes, the plain bit
// reader of files before 3.90, and the range decoder checked against a small range encoder
// written here from the same model. Reading past the data is an overrun, never a read
// outside the buffer.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ApeBitstream.h"

namespace corvane::macdll {
namespace {

TEST(ApeFrameBytesTest, PutsEachWordInReadingOrderAndPads) {
  const std::vector<uint8_t> file = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  TFrameBytes bytes;
  bytes.Assign(file.data(), static_cast<int64_t>(file.size()), 2);
  // Ten bytes are three words, the last one partly zero, then two bytes of padding.
  const std::vector<uint8_t> expected = {4, 3, 2, 1, 8, 7, 6, 5, 0, 0, 10, 9, 0, 0};
  ASSERT_EQ(bytes.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::vector<uint8_t>(bytes.Begin(), bytes.End()), expected);
  // Reused for a shorter frame, nothing of the longer one shows.
  bytes.Assign(file.data(), 4, 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes.Begin(), bytes.End()), (std::vector<uint8_t>{4, 3, 2, 1}));
}

TEST(ApeBitReaderTest, ReadsFromTheTopBitAndStopsAtTheEnd) {
  const std::vector<uint8_t> data = {0b10110000, 0b00001000, 0xff};
  TBitReader bits(data.data(), data.data() + data.size());
  EXPECT_EQ(bits.Bit(), 1u);
  EXPECT_EQ(bits.Bits(3), 0b011u);
  EXPECT_EQ(bits.Unary(), 8u);  // eight zeros, then the 1 of the second byte
  EXPECT_EQ(bits.BitsLeft(), 11u);
  bits.Skip(3);
  EXPECT_EQ(bits.Bits(8), 0xffu);
  EXPECT_FALSE(bits.Overrun());
  EXPECT_EQ(bits.Bit(), 0u);
  EXPECT_TRUE(bits.Overrun());

  TBitReader zeros(data.data() + 1, data.data() + 1);  // no data at all
  EXPECT_EQ(zeros.Unary(), 0u);
  EXPECT_TRUE(zeros.Overrun());
  TBitReader skip(data.data(), data.data() + 1);
  skip.Skip(100);
  EXPECT_TRUE(skip.Overrun());
}

// A range encoder for the decoder's conventions, kept simple rather than fast: the lower end of
// the interval is a number of any length (big-endian bytes) in the decoder's scale, which
// starts at 7 bits and grows a byte at each renormalisation below 2^23.
class TRangeEncoder {
 public:
  void Encode(uint32_t Start, uint32_t Width, uint32_t Total) {
    Normalize();
    Narrow(Start, Width, FRange / Total);
  }
  void EncodeShift(uint32_t Start, uint32_t Width, int Shift) {
    Normalize();
    Narrow(Start, Width, FRange >> Shift);
  }
  // The stream: the lower end's bits from the top, a leading byte of seven bits shifted into
  // whole bytes, then zeros to spare the decoder's look-ahead.
  std::vector<uint8_t> Finish() {
    std::vector<uint8_t> out(FLow.size());
    for (size_t i = 0; i < FLow.size(); ++i) {
      out[i] = static_cast<uint8_t>((FLow[i] << 1) | (i + 1 < FLow.size() ? FLow[i + 1] >> 7 : 0));
    }
    out.insert(out.end(), 8, 0);
    return out;
  }

 private:
  void Normalize() {
    while (FRange <= (1u << 23)) {
      FLow.push_back(0);
      FRange <<= 8;
    }
  }
  void Narrow(uint32_t Start, uint32_t Width, uint32_t Step) {
    uint64_t carry = uint64_t{Step} * Start;
    for (size_t i = FLow.size(); i-- > 0 && carry != 0;) {
      carry += FLow[i];
      FLow[i] = static_cast<uint8_t>(carry);
      carry >>= 8;
    }
    FRange = Step * Width;
  }

  std::vector<uint8_t> FLow{0};
  uint32_t FRange = 1u << 7;
};

constexpr uint16_t kStarts[22] = {0,     19578, 36160, 48417, 56323, 60899, 63265, 64435,
                                  64971, 65232, 65351, 65416, 65447, 65466, 65476, 65482,
                                  65485, 65488, 65490, 65491, 65492, 65493};
constexpr uint16_t kWidths[21] = {19578, 16582, 12257, 7906, 4576, 2366, 1170,
                                  536,   261,   119,   65,   31,   19,   10,
                                  6,     3,     3,     2,    1,    1,    1};

TEST(ApeRangeDecoderTest, DecodesWhatTheModelEncoded) {
  struct TItem {
    int Kind;  // 0: model symbol, 1: raw bits, 2: value below a total
    uint32_t Value;
    uint32_t Size;  // bits, or the total
  };
  std::vector<TItem> items;
  uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < 3000; ++i) {
    switch (next() % 3) {
      case 0:
        items.push_back({0, next() % 21, 0});
        break;
      case 1: {
        const uint32_t bits = 1 + next() % 16;
        items.push_back({1, next() & ((1u << bits) - 1), bits});
        break;
      }
      default: {
        const uint32_t total = 1 + next() % 65535;
        items.push_back({2, next() % total, total});
        break;
      }
    }
  }
  TRangeEncoder encoder;
  for (const TItem& item : items) {
    if (item.Kind == 0) encoder.EncodeShift(kStarts[item.Value], kWidths[item.Value], 16);
    if (item.Kind == 1) encoder.EncodeShift(item.Value, 1, static_cast<int>(item.Size));
    if (item.Kind == 2) encoder.Encode(item.Value, 1, item.Size);
  }
  const std::vector<uint8_t> stream = encoder.Finish();

  TRangeDecoder decoder(stream.data(), stream.data(), stream.data() + stream.size());
  decoder.Start();
  for (size_t i = 0; i < items.size(); ++i) {
    const TItem& item = items[i];
    uint32_t got = 0;
    if (item.Kind == 0) got = decoder.Symbol(kStarts, kWidths);
    if (item.Kind == 1) got = decoder.Bits(static_cast<int>(item.Size));
    if (item.Kind == 2) got = decoder.Below(item.Size);
    ASSERT_EQ(got, item.Value) << "item " << i << " of kind " << item.Kind;
  }
  EXPECT_FALSE(decoder.Overrun());

  // Cut short, the decoder says so instead of reading on.
  TRangeDecoder cut(stream.data(), stream.data(), stream.data() + stream.size() / 2);
  cut.Start();
  for (const TItem& item : items) {
    if (item.Kind == 0) cut.Symbol(kStarts, kWidths);
    if (item.Kind == 1) cut.Bits(static_cast<int>(item.Size));
    if (item.Kind == 2) cut.Below(item.Size);
  }
  EXPECT_TRUE(cut.Overrun());
}

}  // namespace
}  // namespace corvane::macdll
