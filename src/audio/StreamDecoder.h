#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

// What a file's decoder says about the PCM it gives.
struct TPcmFormat {
  int SampleRate = 0;
  int Channels = 0;
  int BitsPerSample = 0;  // 8, 16, 24 or 32
  int FrameBytes() const { return BitsPerSample / 8 * Channels; }
};

// One open file of some format, decoded on the caller's thread. Raises ESourceError for every
// fault: a sample of a damaged block or frame never leaves it.
class TStreamDecoder {
 public:
  virtual ~TStreamDecoder() = default;
  virtual TPcmFormat Format() const = 0;
  // Sample frames in the file, as its header states them.
  virtual int64_t Frames() const = 0;
  // The next Read starts at sample frame Frame (0 <= Frame <= Frames()).
  virtual void Seek(int64_t Frame) = 0;
  // Up to Count sample frames into Dest, laid out as a WAV file's data; 0 at the end of the
  // stream. Fewer frames than Frames() in all is the caller's to notice.
  virtual int64_t Read(uint8_t* Dest, int64_t Count) = 0;
};

// Opens FileName for decoding; throws ESourceError when it cannot.
using TStreamDecoderOpener = std::unique_ptr<TStreamDecoder> (*)(const std::string& FileName);

}  // namespace corvane
