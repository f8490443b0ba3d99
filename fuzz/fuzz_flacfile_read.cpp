#include <cstddef>
#include <cstdint>

#include "FLACfile.h"
#include "ScratchFile.h"
#include "TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  corvane::TFLACfile flac;
  if (!flac.Read(path, true)) return 0;
  // A file that reads as valid describes itself consistently.
  if (!flac.IsValid() || flac.GetDuration() <= 0 || flac.AudioOffset() > flac.FileSize() ||
      flac.AudioOffset() < flac.MarkerOffset() + 42) {
    __builtin_trap();
  }
  for (const auto& [name, value] : flac.ExtraFields) {
    if (!corvane::IsValidUtf8(name) || !corvane::IsValidUtf8(value)) __builtin_trap();
  }
  return 0;
}
