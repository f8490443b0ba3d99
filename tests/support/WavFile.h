#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PcmSignal.h"

namespace corvane::test {

// Writes a plain PCM WAV file (format tag 1, the only kind jmac reads).
void WriteWav(const std::string& Path, const TPcmFormat& Format, const std::vector<uint8_t>& Pcm);

std::vector<uint8_t> ReadFileBytes(const std::string& Path);
void WriteFileBytes(const std::string& Path, const std::vector<uint8_t>& Bytes);

}  // namespace corvane::test
