#pragma once

#include <cstdint>
#include <vector>

namespace corvane::test {

struct TPcmFormat {
  int BitsPerSample = 16;
  int Channels = 2;
  int SampleRate = 44100;
  int FrameBytes() const { return BitsPerSample / 8 * Channels; }
};

enum class TSignal { Silence, Tone, Noise };

// Deterministic PCM in the WAV data layout (8-bit unsigned, wider signed little-endian).
// Tone: a different sine per channel with a little noise; Noise: white noise at a quarter of
// full scale (full-scale 24-bit noise at the highest APE level is beyond FFmpeg's decoder).
std::vector<uint8_t> MakePcm(const TPcmFormat& Format, int64_t Frames, TSignal Signal,
                             uint32_t Seed = 1);

}  // namespace corvane::test
