#include "AudioSource.h"

namespace corvane {

void TAudioSource::SetSegments(std::vector<TAudioSegment> Segments) {
  FSegments = std::move(Segments);
  if (!FSegments.empty()) FFileName = FSegments.front().FileName;
}

void TAudioSource::SetAudio(const std::vector<TAudioSegment>& Audio) {
  SetSegments({});
  SetStartSample(0);
  SetEndSample(-1);
  if (Audio.size() > 1) {
    SetSegments(Audio);
  } else if (Audio.size() == 1) {
    SetFileName(Audio.front().FileName);
    SetStartSample(Audio.front().StartSample);
    SetEndSample(Audio.front().EndSample);
  }
}

int64_t TAudioSource::FileFrames() {
  OpenSource();
  const int64_t frames = FTotalSamples;
  CloseSource();
  return frames;
}

}  // namespace corvane
