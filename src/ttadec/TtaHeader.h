#pragma once

#include <cstdint>

namespace corvane::ttadec {

class TTtaFile;

// What the TTA1 header says of the audio, checked: 8-, 16- or 24-bit PCM in one or two
// channels.
struct TTtaHeader {
  int Channels = 0;
  int BitsPerSample = 0;
  int SampleRate = 0;
  // Sample frames (one sample of every channel) in the file.
  int64_t Samples = 0;
  // Sample frames per TTA frame; the last frame holds the rest.
  int64_t FrameSamples = 0;
  int64_t Frames = 0;
  // Where the seek table starts: right after the header.
  int64_t TableOffset = 0;

  // Bytes of one decoded sample frame.
  int SampleBytes() const { return BitsPerSample / 8 * Channels; }
  // Sample frames in TTA frame Frame (of Frames).
  int64_t SamplesIn(int64_t Frame) const;
};

// Bytes of the header, its CRC included.
inline constexpr int64_t kTtaHeaderBytes = 22;
// Rates above this are refused: no recording comes near it, and it keeps a frame's buffers
// within a few megabytes.
inline constexpr int kMaxTtaSampleRate = 1048575;

// Where the TTA data of File starts: past the ID3v2 tags some taggers put before it.
int64_t SkipId3v2Tags(const TTtaFile& File);
// Reads and checks the header of File. Throws ETtaError: NotThisFormat without a TTA1
// signature, Damaged (at sample 0) for a header cut short or failing its CRC, Unsupported for
// an encrypted file or a format, depth, channel count or rate we do not decode.
TTtaHeader ReadTtaHeader(const TTtaFile& File);

}  // namespace corvane::ttadec
