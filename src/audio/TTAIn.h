#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AudioSource.h"

namespace corvane {

namespace ttadec {
class TTtaDecoder;
}

// The PCM of a TTA (True Audio) file, or of a range of its samples, decoded by our own decoder
// (src/ttadec). Format queries open and close the file around each call; a read pass keeps it
// open from BeginRead (user-interface thread) to EndRead (the output's worker), and ReadData
// runs on the worker only, decoding as it reads: TTA decodes far faster than FLAC encodes.
//
// Instead of one range it can read several ranges of several files in turn as one stream (a
// cue track whose audio ends in the next file); all of them must share FileName's format.
//
// Faults are raised as ESourceError: Unreadable, NotThisFormat, Unsupported (an encrypted
// file, more than two channels, a depth other than 8, 16 or 24 bits), and Damaged with the
// time where the file's data broke, once every sample before the damaged frame has been
// handed out and none of that frame.
class TTTAIn : public TAudioSource {
 public:
  TTTAIn();
  ~TTTAIn() override;

  int BitsPerSample() override;
  int Channels() override;
  int SampleRate() override;
  int64_t TotalTime() override;
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override;
  // Also raises EACSException for a range that does not lie inside the file.
  void BeginRead() override;
  void EndRead() override;

  // Kept for whoever asks; the decoding always runs on the reader's thread.
  void SetDecodeThreads(int Count) override { FDecodeThreads.store(Count); }
  int DecodeThreads() const override { return FDecodeThreads.load(); }

  void OpenSource() override;
  void CloseSource() override;
  // Outside a read pass, checks that Sample lies in the file. During a pass of a single range
  // (on the reader's thread), the rest of the pass is read from Sample on; a pass of several
  // segments is not repositioned (false).
  bool SeekSample(int64_t Sample) override;

 private:
  static constexpr int64_t BufferBytes = 8192;
  // Samples From up to End of one file, still to be read.
  struct TSpan {
    std::string FileName;
    int64_t From = 0;
    int64_t End = 0;
  };

  int FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
  void BeginSegmentedRead();
  void StartSpans(std::vector<TSpan> Spans);
  void Refill();

  // Decoded PCM staged for ReadData; the valid part is BufStart..BufEnd (1-based).
  std::array<uint8_t, BufferBytes> FBuffer{};
  // The file the format queries describe, open from OpenSource to CloseSource.
  std::unique_ptr<ttadec::TTtaDecoder> FDecoder;
  // The read pass: what it has still to read, and the decoder of the span being read.
  std::vector<TSpan> FSpans;
  size_t FSpan = 0;
  std::unique_ptr<ttadec::TTtaDecoder> FReader;
  // Every span has been delivered.
  bool FEndOfStream = false;
  std::atomic<int> FDecodeThreads{0};
};

}  // namespace corvane
