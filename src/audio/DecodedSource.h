#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "AudioSource.h"
#include "StreamDecoder.h"

namespace corvane {

// A source for any format whose decoder is cheap enough to run on the reader's thread: it
// reads ranges of files through a TStreamDecoder, checks every range before the first byte
// goes out, and fails a read that ends before its range does instead of handing out a short
// stream as a whole one.
class TDecodedSource : public TAudioSource {
 public:
  explicit TDecodedSource(TStreamDecoderOpener Opener);
  ~TDecodedSource() override;

  int BitsPerSample() override;
  int Channels() override;
  int SampleRate() override;
  int64_t TotalTime() override;
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override;
  void BeginRead() override;
  void EndRead() override;

  // Decoding happens as the reader reads; the count is kept for whoever asks.
  void SetDecodeThreads(int Count) override {
    FDecodeThreads.store(Count, std::memory_order_relaxed);
  }
  int DecodeThreads() const override { return FDecodeThreads.load(std::memory_order_relaxed); }

  void OpenSource() override;
  void CloseSource() override;
  // Outside a read pass, checks Sample for the pass to come. During a pass of a single range,
  // the rest of the pass is read from Sample on; a pass of several segments is not moved.
  bool SeekSample(int64_t Sample) override;

 private:
  struct TSpan {
    std::string FileName;
    int64_t Start = 0;
    int64_t End = 0;
  };

  void CheckFormat(const TPcmFormat& Format, const std::string& FileName) const;
  void StartSpan();
  // Fills the buffer from the current span; false at the end of the last one.
  bool Refill();

  TStreamDecoderOpener FOpener;
  std::atomic<int> FDecodeThreads{0};
  std::unique_ptr<TStreamDecoder> FQueryDecoder;  // while the source is open
  std::vector<TSpan> FSpans;
  size_t FSpan = 0;
  std::unique_ptr<TStreamDecoder> FReading;  // the current span's file
  int64_t FNext = 0;                         // the next frame of the current span
  std::vector<uint8_t> FBuffer;
};

}  // namespace corvane
