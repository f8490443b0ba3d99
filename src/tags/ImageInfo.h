#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// What a FLAC picture block says about its image, read from the image's own header.
struct TImageInfo {
  std::string MimeType;  // "image/jpeg", "image/png" or "image/gif"
  // 0 where the header does not say (a JPEG cut off before its frame header, say): the bytes
  // are still the picture, and players decode it themselves.
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t Depth = 0;   // bits per pixel
  uint32_t Colors = 0;  // palette entries of an indexed image, else 0
};

// Recognises JPEG, PNG and GIF by their signatures; nothing for other bytes. Reads no further
// than the bytes given, whatever the lengths inside them claim.
std::optional<TImageInfo> ReadImageInfo(std::string_view Bytes);

}  // namespace corvane
