#pragma once

#include <cstdint>

// The numbers of FLAC's metadata layout that the reader, the rewrite and the picture blocks
// share.
namespace corvane::flac {

// Block types.
constexpr int kStreamInfo = 0, kPadding = 1, kVorbisComment = 4, kCueSheetBlock = 5, kPicture = 6;
// Reserved: a stream holding it cannot be told apart from a damaged one.
constexpr int kInvalidType = 127;

// Set in the first header byte of the chain's last block.
constexpr uint8_t kLastBlockFlag = 0x80;
// Type byte and a 24-bit big-endian length.
constexpr int64_t kBlockHeaderSize = 4;
constexpr uint32_t kMaxBlockLength = 0xFFFFFF;
constexpr int64_t kStreamInfoSize = 34;
// "fLaC" and the stream information block, which must come first.
constexpr int64_t kStreamHeaderSize = 4 + kBlockHeaderSize + kStreamInfoSize;

}  // namespace corvane::flac
