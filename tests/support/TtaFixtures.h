#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PcmSignal.h"

namespace corvane::test {

struct TTtaFixtureSpec {
  TPcmFormat Format;
  int64_t Frames = 44100;
  TSignal Signal = TSignal::Tone;
  uint32_t Seed = 1;
};

// Sample frames per TTA frame at Rate.
constexpr int64_t TtaFrameSamples(int Rate) {
  return int64_t{256} * Rate / 245;
}

// The TTA file of Spec, made by ffmpeg's TTA encoder from Spec's PCM on first use and cached
// in the build tree (CORVANE_FIXTURE_DIR). ffmpeg puts an APEv2 tag after the audio. Throws
// std::runtime_error when ffmpeg fails.
std::string TtaFixture(const TTtaFixtureSpec& Spec);
// The PCM the fixture was made from.
std::vector<uint8_t> TtaFixturePcm(const TTtaFixtureSpec& Spec);
// "16bit2ch_Tone_46081": a test name.
std::string TtaCaseName(const TTtaFixtureSpec& Spec);

}  // namespace corvane::test
