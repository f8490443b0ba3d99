#pragma once

#include <vector>

#include "ACSFileIn.h"
#include "AudioSegment.h"

namespace corvane {

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
  std::vector<TAudioSegment> FSegments;
};

}  // namespace corvane
