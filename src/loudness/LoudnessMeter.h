#pragma once

#include <ebur128.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvane::loudness {

// Measures one track while it is converted, from the same PCM that goes to the encoder, so
// the ReplayGain values need no second pass over the file.
class TLoudnessMeter {
 public:
  // PCM in the WAV data layout: interleaved little-endian, 8-bit unsigned (128 is zero),
  // 16-, 24- or 32-bit signed; 1 to 8 channels, in the WAV order of their speakers. Throws
  // std::runtime_error for a format it cannot measure.
  TLoudnessMeter(int SampleRate, int Channels, int BitsPerSample);
  TLoudnessMeter(const TLoudnessMeter&) = delete;
  TLoudnessMeter& operator=(const TLoudnessMeter&) = delete;
  // A meter moved from measures nothing more.
  TLoudnessMeter(TLoudnessMeter&&) noexcept = default;
  TLoudnessMeter& operator=(TLoudnessMeter&&) noexcept = default;
  ~TLoudnessMeter();

  // Any number of bytes: a frame split between two calls is kept until it is whole.
  void Add(const uint8_t* Pcm, size_t Bytes);

  // Integrated loudness in LUFS; -HUGE_VAL when nothing rose above the absolute gate
  // (silence, or no audio at all).
  double IntegratedLoudness() const;
  // The largest |sample| over all channels, over full scale (2^(bits-1)): 1.0 at most.
  double SamplePeak() const;

  int SampleRate() const { return FSampleRate; }
  int Channels() const { return FChannels; }
  int BitsPerSample() const { return FBits; }
  // Whole frames measured so far.
  int64_t Frames() const { return FFrames; }

 private:
  struct TStateDeleter {
    void operator()(ebur128_state* State) const;
  };
  friend double AlbumLoudness(const std::vector<const TLoudnessMeter*>& Tracks);

  // Converts and measures Count whole frames.
  void AddFrames(const uint8_t* Pcm, size_t Count);

  std::unique_ptr<ebur128_state, TStateDeleter> FState;
  int FSampleRate;
  int FChannels;
  int FBits;
  size_t FFrameBytes;
  int64_t FFrames = 0;
  // The start of a frame the last call cut off.
  uint8_t FPartial[32] = {};
  size_t FPartialBytes = 0;
  // Reused for every chunk, so measuring allocates nothing once it runs; only one of them is
  // sized, by the sample width libebur128 takes for this format.
  std::vector<short> FShorts;
  std::vector<int> FInts;
};

// The loudness of several tracks together as one album: their gated blocks pooled, not an
// average of their loudnesses. -HUGE_VAL for no tracks or only silent ones.
double AlbumLoudness(const std::vector<const TLoudnessMeter*>& Tracks);
// The largest sample peak of the tracks; 0 for none.
double AlbumPeak(const std::vector<const TLoudnessMeter*>& Tracks);

}  // namespace corvane::loudness
