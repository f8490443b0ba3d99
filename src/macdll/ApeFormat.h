#pragma once

// Constants of the Monkey's Audio format shared by the header parser and the frame decoder.

#include <cstdint>

namespace corvane::macdll {

// Encoder versions, as stored in the header (3990 is 3.99).
constexpr int kOldestVersion = 3800;
constexpr int kNewestVersion = 3990;

// Compression levels: fast (c1) to insane (c5).
constexpr int kLevelFast = 1000;
constexpr int kLevelHigh = 3000;
constexpr int kLevelExtraHigh = 4000;
constexpr int kLevelInsane = 5000;

// Frame flags that follow a frame's CRC.
constexpr uint32_t kFrameSilence = 3;       // any bit: mono silence; both: stereo silence
constexpr uint32_t kFramePseudoStereo = 4;  // one channel coded, copied to the other

// The largest frame we accept, in blocks (one sample per channel): four times what the
// insane level writes, so allocation stays bounded whatever a header claims.
constexpr int64_t kMaxFrameBlocks = 4 * 16 * 73728;

// Blocks decoded per pass through the stages for files whose channels are interleaved in the
// entropy coder (3.93 and later); older files are decoded a whole frame at once.
constexpr int kChunkBlocks = 4608;

}  // namespace corvane::macdll
