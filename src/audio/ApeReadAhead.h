#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane {

class TAPEDecompress;

// Frames Start up to End of one Monkey's Audio file.
struct TApeSpan {
  std::string FileName;
  int64_t Start = 0;
  int64_t End = 0;
  // Sample frames per APE frame of the file; 0 when the library does not say.
  int64_t FrameBlocks = 0;
};

// Decodes a run of spans ahead of its reader. APE frames decode independently of each other,
// so each one is a piece of work of its own: up to Threads threads, each with a decoder of its
// own, decode successive pieces at once, and the reader gets them back in order. A fixed
// number of pieces, within a fixed number of bytes, is being decoded or waiting at any time,
// however long the files are; a reader that pauses leaves the threads idle.
//
// Read is called by one thread at a time. Threads is read again on every Read, so it may
// change in the middle of a run from any thread; 0 decodes on the reader's own thread as it
// reads, with no read-ahead at all.
class TApeReadAhead {
 public:
  TApeReadAhead(std::vector<TApeSpan> Spans, int FrameBytes, int SampleRate,
                const std::atomic<int>& Threads);
  TApeReadAhead(const TApeReadAhead&) = delete;
  TApeReadAhead& operator=(const TApeReadAhead&) = delete;
  // Stops the threads; waits only for the pieces being decoded at that moment.
  ~TApeReadAhead();

  // Copies up to Frames frames into Dest, in order, and returns how many; 0 once every span
  // has been delivered. A piece that failed raises EAPEDataError (its file and the first frame
  // that could not be delivered) once every frame before that one has been handed out, and
  // again on every later call; nothing decoded after it is ever handed out.
  int64_t Read(uint8_t* Dest, int64_t Frames);

  // Pieces beyond this size split an APE frame (no encoder writes frames that large).
  static constexpr int64_t kMaxPieceBytes = int64_t{8} << 20;
  // Pieces when the library does not tell its frame size.
  static constexpr int64_t kPlainPieceBytes = int64_t{1} << 20;
  // Bytes of decoded PCM being decoded or waiting, at most (but always room for two pieces).
  static constexpr int64_t kBudgetBytes = int64_t{24} << 20;
  // Pieces being decoded or waiting, at most.
  static constexpr size_t kMaxPieces = 16;

 private:
  struct TPiece {
    const TApeSpan* Span = nullptr;
    int64_t First = 0;
    int64_t Frames = 0;
    std::vector<uint8_t> Pcm;
    // Set once it is decoded; the fields below it change only before (its thread) and after
    // (the reader), under the mutex.
    bool Done = false;
    int32_t Code = 0;       // the decoder's result
    int64_t Delivered = 0;  // frames the decoder delivered
    int64_t Taken = 0;      // frames handed out
    bool Failed() const { return Code != 0 || Delivered < Frames; }
  };
  // One decoder, kept open on the file of the last piece it decoded.
  class TDecoderSlot {
   public:
    TDecoderSlot();
    ~TDecoderSlot();
    TAPEDecompress& On(const std::string& FileName);

   private:
    std::unique_ptr<TAPEDecompress> FDecoder;
  };

  int64_t PieceEnd(const TApeSpan& Span, int64_t At) const;
  // The following run under FMutex.
  bool CanDispatch() const;
  TPiece& Dispatch();
  void Finish(TPiece& Piece);
  int Active() const { return static_cast<int>(std::min<size_t>(FLimit, FStarted)); }

  void Decode(TPiece& Piece, TDecoderSlot& Slot) const;
  void Work(size_t Index);
  // Follows the thread count: starts threads up to it, wakes those it lets work again.
  void FollowThreadCount();
  [[noreturn]] void ThrowFailure(const TPiece& Piece) const;

  const std::vector<TApeSpan> FSpans;
  const int FFrameBytes;
  const int FSampleRate;
  const std::atomic<int>& FThreads;
  size_t FMaxPieces = 2;
  size_t FMaxWorkers = 1;

  std::mutex FMutex;
  std::condition_variable FWork;   // a worker may take a piece, or must stop
  std::condition_variable FReady;  // a piece is decoded
  bool FStopping = false;
  // Where the next piece starts.
  size_t FSpan = 0;
  int64_t FNext = 0;
  // A piece failed: no more are handed to the threads.
  bool FFailed = false;
  // Pieces being decoded or waiting, in stream order.
  std::deque<std::unique_ptr<TPiece>> FPieces;
  std::vector<std::vector<uint8_t>> FSpare;
  // Threads allowed to take pieces (the count the reader last saw) and threads started.
  size_t FLimit = 0;
  size_t FStarted = 0;

  // The reader's own, used while no thread may decode.
  TDecoderSlot FReaderSlot;
  // Touched by the reader and the destructor only.
  std::vector<std::thread> FWorkers;
};

}  // namespace corvane
