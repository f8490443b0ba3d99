#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The cue sheet text of a FLAC CUESHEET block's body, as a sheet beside the file would read:
// one FILE line naming AudioName, each audio track with its ISRC and index points. Offsets in
// samples become cue times at SampleRate (CD frames of 1/75 s). Empty when the body is cut
// short or lies about its counts, or holds no audio track.
std::string CueSheetOfFlacBlock(const std::vector<uint8_t>& Body, int SampleRate,
                                const std::string& AudioName);

}  // namespace corvane
