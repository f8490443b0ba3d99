#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "AccurateRipChecksum.h"
#include "Crc32.h"
#include "LoudnessMeter.h"
#include "PcmTap.h"
#include "ReplayGain.h"

namespace corvane {

using loudness::TLoudnessMeter;
using proof::TAccurateRipChecksum;
using proof::TCrc32;

// Where a track lies on its disc, for the AccurateRip checksum: the first track leaves out its
// first sectors and the last its last ones.
struct TDiscTrackPlace {
  bool First = false;
  bool Last = false;
  int64_t Frames = 0;
};

// What is measured of one track's PCM while it is encoded: the CRC32 of its bytes, its
// AccurateRip checksums when it is CD audio and its place on a disc is known, and its loudness
// when ReplayGain is asked for. Fed on the sink's worker; read by the sink's owner once the run
// has ended.
class TTrackMeasures : public TPcmTap {
 public:
  // Place: none when the PCM is no track of a disc whose layout is known.
  TTrackMeasures(std::optional<TDiscTrackPlace> Place, bool Loudness);
  ~TTrackMeasures() override;

  void Begin(int SampleRate, int Channels, int BitsPerSample) override;
  void Add(const uint8_t* Pcm, size_t Bytes) override;

  uint32_t Crc32() const { return FCrc.Value(); }
  uint64_t Bytes() const { return FBytes; }
  // Both checksums, when the PCM was CD audio (44.1 kHz, 16-bit stereo) of a placed track.
  struct TArChecksums {
    uint32_t V1 = 0;
    uint32_t V2 = 0;
  };
  std::optional<TArChecksums> AccurateRip() const;
  bool CdAudio() const { return FCdAudio; }
  bool WantsLoudness() const { return FWantLoudness; }
  // The loudness meter, when loudness was asked for and the run began.
  const TLoudnessMeter* Loudness() const { return FLoudness.get(); }
  // Why loudness was asked for but not measured (a format the meter cannot take); empty else.
  const std::string& LoudnessProblem() const { return FLoudnessProblem; }

 private:
  std::optional<TDiscTrackPlace> FPlace;
  bool FWantLoudness;
  bool FCdAudio = false;
  TCrc32 FCrc;
  uint64_t FBytes = 0;
  std::unique_ptr<TAccurateRipChecksum> FAccurateRip;
  std::unique_ptr<TLoudnessMeter> FLoudness;
  std::string FLoudnessProblem;
};

}  // namespace corvane
