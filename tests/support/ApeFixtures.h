#pragma once

#include <cstdint>
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

// The APE file of Spec, made by jmac from the spec's PCM on first use and cached in the build
// tree (CORVANE_FIXTURE_DIR). Throws std::runtime_error when jmac fails.
std::string ApeFixture(const TApeFixtureSpec& Spec);
// The PCM the fixture was made from.
std::vector<uint8_t> ApeFixturePcm(const TApeFixtureSpec& Spec);
// The cache folder; created when missing.
std::string FixtureDir();

}  // namespace corvane::test
