#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PcmSignal.h"

namespace corvane::test {

// A file an outside program made from Pcm, cached in the build tree (CORVANE_FIXTURE_DIR).
// Command runs in the shell with {in} standing for a WAV file of Pcm and {out} for the file to
// make, whose name ends in Extension; a correction file ({out} + "c", as WavPack makes it) is
// kept beside the fixture. Name must say what the PCM is (the cache is not checked against
// it); the command is part of the cache's key. Throws std::runtime_error when the command fails.
std::string EncodedFixture(const std::string& Name, const std::string& Extension,
                           const std::string& Command, const TPcmFormat& Format,
                           const std::vector<uint8_t>& Pcm);

}  // namespace corvane::test
