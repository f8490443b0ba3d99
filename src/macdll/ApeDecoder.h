#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ApeBitstream.h"
#include "ApeError.h"
#include "ApeFile.h"
#include "ApeFrameDecoder.h"
#include "ApeHeader.h"
#include "MACDllApi.h"

namespace corvane::macdll {

// One Monkey's Audio file opened for decoding, handing out interleaved little-endian PCM
// frames from any frame index. Each APE frame is decoded whole and checked against its CRC
// before any of its samples is handed out.
class TApeDecoder {
 public:
  // Throws TMacError: MAC_ERROR_IO_READ when the file cannot be opened,
  // MAC_ERROR_INVALID_INPUT_FILE when it is not a Monkey's Audio file,
  // MAC_ERROR_DAMAGED_SEEK_TABLE when its seek table does not fit its frames. A file of a
  // version or format we do not decode opens with OpenError() MAC_ERROR_INVALID_INPUT_FILE,
  // one whose header disagrees with its stored WAV header with MAC_ERROR_HEADER_MISMATCH: its
  // header can be described, nothing read.
  explicit TApeDecoder(const char* FileName);
  TApeDecoder(const TApeDecoder&) = delete;
  TApeDecoder& operator=(const TApeDecoder&) = delete;

  int32_t OpenError() const { return FOpenError; }
  const TApeHeader& Header() const { return FHeader; }
  int64_t SampleRate() const { return FHeader.SampleRate; }
  int BitsPerSample() const { return FHeader.BitsPerSample; }
  int Channels() const { return FHeader.Channels; }
  int Version() const { return FHeader.Version; }
  int64_t TotalFrames() const { return FHeader.Supported ? FHeader.TotalBlocks() : 0; }
  int64_t BlocksPerFrame() const { return FHeader.Supported ? FHeader.BlocksPerFrame : 0; }
  int FrameBytes() const { return FHeader.BitsPerSample / 8 * FHeader.Channels; }

  // Writes up to Frames frames to Dest; see c_APEDecompress_GetData.
  int32_t Read(uint8_t* Dest, int64_t Frames, int64_t& Delivered);
  int32_t Seek(int64_t Frame);

  // Decodes APE frame Index (of Header().TotalFrames) into FramePcm(); returns 0 or an error
  // code. Read does this as it goes; tests use it to look at single frames, and Only to try
  // one arithmetic alone.
  int32_t LoadFrame(int64_t Index, const TArithmetic* Only = nullptr);
  const std::vector<uint8_t>& FramePcm() const { return FPcm; }
  TArithmetic FrameArithmetic() const { return FArithmetic; }

 private:
  // Decodes APE frame Index into Pcm (room for the whole frame).
  int32_t DecodeFrame(int64_t Index, uint8_t* Pcm, const TArithmetic* Only);

  TApeFile FFile;
  TApeHeader FHeader;
  int32_t FOpenError;
  std::unique_ptr<TFrameDecoder> FFrameDecoder;
  std::vector<uint8_t> FCoded;  // the current frame's bytes as read
  TFrameBytes FBytes;

  // The decoded APE frame in FPcm (-1: none) and the arithmetic it needed.
  int64_t FLoaded = -1;
  std::vector<uint8_t> FPcm;
  TArithmetic FArithmetic;

  // Frame index of the next frame handed out.
  int64_t FPosition = 0;
  // A failure is kept until the next seek, so a damaged stream never resumes quietly.
  int32_t FError = 0;
};

}  // namespace corvane::macdll
