// Cue sheets as they arrive from disk: any bytes, decoded by their byte-order mark, then parsed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CueFile.h"
#include "TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  corvane::TCueFile cue("fuzz.cue");
  cue.SetCueText(
      corvane::DecodeTextBytes(std::string_view(reinterpret_cast<const char*>(Data), Size)));
  cue.Parse();
  // Every track line needs its own bytes: no input makes more tracks than it has lines.
  if (cue.Tracks.size() > Size) __builtin_trap();
  cue.FreeTracks();
  return 0;
}
