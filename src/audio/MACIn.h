#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "ACSFileIn.h"
#include "MACDll.h"

namespace corvane {

// The PCM of a Monkey's Audio file, or of a range of its frames, decoded by libMACDll.so.
// Format queries open and close the file around each call; a read pass keeps it open from
// BeginRead (user-interface thread) to EndRead (the output's worker), and ReadData runs on
// the worker only.
class TMACIn : public TACSFileIn {
 public:
  // Throws EACSException when the decoder library is not loaded.
  TMACIn();
  ~TMACIn() override;

  int BitsPerSample() override;
  int Channels() override;
  int SampleRate() override;
  int64_t TotalTime() override;
  // Raises EAPEException when the data is damaged or ends before the range does: a short
  // stream is never handed out as a complete one.
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override;
  // Also raises EACSException for a range that does not lie inside the file.
  void BeginRead() override;

  void OpenSource() override;
  void CloseSource() override;
  bool SeekSample(int64_t Sample) override;

 private:
  static constexpr int64_t BufferBytes = 8192;

  int FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
  void Refill();

  // Decoded PCM staged for ReadData; the valid part is BufStart..BufEnd (1-based).
  std::array<uint8_t, BufferBytes> FBuffer{};
  std::unique_ptr<TAPEDecompress> FDecoder;
  // The decoder has nothing more for this read pass, or the range has been delivered.
  bool FEndOfStream = false;
  // Result of the last SeekSample, checked by BeginRead.
  int32_t FSeekResult = 0;
};

}  // namespace corvane
