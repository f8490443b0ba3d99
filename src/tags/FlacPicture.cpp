#include "FlacPicture.h"

#include "ByteOrder.h"
#include "FlacFormat.h"

namespace corvane {
namespace {

// Type, MIME length, description length, width, height, depth, colours, data length.
constexpr int64_t kFixedFields = 8 * 4;

}  // namespace

std::string PictureBlockBody(const TFlacPicture& Picture) {
  std::string body;
  body.reserve(static_cast<size_t>(PictureBlockSize(Picture) - flac::kBlockHeaderSize));
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
  return flac::kBlockHeaderSize + kFixedFields + static_cast<int64_t>(Picture.MimeType.size()) +
         static_cast<int64_t>(Picture.Description.size()) +
         static_cast<int64_t>(Picture.Data.size());
}

int64_t MaxPictureDataSize(size_t MimeLength) {
  return int64_t{flac::kMaxBlockLength} - kFixedFields - static_cast<int64_t>(MimeLength);
}

std::optional<TFlacPicture> PictureOfBlock(const std::vector<uint8_t>& Body) {
  size_t at = 0;
  const auto number = [&](uint32_t& Value) {
    if (Body.size() - at < 4) return false;
    Value = BigEndian32(Body.data() + at);
    at += 4;
    return true;
  };
  const auto text = [&](std::string& Value) {
    uint32_t length = 0;
    if (!number(length) || Body.size() - at < length) return false;
    Value.assign(reinterpret_cast<const char*>(Body.data()) + at, length);
    at += length;
    return true;
  };
  TFlacPicture picture;
  if (number(picture.Type) && text(picture.MimeType) && text(picture.Description) &&
      number(picture.Width) && number(picture.Height) && number(picture.Depth) &&
      number(picture.Colors) && text(picture.Data)) {
    return picture;
  }
  return std::nullopt;
}

std::optional<uint32_t> PictureTypeOf(const std::vector<uint8_t>& Body) {
  if (Body.size() < 4) return std::nullopt;
  return BigEndian32(Body.data());
}

}  // namespace corvane
