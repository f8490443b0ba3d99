#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A picture for a FLAC PICTURE block.
struct TFlacPicture {
  static constexpr uint32_t kFrontCover = 3;

  uint32_t Type = kFrontCover;
  std::string MimeType;     // printable ASCII
  std::string Description;  // UTF-8
  uint32_t Width = 0, Height = 0, Depth = 0, Colors = 0;
  std::string Data;  // the image file's bytes
};

// The block's body: type, MIME type and description with their lengths, the four numbers and
// the data with its length, all integers 32-bit big-endian.
std::string PictureBlockBody(const TFlacPicture& Picture);
// Bytes of the whole block, header included.
int64_t PictureBlockSize(const TFlacPicture& Picture);
// The largest image whose block body, with a MIME type of MimeLength bytes and an empty
// description, still fits the 24-bit block length.
int64_t MaxPictureDataSize(size_t MimeLength);

// The picture a PICTURE block's body holds; nothing when its lengths run past its end.
std::optional<TFlacPicture> PictureOfBlock(const std::vector<uint8_t>& Body);
// The picture type of a PICTURE block's body; nothing when the body is too short to say.
std::optional<uint32_t> PictureTypeOf(const std::vector<uint8_t>& Body);

}  // namespace corvane
