// Cue sheets as they arrive from disk: any bytes, decoded by their byte-order mark or the
// detected legacy encoding (or one a user chose), parsed, checked, and cut into spans.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CueFile.h"
#include "TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  // The first byte picks the encoding, as the job list's menu would.
  const auto encoding = static_cast<corvane::TTextEncoding>(Data[0] % 8);
  const std::string_view bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);
  corvane::TCueFile cue("fuzz.cue");
  cue.SetCueText(corvane::DecodeTextBytes(bytes, encoding));
  cue.Parse();
  // Every track line needs its own bytes: no input makes more tracks than it has lines.
  if (cue.Tracks.size() > Size) __builtin_trap();
  // A sheet with problems has at least one at a real line; a usable one cuts into spans that
  // stay inside its files and never run backwards.
  for (const corvane::TCueProblem& problem : cue.Problems) {
    if (problem.Line < 1) __builtin_trap();
  }
  if (cue.Valid()) {
    for (int track = -1; track < static_cast<int>(cue.Tracks.size()); ++track) {
      for (const corvane::TCueSpan& span : corvane::TrackSpans(cue, track)) {
        if (span.File < 0 || span.File >= static_cast<int>(cue.Files.size())) __builtin_trap();
        if (span.From < 0 || (span.To >= 0 && span.To <= span.From)) __builtin_trap();
      }
    }
  }
  cue.FreeTracks();
  return 0;
}
