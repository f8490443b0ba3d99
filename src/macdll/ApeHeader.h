#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ApeFile.h"

namespace corvane::macdll {

// The format of the PCM a header describes.
struct TPcmFormat {
  int64_t SampleRate = 0;
  int BitsPerSample = 0;
  int Channels = 0;
  bool operator==(const TPcmFormat&) const = default;
};

// The stream description and frame table of a Monkey's Audio file, as read from its header
// and seek table (both layouts: the descriptor of 3.98 and later, the older fixed header).
struct TApeHeader {
  int64_t MacOffset = 0;  // where "MAC " starts: after any ID3v2 tags
  int Version = 0;        // 3990 is 3.99
  int Level = 0;          // 1000 (fast) to 5000 (insane)
  int FormatFlags = 0;
  int BitsPerSample = 0;
  int Channels = 0;
  int64_t SampleRate = 0;  // as stored: any 32-bit value, judged by whoever writes the PCM
  int64_t BlocksPerFrame = 0;
  int64_t FinalFrameBlocks = 0;
  int64_t TotalFrames = 0;
  int64_t FirstFrame = 0;  // file offset of frame 0
  // Where the audio data ends: the file's end less the APE and ID3v1 tags and the stored WAV
  // trailer.
  int64_t AudioEnd = 0;
  // File offset of each frame as the seek table gives it (frame 0: FirstFrame).
  std::vector<int64_t> FrameOffsets;
  // 3.80 only: bits to skip at the start of each frame, from the table after the seek table.
  std::vector<uint8_t> FrameBitSkips;
  // False for a file we recognise but do not decode (its version, depth or channel count).
  bool Supported = true;
  // What the WAV header the file keeps says, when it keeps one we can read. The encoder wrote
  // both headers from the same source, so a disagreement means one of them is damaged.
  std::optional<TPcmFormat> StoredWav;

  TPcmFormat Format() const { return {SampleRate, BitsPerSample, Channels}; }
  bool MatchesStoredWav() const { return !StoredWav || *StoredWav == Format(); }

  int64_t TotalBlocks() const {
    return TotalFrames == 0 ? 0 : (TotalFrames - 1) * BlocksPerFrame + FinalFrameBlocks;
  }
  int64_t BlocksOfFrame(int64_t Frame) const {
    return Frame + 1 == TotalFrames ? FinalFrameBlocks : BlocksPerFrame;
  }
};

// Reads the header of File. Throws TMacError(MAC_ERROR_INVALID_INPUT_FILE) when File is not a
// Monkey's Audio file or its header does not hold together with the file's size, and
// TMacError(MAC_ERROR_DAMAGED_SEEK_TABLE) when its seek table does not fit its frames; a file
// of a version or format we do not decode comes back with Supported false and as much of its
// description as could be read.
TApeHeader ReadApeHeader(const TApeFile& File);

// "3.99": the version as encoders show it.
std::string VersionText(int Version);

}  // namespace corvane::macdll
