#include "PcmSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane::test {

std::string FormatCaseName(const TPcmFormat& Format) {
  std::string name =
      std::to_string(Format.BitsPerSample) + "bit" + std::to_string(Format.Channels) + "ch";
  if (Format.SampleRate != 44100) name += "_" + std::to_string(Format.SampleRate) + "Hz";
  return name;
}

std::vector<uint8_t> MakePcm(const TPcmFormat& Format, int64_t Frames, TSignal Signal,
                             uint32_t Seed) {
  const int bytes = Format.BitsPerSample / 8;
  const double fullScale = std::ldexp(1.0, Format.BitsPerSample - 1) - 1;
  std::vector<uint8_t> pcm(static_cast<size_t>(Frames * Format.FrameBytes()));
  uint32_t state = Seed * 2654435761u + 12345u;
  const auto noise = [&state] {  // uniform in [-1, 1)
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  };
  size_t at = 0;
  for (int64_t frame = 0; frame < Frames; ++frame) {
    const double t = static_cast<double>(frame) / Format.SampleRate;
    for (int channel = 0; channel < Format.Channels; ++channel) {
      double value = 0;
      if (Signal == TSignal::Tone) {
        const double hz = 220.0 * (channel + 1) + Seed % 7;
        value = 0.5 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(frame) /
                               Format.SampleRate) +
                0.01 * noise();
      } else if (Signal == TSignal::Noise) {
        value = 0.25 * noise();
      } else if (Signal == TSignal::LoudNoise) {
        value = noise();
      } else if (Signal == TSignal::LoudTone || Signal == TSignal::Square) {
        const double hz = 441.0 * (channel + 1) + Seed % 7;
        const double sine = std::sin(2 * std::numbers::pi * hz * t);
        value = Signal == TSignal::LoudTone ? sine : (sine >= 0 ? 1.0 : -1.0);
      } else if (Signal == TSignal::ClippedMusic) {
        // A chord that changes every second, a beat every half second, and some hiss.
        const double root = 110.0 * (1 + static_cast<int>(t) % 4) + channel;
        double chord = 0;
        for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
          chord += std::sin(2 * std::numbers::pi * root * ratio * t);
        }
        const double beat = std::exp(-8 * std::fmod(t, 0.5));
        value = std::clamp(2.5 * (0.3 * chord * (0.5 + beat) + 0.05 * noise()), -1.0, 1.0);
      }
      auto sample = static_cast<int32_t>(std::lround(value * fullScale));
      if (bytes == 1) sample += 128;
      for (int b = 0; b < bytes; ++b) pcm[at++] = static_cast<uint8_t>(sample >> (8 * b));
    }
  }
  return pcm;
}

}  // namespace corvane::test
