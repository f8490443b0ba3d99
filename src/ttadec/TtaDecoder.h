#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TtaError.h"
#include "TtaFile.h"
#include "TtaHeader.h"
#include "TtaSeekTable.h"

namespace corvane::ttadec {

// One TTA file opened for decoding: its PCM handed out from any sample frame on, interleaved
// and little-endian as a WAV file's data holds it. Each TTA frame is checked against its CRC
// before any of its samples is handed out, so a damaged frame never passes for audio. Memory
// holds one frame, whatever the file's length.
class TTtaDecoder {
 public:
  // Opens FileName and checks its header and seek table. Throws ETtaError.
  explicit TTtaDecoder(const std::string& FileName);
  TTtaDecoder(const TTtaDecoder&) = delete;
  TTtaDecoder& operator=(const TTtaDecoder&) = delete;

  const std::string& FileName() const { return FFile.FileName(); }
  const TTtaHeader& Header() const { return FHeader; }
  int Channels() const { return FHeader.Channels; }
  int BitsPerSample() const { return FHeader.BitsPerSample; }
  int SampleRate() const { return FHeader.SampleRate; }
  // Sample frames (one sample of every channel) in the file.
  int64_t Samples() const { return FHeader.Samples; }
  // Bytes of one decoded sample frame.
  int SampleBytes() const { return FHeader.SampleBytes(); }

  // Makes the next Read start at sample frame Sample; false, changing nothing, when Sample
  // lies outside 0..Samples(). Forgets a failure met before.
  bool Seek(int64_t Sample);
  // Copies up to Count sample frames into Dest and returns how many; 0 at the end of the
  // file. A frame that is damaged (or lies past the file's end) raises ETtaError(Damaged) at
  // its first sample once every sample before it has been handed out, and again on every
  // later call until a Seek; none of its samples is ever handed out.
  int64_t Read(uint8_t* Dest, int64_t Count);

 private:
  // Decodes frame Index into FPcm, or throws ETtaError(Damaged) at its first sample.
  void LoadFrame(int64_t Index);

  TTtaFile FFile;
  TTtaHeader FHeader;
  TTtaSeekTable FTable;
  // The coded bytes of the frame last read, and its PCM.
  std::vector<uint8_t> FCoded;
  std::vector<uint8_t> FPcm;
  // The frame in FPcm (-1: none) and its sample frames.
  int64_t FLoaded = -1;
  int64_t FLoadedSamples = 0;
  // The sample frame the next Read hands out first.
  int64_t FPosition = 0;
  // A failure that stands until the next Seek, so damaged audio never resumes quietly.
  std::optional<ETtaError> FFailure;
};

}  // namespace corvane::ttadec
