#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "PcmSignal.h"

namespace corvane::test {

struct TApeFixtureSpec {
  TPcmFormat Format;
  int64_t Frames = 44100;
  TSignal Signal = TSignal::Tone;
  int Level = 2;  // jmac's c1 (fast) to c5 (insane)
  uint32_t Seed = 1;
};

// The APE file of Spec, made by jmac from Spec's PCM on first use and cached in the build
// tree (CORVANE_FIXTURE_DIR). Throws std::runtime_error when jmac fails.
std::string ApeFixture(const TApeFixtureSpec& Spec);
// An APE file made by jmac from Pcm, cached in the build tree under Name (which must say what
// the PCM is: the cache is not checked against it).
std::string ApeFixtureFromPcm(const std::string& Name, const TPcmFormat& Format,
                              const std::vector<uint8_t>& Pcm, int Level = 2);
// The PCM the fixture was made from.
std::vector<uint8_t> ApeFixturePcm(const TApeFixtureSpec& Spec);
// The cache folder; created when missing.
std::string FixtureDir();

// Blocks per APE frame at jmac's levels c1 to c3 (c4 has four times as many, c5 sixteen).
constexpr int64_t kNormalFrameBlocks = 73728;

// Every whole-file case the decoder is held to: 16-bit stereo and mono, 8-bit and 24-bit
// stereo, at all five levels, silence, tone and noise, with a length that is no multiple of
// any frame or buffer size.
std::vector<TApeFixtureSpec> WholeFileFixtures();
// "16bit2ch_c3_Tone": a test name.
std::string FixtureCaseName(const TApeFixtureSpec& Spec);
void PrintTo(const TApeFixtureSpec& Spec, std::ostream* Out);
// Loud material at the extra high and insane levels (full-scale noise and tone, clipped
// music, a full-scale square wave; 24-bit stereo and mono, 16-bit stereo and mono), 30 to 60
// seconds so that each file holds several APE frames: where the filters' sums reach the ends
// of 32 bits and decoders that compute otherwise go wrong.
std::vector<TApeFixtureSpec> LoudFixtures();

}  // namespace corvane::test
