#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ACSFileIn.h"
#include "MACDll.h"

namespace corvane {

// A range of sample frames of one file.
struct TAudioSegment {
  std::string FileName;
  int64_t StartSample = 0;
  int64_t EndSample = -1;  // one past the last frame; -1 is the end of the file
};

// Damaged data, or data that ends before its declared length, met while decoding; says where.
class EAPEDataError : public EAPEException {
 public:
  EAPEDataError(int32_t Code, std::string FileName, int64_t Frame, int SampleRate)
      : EAPEException(Code),
        FFileName(std::move(FileName)),
        FFrame(Frame),
        FSampleRate(SampleRate) {}
  const std::string& FileName() const noexcept { return FFileName; }
  // The first frame of that file that could not be delivered.
  int64_t Frame() const noexcept { return FFrame; }
  double Seconds() const noexcept {
    return FSampleRate > 0 ? static_cast<double>(FFrame) / FSampleRate : 0.0;
  }

 private:
  std::string FFileName;
  int64_t FFrame;
  int FSampleRate;
};

// The PCM of a Monkey's Audio file, or of a range of its frames, decoded by libMACDll.so.
// Format queries open and close the file around each call; a read pass keeps it open from
// BeginRead (user-interface thread) to EndRead (the output's worker), and ReadData runs on
// the worker only.
//
// Instead of one range it can read several ranges of several files in turn as one stream (a
// cue track whose audio ends in the next file); all of them must share FileName's format.
class TMACIn : public TACSFileIn {
 public:
  // Throws EACSException when the decoder library is not loaded.
  TMACIn();
  ~TMACIn() override;

  int BitsPerSample() override;
  int Channels() override;
  int SampleRate() override;
  int64_t TotalTime() override;
  // Raises EAPEDataError when the data is damaged or ends before the range does: a short
  // stream is never handed out as a complete one.
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override;
  // Also raises EACSException for a range that does not lie inside the file.
  void BeginRead() override;
  void EndRead() override;

  // Ranges read in turn by the next read passes; FileName becomes the first one's file, which
  // the format queries describe. Empty: the single range of FileName, StartSample and
  // EndSample. Set on the user-interface thread between runs.
  void SetSegments(std::vector<TAudioSegment> Segments);
  const std::vector<TAudioSegment>& Segments() const { return FSegments; }

  void OpenSource() override;
  void CloseSource() override;
  bool SeekSample(int64_t Sample) override;

 private:
  static constexpr int64_t BufferBytes = 8192;

  int FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
  void Refill();
  void BeginSegmentedRead();
  // Opens the next segment that holds audio; false when none is left.
  bool NextSegment();

  // Decoded PCM staged for ReadData; the valid part is BufStart..BufEnd (1-based).
  std::array<uint8_t, BufferBytes> FBuffer{};
  std::unique_ptr<TAPEDecompress> FDecoder;
  // The decoder has nothing more for this read pass, or the range has been delivered.
  bool FEndOfStream = false;
  // Result of the last SeekSample, checked by BeginRead.
  int32_t FSeekResult = 0;

  std::vector<TAudioSegment> FSegments;
  // During a segmented read pass (written by BeginRead, then by the worker): each segment's end
  // with the end of its file resolved, the segment being read, its decoder and the frames it
  // has left.
  std::vector<int64_t> FSegmentEnds;
  size_t FSegmentIndex = 0;
  std::unique_ptr<TAPEDecompress> FSegmentDecoder;
  int64_t FSegmentLeft = 0;
};

}  // namespace corvane
