#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

using TBytes = std::vector<uint8_t>;

// A FLAC stream cut into its parts, so tests can put any metadata chain in front of real
// audio. Encoded once with libFLAC from generated PCM.
struct TFlacStream {
  TBytes StreamInfo;  // the 34-byte body
  TBytes Audio;       // the frames
};
const TFlacStream& EncodedStream();

struct TBlock {
  int Type;
  TBytes Body;
};
inline TBlock Padding(size_t Size) {
  return {1, TBytes(Size, 0)};
}
inline TBlock Application(const std::string& Data) {
  return {2, TBytes(Data.begin(), Data.end())};
}
TBlock Comment(const std::string& Vendor, const std::vector<std::string>& Entries);

// "fLaC", the stream information block and Blocks in order (the last one flagged last), then
// the audio; Prefix goes in front of everything (an ID3v2 tag, say).
TBytes AssembleFlac(const std::vector<TBlock>& Blocks, const TBytes& Prefix = {});

// A block header as it appears in the file.
TBytes BlockHeader(int Type, size_t Length, bool Last);
TBytes Concat(std::initializer_list<TBytes> Parts);

// The comment block as libFLAC's metadata interface reads it: vendor and entries.
struct TComments {
  bool Ok = false;
  std::string Vendor;
  std::vector<std::string> Entries;
};
TComments ReadCommentsWithLibFlac(const std::string& Path);

// A PICTURE block of Type holding Data as a PNG.
TBlock Picture(uint32_t Type, const std::string& Data);

// The metadata chain as libFLAC's iterator reads it: each block's type in order, and each
// picture's fields.
struct TPictureRead {
  uint32_t Type = 0;
  std::string MimeType, Description;
  uint32_t Width = 0, Height = 0, Depth = 0, Colors = 0;
  std::string Data;
};
struct TChain {
  bool Ok = false;
  std::vector<int> BlockTypes;
  std::vector<TPictureRead> Pictures;
};
TChain ReadChainWithLibFlac(const std::string& Path);

}  // namespace corvane::test
