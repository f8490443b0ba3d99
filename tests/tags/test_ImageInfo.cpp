#include <gtest/gtest.h>

#include <string>

#include "ImageInfo.h"

namespace corvane {
namespace {

using namespace std::string_literals;

std::string Be16(uint32_t Value) {
  return {static_cast<char>(Value >> 8), static_cast<char>(Value & 0xFF)};
}
std::string Be32(uint32_t Value) {
  return Be16(Value >> 16) + Be16(Value & 0xFFFF);
}

// A JPEG segment: marker, length (counting itself) and body.
std::string Segment(uint8_t Marker, const std::string& Body) {
  return "\xFF"s + static_cast<char>(Marker) + Be16(static_cast<uint32_t>(Body.size() + 2)) + Body;
}
std::string FrameHeader(uint8_t Marker, uint32_t Width, uint32_t Height, int Components) {
  std::string body = "\x08"s + Be16(Height) + Be16(Width) + static_cast<char>(Components);
  for (int c = 0; c < Components; ++c) body += "\x01\x11\x00"s;
  return Segment(Marker, body);
}
const std::string kSoi = "\xFF\xD8"s;
const std::string kApp0 = Segment(0xE0, "JFIF\0\x01\x02\0\0\x01\0\x01\0\0"s);
const std::string kScan = Segment(0xDA, "\x01\x01\x00\x00\x3F\x00"s) + "\x12\x34"s;

// A PNG chunk; the CRC is not checked, so it is left zero.
std::string Chunk(const std::string& Type, const std::string& Data) {
  return Be32(static_cast<uint32_t>(Data.size())) + Type + Data + Be32(0);
}
std::string Png(uint32_t Width, uint32_t Height, uint8_t BitDepth, uint8_t ColorType,
                const std::string& After) {
  return "\x89PNG\r\n\x1A\n"s +
         Chunk("IHDR", Be32(Width) + Be32(Height) + static_cast<char>(BitDepth) +
                           static_cast<char>(ColorType) + "\0\0\0"s) +
         After;
}

struct TImageCase {
  const char* Name;
  std::string Bytes;
  const char* Mime;  // nullptr: not an image
  uint32_t Width, Height, Depth, Colors;
};

class ImageInfoTest : public testing::TestWithParam<TImageCase> {};

TEST_P(ImageInfoTest, ReadsTypeAndSizeFromTheHeader) {
  const TImageCase& c = GetParam();
  const std::optional<TImageInfo> info = ReadImageInfo(c.Bytes);
  if (c.Mime == nullptr) {
    EXPECT_FALSE(info.has_value());
    return;
  }
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->MimeType, c.Mime);
  EXPECT_EQ(info->Width, c.Width);
  EXPECT_EQ(info->Height, c.Height);
  EXPECT_EQ(info->Depth, c.Depth);
  EXPECT_EQ(info->Colors, c.Colors);
}

const std::string kPalette = Chunk("PLTE", std::string(16 * 3, '\x7F'));

INSTANTIATE_TEST_SUITE_P(
    Images, ImageInfoTest,
    testing::Values(
        TImageCase{"JpegBaseline",
                   kSoi + kApp0 + Segment(0xDB, std::string(65, '\1')) +
                       FrameHeader(0xC0, 640, 480, 3) + kScan,
                   "image/jpeg", 640, 480, 24, 0},
        TImageCase{"JpegProgressiveGrey", kSoi + FrameHeader(0xC2, 32, 16, 1) + kScan, "image/jpeg",
                   32, 16, 8, 0},
        // A Huffman table (C4) sits among the frame markers and is no frame header.
        TImageCase{"JpegTableBeforeFrame",
                   kSoi + Segment(0xC4, "\0\1\2"s) + Segment(0xCC, "\0\0"s) +
                       FrameHeader(0xC1, 7, 9, 4) + kScan,
                   "image/jpeg", 7, 9, 32, 0},
        TImageCase{"JpegFillBytes", kSoi + "\xFF\xFF\xFF"s + FrameHeader(0xC0, 1, 2, 3).substr(1),
                   "image/jpeg", 1, 2, 24, 0},
        TImageCase{"JpegScanBeforeFrame", kSoi + kScan + FrameHeader(0xC0, 5, 5, 3), "image/jpeg",
                   0, 0, 0, 0},
        TImageCase{"JpegCutInTheFrameHeader", kSoi + FrameHeader(0xC0, 5, 5, 3).substr(0, 8),
                   "image/jpeg", 0, 0, 0, 0},
        TImageCase{"JpegLengthPastTheEnd", kSoi + "\xFF\xE1\xFF\xFF"s + std::string(100, '\0'),
                   "image/jpeg", 0, 0, 0, 0},
        TImageCase{"JpegLengthTooShort", kSoi + "\xFF\xE1\x00\x01"s + FrameHeader(0xC0, 5, 5, 3),
                   "image/jpeg", 0, 0, 0, 0},
        TImageCase{"JpegGarbageAfterTheMarker", kSoi + "\xFF\xE0"s, "image/jpeg", 0, 0, 0, 0},
        TImageCase{"PngRgb", Png(300, 200, 8, 2, Chunk("IDAT", "x")), "image/png", 300, 200, 24, 0},
        TImageCase{"PngRgba16", Png(70000, 1, 16, 6, ""), "image/png", 70000, 1, 64, 0},
        TImageCase{"PngGreyAlpha", Png(3, 4, 8, 4, ""), "image/png", 3, 4, 16, 0},
        TImageCase{"PngPalette",
                   Png(10, 10, 4, 3, Chunk("gAMA", "\0\0\0\0"s) + kPalette + Chunk("IDAT", "")),
                   "image/png", 10, 10, 4, 16},
        TImageCase{"PngPaletteAfterTheData", Png(10, 10, 8, 3, Chunk("IDAT", "") + kPalette),
                   "image/png", 10, 10, 8, 0},
        TImageCase{"PngChunkLengthPastTheEnd",
                   Png(10, 10, 8, 3, Be32(0x7FFFFFFF) + "PLTE" + std::string(30, '\0')),
                   "image/png", 10, 10, 8, 0},
        TImageCase{"PngEndingBeforeTheHeadersCrc", Png(5, 6, 8, 0, "").substr(0, 29), "image/png",
                   5, 6, 8, 0},
        TImageCase{"PngHeaderCutOff", Png(10, 10, 8, 2, "").substr(0, 20), "image/png", 0, 0, 0, 0},
        TImageCase{"PngWithoutHeaderChunk", "\x89PNG\r\n\x1A\n"s + Chunk("IDAT", "abc"),
                   "image/png", 0, 0, 0, 0},
        TImageCase{"GifWithColourTable", "GIF89a\x64\x00\x32\x00\xF7\x00\x00"s, "image/gif", 100,
                   50, 8, 256},
        TImageCase{"GifWithoutColourTable", "GIF87a\x01\x01\x02\x00\x00\x00\x00"s, "image/gif", 257,
                   2, 0, 0},
        TImageCase{"Bitmap", "BM" + std::string(60, '\0'), nullptr, 0, 0, 0, 0},
        TImageCase{"Empty", "", nullptr, 0, 0, 0, 0},
        TImageCase{"JpegMarkerAlone", kSoi, nullptr, 0, 0, 0, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
