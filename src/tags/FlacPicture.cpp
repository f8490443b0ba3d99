#include "FlacPicture.h"

namespace corvane {
namespace {

// Type, MIME length, description length, width, height, depth, colours, data length.
constexpr int64_t kFixedFields = 8 * 4;
constexpr int64_t kMaxBlockLength = 0xFFFFFF;

void AppendBigEndian32(std::string& Out, uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8) Out += static_cast<char>((Value >> shift) & 0xFF);
}

}  // namespace

std::string PictureBlockBody(const TFlacPicture& Picture) {
  std::string body;
  body.reserve(static_cast<size_t>(PictureBlockSize(Picture) - 4));
  AppendBigEndian32(body, Picture.Type);
  AppendBigEndian32(body, static_cast<uint32_t>(Picture.MimeType.size()));
  body += Picture.MimeType;
  AppendBigEndian32(body, static_cast<uint32_t>(Picture.Description.size()));
  body += Picture.Description;
  for (const uint32_t value : {Picture.Width, Picture.Height, Picture.Depth, Picture.Colors}) {
    AppendBigEndian32(body, value);
  }
  AppendBigEndian32(body, static_cast<uint32_t>(Picture.Data.size()));
  body += Picture.Data;
  return body;
}

int64_t PictureBlockSize(const TFlacPicture& Picture) {
  return 4 + kFixedFields + static_cast<int64_t>(Picture.MimeType.size()) +
         static_cast<int64_t>(Picture.Description.size()) +
         static_cast<int64_t>(Picture.Data.size());
}

int64_t MaxPictureDataSize(size_t MimeLength) {
  return kMaxBlockLength - kFixedFields - static_cast<int64_t>(MimeLength);
}

std::optional<uint32_t> PictureTypeOf(const std::vector<uint8_t>& Body) {
  if (Body.size() < 4) return std::nullopt;
  return uint32_t{Body[0]} << 24 | uint32_t{Body[1]} << 16 | uint32_t{Body[2]} << 8 | Body[3];
}

}  // namespace corvane
