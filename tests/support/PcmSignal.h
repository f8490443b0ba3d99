#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

struct TPcmFormat {
  int BitsPerSample = 16;
  int Channels = 2;
  int SampleRate = 44100;
  int FrameBytes() const { return BitsPerSample / 8 * Channels; }
};

// The CD-rate formats the APE suites go through.
inline const TPcmFormat Stereo16{16, 2, 44100};
inline const TPcmFormat Mono16{16, 1, 44100};
inline const TPcmFormat Stereo8{8, 2, 44100};
inline const TPcmFormat Stereo24{24, 2, 44100};

// "16bit2ch" (with "_48000Hz" for a rate other than 44100): a test name.
std::string FormatCaseName(const TPcmFormat& Format);

enum class TSignal { Silence, Tone, Noise, LoudNoise, LoudTone, ClippedMusic, Square };

// Deterministic PCM in the WAV data layout (8-bit unsigned, wider signed little-endian).
// Tone: a different sine per channel with a little noise; Noise: white noise at a quarter of
// full scale. The loud signals drive the encoder's filters to the ends of their range:
// LoudNoise: white noise at full scale; LoudTone: a full-scale sine; ClippedMusic: chords
// with a beat, boosted and clipped; Square: a full-scale square wave.
std::vector<uint8_t> MakePcm(const TPcmFormat& Format, int64_t Frames, TSignal Signal,
                             uint32_t Seed = 1);

}  // namespace corvane::test
