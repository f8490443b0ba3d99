#include "AudioSource.h"

#include "SourceError.h"

namespace corvane {

bool FlacHoldsSampleRate(int64_t Rate, int BitsPerSample) {
  if (Rate < 1) return false;
  if (BitsPerSample >= 32) return Rate <= 1048575;
  return Rate <= 65535 || (Rate <= 655350 && Rate % 10 == 0);
}

void TAudioSource::RequireWritableRate(int64_t Rate, int BitsPerSample) const {
  if (!FlacHoldsSampleRate(Rate, BitsPerSample)) throw ESampleRateError(Rate, FFileName);
}

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
