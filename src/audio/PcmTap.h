#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Sees the PCM a sink encodes as it passes, so checksums and loudness are measured from the
// very samples written, without a second decode. Called on the sink's worker thread.
class TPcmTap {
 public:
  virtual ~TPcmTap() = default;
  // When a run starts, before its first block: the format of what follows.
  virtual void Begin(int SampleRate, int Channels, int BitsPerSample) = 0;
  // Whole frames in the WAV data layout, in order.
  virtual void Add(const uint8_t* Pcm, size_t Bytes) = 0;
};

}  // namespace corvane
