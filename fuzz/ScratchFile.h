#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::fuzz {

// The readers take file names, so each input is written to a file of this process first
// ($TMPDIR or /tmp, named after the process id; removed at exit).
const std::string& WriteScratchFile(const uint8_t* Data, size_t Size);

}  // namespace corvane::fuzz
