#include "ImageInfo.h"

namespace corvane {
namespace {

uint8_t ByteAt(std::string_view Bytes, size_t At) {
  return static_cast<uint8_t>(Bytes[At]);
}

uint32_t BigEndian16At(std::string_view Bytes, size_t At) {
  return uint32_t{ByteAt(Bytes, At)} << 8 | ByteAt(Bytes, At + 1);
}

uint32_t BigEndian32At(std::string_view Bytes, size_t At) {
  return BigEndian16At(Bytes, At) << 16 | BigEndian16At(Bytes, At + 2);
}

bool IsJpegFrameHeader(uint8_t Marker) {
  // SOF0 to SOF15, less DHT (C4), the reserved JPG (C8) and DAC (CC), which share the range.
  return Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
}

// The frame header carries the size; it comes before the first scan, so the walk stops there.
void ReadJpeg(std::string_view Bytes, TImageInfo& Info) {
  size_t pos = 2;
  while (pos < Bytes.size()) {
    if (ByteAt(Bytes, pos) != 0xFF) return;                          // not a marker: damaged
    while (pos < Bytes.size() && ByteAt(Bytes, pos) == 0xFF) ++pos;  // fill bytes
    if (pos >= Bytes.size()) return;
    const uint8_t marker = ByteAt(Bytes, pos++);
    if (marker == 0xD9 || marker == 0xDA) return;                        // end of image, first scan
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length follows
    if (Bytes.size() - pos < 2) return;
    const size_t length = BigEndian16At(Bytes, pos);
    if (length < 2 || Bytes.size() - pos < length) return;
    if (IsJpegFrameHeader(marker)) {
      if (length < 8) return;
      const uint32_t precision = ByteAt(Bytes, pos + 2);
      Info.Height = BigEndian16At(Bytes, pos + 3);
      Info.Width = BigEndian16At(Bytes, pos + 5);
      Info.Depth = precision * ByteAt(Bytes, pos + 7);
      return;
    }
    pos += length;
  }
}

void ReadPng(std::string_view Bytes, TImageInfo& Info) {
  // Chunks: length (4), type (4), data, CRC (4). The header chunk comes first; the palette, if
  // any, before the image data.
  size_t pos = 8;
  while (pos <= Bytes.size() && Bytes.size() - pos >= 8) {
    const uint64_t length = BigEndian32At(Bytes, pos);
    const std::string_view type = Bytes.substr(pos + 4, 4);
    if (length > Bytes.size() - pos - 8) return;  // the data must be there; its CRC need not
    const size_t data = pos + 8;
    if (pos == 8) {
      if (type != "IHDR" || length < 13) return;
      Info.Width = BigEndian32At(Bytes, data);
      Info.Height = BigEndian32At(Bytes, data + 4);
      const uint32_t bitDepth = ByteAt(Bytes, data + 8);
      const uint8_t colorType = ByteAt(Bytes, data + 9);
      // Samples per pixel by colour type: grey, -, RGB, palette index, grey+alpha, -, RGBA.
      constexpr uint32_t kSamples[7] = {1, 0, 3, 1, 2, 0, 4};
      Info.Depth = colorType < 7 ? bitDepth * kSamples[colorType] : 0;
      if (colorType != 3) return;  // only a palette image has more to say
    } else if (type == "PLTE") {
      Info.Colors = static_cast<uint32_t>(length / 3);
      return;
    } else if (type == "IDAT" || type == "IEND") {
      return;
    }
    pos = data + static_cast<size_t>(length) + 4;
  }
}

void ReadGif(std::string_view Bytes, TImageInfo& Info) {
  if (Bytes.size() < 11) return;
  Info.Width = uint32_t{ByteAt(Bytes, 7)} << 8 | ByteAt(Bytes, 6);
  Info.Height = uint32_t{ByteAt(Bytes, 9)} << 8 | ByteAt(Bytes, 8);
  const uint8_t packed = ByteAt(Bytes, 10);
  if ((packed & 0x80) != 0) {  // a global colour table: its size gives the bits per pixel
    Info.Depth = (packed & 0x07) + 1u;
    Info.Colors = 1u << Info.Depth;
  }
}

}  // namespace

std::optional<TImageInfo> ReadImageInfo(std::string_view Bytes) {
  TImageInfo info;
  if (Bytes.size() >= 3 && Bytes.substr(0, 3) == "\xFF\xD8\xFF") {
    info.MimeType = "image/jpeg";
    ReadJpeg(Bytes, info);
  } else if (Bytes.size() >= 8 && Bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n") {
    info.MimeType = "image/png";
    ReadPng(Bytes, info);
  } else if (Bytes.size() >= 6 &&
             (Bytes.substr(0, 6) == "GIF87a" || Bytes.substr(0, 6) == "GIF89a")) {
    info.MimeType = "image/gif";
    ReadGif(Bytes, info);
  } else {
    return std::nullopt;
  }
  return info;
}

}  // namespace corvane
