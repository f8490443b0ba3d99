#include "TrackMeasures.h"

#include <exception>

namespace corvane {

TTrackMeasures::TTrackMeasures(std::optional<TDiscTrackPlace> Place, bool Loudness)
    : FPlace(Place), FWantLoudness(Loudness) {}

TTrackMeasures::~TTrackMeasures() = default;

void TTrackMeasures::Begin(int SampleRate, int Channels, int BitsPerSample) {
  // A run that starts again (a job tried anew) measures from scratch.
  FCrc = TCrc32();
  FBytes = 0;
  FCdAudio = SampleRate == 44100 && Channels == 2 && BitsPerSample == 16;
  FAccurateRip.reset();
  if (FPlace && FCdAudio) {
    FAccurateRip =
        std::make_unique<TAccurateRipChecksum>(FPlace->First, FPlace->Last, FPlace->Frames);
  }
  FLoudness.reset();
  FLoudnessProblem.clear();
  if (FWantLoudness) {
    // The file converts all the same; it only goes without ReplayGain tags.
    try {
      FLoudness = std::make_unique<TLoudnessMeter>(SampleRate, Channels, BitsPerSample);
    } catch (const std::exception& E) {
      FLoudnessProblem = E.what();
    }
  }
}

void TTrackMeasures::Add(const uint8_t* Pcm, size_t Bytes) {
  FCrc.Add(Pcm, Bytes);
  FBytes += Bytes;
  if (FAccurateRip) FAccurateRip->Add(Pcm, Bytes);
  if (FLoudness) FLoudness->Add(Pcm, Bytes);
}

std::optional<TTrackMeasures::TArChecksums> TTrackMeasures::AccurateRip() const {
  if (!FAccurateRip) return std::nullopt;
  return TArChecksums{FAccurateRip->V1(), FAccurateRip->V2()};
}

}  // namespace corvane
