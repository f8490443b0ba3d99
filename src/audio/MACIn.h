#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ApeReadAhead.h"
#include "AudioSource.h"
#include "MACBinding.h"

namespace corvane {

// The PCM of a Monkey's Audio file, or of a range of its frames, decoded by libMACDll.so.
// Format queries open and close the file around each call; a read pass keeps it open from
// BeginRead (user-interface thread) to EndRead (the output's worker), and ReadData runs on
// the worker only.
//
// Instead of one range it can read several ranges of several files in turn as one stream (a
// cue track whose audio ends in the next file); all of them must share FileName's format.
//
// During a read pass the audio is decoded ahead of the reader, on threads of the source's own
// (TApeReadAhead), so decoding and the reader's work run side by side.
class TMACIn : public TAudioSource {
 public:
  // Throws EACSException when the decoder library is not loaded.
  TMACIn();
  ~TMACIn() override;

  int BitsPerSample() override;
  int Channels() override;
  int SampleRate() override;
  int64_t TotalTime() override;
  // Raises EAPEDataError when the data is damaged or ends before the range does, once every
  // frame before the fault has been handed out: a short stream is never handed out as a
  // complete one.
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override;
  // Also raises EACSException for a range that does not lie inside the file.
  void BeginRead() override;
  void EndRead() override;

  // Threads that decode ahead of the reader during a read pass: 1 or more decode the next APE
  // frames, that many at once, while the reader works; 0 decodes on the reader's thread as it
  // reads. One per core unless set. May change at any time from any thread: a read pass
  // follows it from its next read on.
  void SetDecodeThreads(int Count) override;
  int DecodeThreads() const override { return FDecodeThreads.load(std::memory_order_relaxed); }
  // The processor cores of this machine (at least 1).
  static int AllCores();

  void OpenSource() override;
  void CloseSource() override;
  // Outside a read pass, checks Sample for the pass to come. During a pass of a single range
  // (on the reader's thread), the rest of the pass is read from Sample on; a pass of several
  // segments is not repositioned (false).
  bool SeekSample(int64_t Sample) override;

 private:
  static constexpr int64_t BufferBytes = 8192;
  static constexpr int kMaxDecodeThreads = 64;

  int FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
  void Refill();
  void BeginSegmentedRead();
  void StartReadAhead(std::vector<TApeSpan> Spans);

  // Decoded PCM staged for ReadData; the valid part is BufStart..BufEnd (1-based).
  std::array<uint8_t, BufferBytes> FBuffer{};
  std::unique_ptr<TAPEDecompress> FDecoder;
  // The decoder has nothing more for this read pass, or the range has been delivered.
  bool FEndOfStream = false;
  // Result of the last SeekSample, checked by BeginRead.
  int32_t FSeekResult = 0;

  std::atomic<int> FDecodeThreads{AllCores()};
  // The read pass's decoding, from BeginRead to EndRead.
  std::unique_ptr<TApeReadAhead> FReadAhead;
};

}  // namespace corvane
