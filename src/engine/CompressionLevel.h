#pragma once

#include <optional>
#include <string>

namespace corvane {

class TFLACOut;

// The reference encoder's presets 0 to 8 and how the level field and the CPU-usage slider
// map onto the FLAC sink.

// The level field's text as an integer (an optional sign and digits); nothing otherwise.
std::optional<int> ParseCompressionLevel(const std::string& Text);
// Applies preset Level to Out; a level outside 0 to 8 leaves it unchanged and returns false.
bool ApplyCompressionLevel(TFLACOut& Out, int Level);
// The status text for any integer level: fast below 3, medium up to 6, slow above.
const char* CompressionLevelStatus(int Level);
// Milliseconds the worker sleeps per cycle for slider position 1 (low) to 3 (high).
int LoopDelayForCpuUsage(int Position);
// Threads decoding ahead of the encoder for slider position 1 to 3 on a machine of Cores
// cores: one below the top (with the sleep above, the conversion leaves the other cores
// alone), every core at the top.
int DecodeThreadsForCpuUsage(int Position, int Cores);
// The processor cores of this machine (at least 1).
int MachineCores();

}  // namespace corvane
