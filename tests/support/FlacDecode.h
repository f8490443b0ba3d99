#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

struct TDecodedFlac {
  bool Ok = false;  // decoded to the end with no error and a matching MD5 signature
  std::string Error;
  int BitsPerSample = 0;
  int Channels = 0;
  int SampleRate = 0;
  uint64_t TotalSamples = 0;  // as the stream information block declares
  std::array<uint8_t, 16> Md5{};
  std::vector<uint8_t> Pcm;  // WAV data layout, as the sources deliver it
};

// Decodes a FLAC file with libFLAC's own decoder, checking its MD5 signature.
TDecodedFlac DecodeFlacFile(const std::string& Path);

}  // namespace corvane::test
