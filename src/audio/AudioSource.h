#pragma once

#include <cstdint>
#include <vector>

#include "ACSFileIn.h"
#include "AudioSegment.h"

namespace corvane {

// Whether the FLAC files we write can carry Rate for samples of BitsPerSample bits. Below 32
// bits they keep to FLAC's streamable subset, whose frame headers name the rate: in hertz up
// to 65535, above that in tens of hertz up to 655350. At 32 bits they leave it, and the
// stream's description holds up to 1048575 Hz.
bool FlacHoldsSampleRate(int64_t Rate, int BitsPerSample);

// A file source the converter reads, whatever its format: one range of one file, or several
// ranges of several files read in turn as one stream (a cue track whose audio ends in the next
// file). Decoder failures are raised as ESourceError.
class TAudioSource : public TACSFileIn {
 public:
  // Ranges read in turn by the next read passes; FileName becomes the first one's file, which
  // the format queries describe. Empty: the single range of FileName, StartSample and
  // EndSample. Set between runs.
  virtual void SetSegments(std::vector<TAudioSegment> Segments);
  const std::vector<TAudioSegment>& Segments() const { return FSegments; }
  // Points the source at Audio: one range as its file and range, several as segments.
  void SetAudio(const std::vector<TAudioSegment>& Audio);

  // Threads that decode ahead of the reader during a read pass (0: on the reader's thread).
  // May change at any time from any thread; a source that decodes on the reader's thread
  // only ignores it.
  virtual void SetDecodeThreads(int Count) = 0;
  virtual int DecodeThreads() const = 0;

  // Frames in FileName, opening it for the query.
  int64_t FileFrames();

 protected:
  // Every source checks the rate its file declares as it opens it, before taking it as the
  // stream's: a rate the output cannot carry is refused with the file and the rate named
  // (ESampleRateError), not met later as the encoder's bare refusal.
  void RequireWritableRate(int64_t Rate, int BitsPerSample) const;

  std::vector<TAudioSegment> FSegments;
};

}  // namespace corvane
