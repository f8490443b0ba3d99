#include "ApeReadAhead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "MACBinding.h"
#include "MACDllApi.h"

namespace corvane {

TApeReadAhead::TDecoderSlot::TDecoderSlot() = default;
TApeReadAhead::TDecoderSlot::~TDecoderSlot() = default;

TAPEDecompress& TApeReadAhead::TDecoderSlot::On(const std::string& FileName) {
  if (!FDecoder || FDecoder->FileName() != FileName) {
    FDecoder.reset();
    auto decoder = std::make_unique<TAPEDecompress>(FileName);
    if (!decoder->HasHandle()) throw EAPEException(MAC_ERROR_IO_READ);
    FDecoder = std::move(decoder);
  }
  return *FDecoder;
}

TApeReadAhead::TApeReadAhead(std::vector<TApeSpan> Spans, int FrameBytes, int SampleRate,
                             const std::atomic<int>& Threads)
    : FSpans([&Spans] {
        std::erase_if(Spans, [](const TApeSpan& Span) { return Span.End <= Span.Start; });
        return std::move(Spans);
      }()),
      FFrameBytes(std::max(FrameBytes, 1)),
      FSampleRate(SampleRate),
      FThreads(Threads) {
  if (!FSpans.empty()) FNext = FSpans.front().Start;
  // The largest piece sets how many fit in the budget; one of them is the reader's.
  int64_t largest = 1;
  bool splitFrames = false;
  for (const TApeSpan& span : FSpans) {
    const bool split = span.FrameBlocks > kMaxPieceBytes / FFrameBytes;
    splitFrames = splitFrames || split;
    int64_t piece = kPlainPieceBytes / FFrameBytes * FFrameBytes;
    if (span.FrameBlocks > 0) piece = split ? kMaxPieceBytes : span.FrameBlocks * FFrameBytes;
    largest = std::max(largest, piece);
  }
  FMaxPieces = std::clamp<size_t>(static_cast<size_t>(kBudgetBytes / largest), 2, kMaxPieces);
  // The pieces of a split frame are decoded once, by one decoder that keeps the frame, or
  // every thread would decode the whole frame for its piece.
  FMaxWorkers = splitFrames ? 1 : FMaxPieces - 1;
  FollowThreadCount();
}

TApeReadAhead::~TApeReadAhead() {
  {
    std::lock_guard lock(FMutex);
    FStopping = true;
  }
  FWork.notify_all();
  for (std::thread& worker : FWorkers) worker.join();
}

int64_t TApeReadAhead::PieceEnd(const TApeSpan& Span, int64_t At) const {
  int64_t end = 0;
  if (Span.FrameBlocks > 0) {
    // To the end of the APE frame holding At: a piece starting inside a frame (a range's
    // start) ends where that frame does, so every later piece is a whole frame.
    const int64_t frameEnd = (At / Span.FrameBlocks + 1) * Span.FrameBlocks;
    end = std::min(frameEnd, At + std::max<int64_t>(kMaxPieceBytes / FFrameBytes, 1));
  } else {
    end = At + std::max<int64_t>(kPlainPieceBytes / FFrameBytes, 1);
  }
  return std::min(end, Span.End);
}

bool TApeReadAhead::CanDispatch() const {
  return !FStopping && !FFailed && FSpan < FSpans.size() && FPieces.size() < FMaxPieces;
}

TApeReadAhead::TPiece& TApeReadAhead::Dispatch() {
  const TApeSpan& span = FSpans[FSpan];
  auto piece = std::make_unique<TPiece>();
  piece->Span = &span;
  piece->First = FNext;
  FNext = PieceEnd(span, FNext);
  piece->Frames = FNext - piece->First;
  if (!FSpare.empty()) {
    piece->Pcm = std::move(FSpare.back());
    FSpare.pop_back();
  }
  if (FNext >= span.End && ++FSpan < FSpans.size()) FNext = FSpans[FSpan].Start;
  FPieces.push_back(std::move(piece));
  return *FPieces.back();
}

void TApeReadAhead::Finish(TPiece& Piece) {
  Piece.Done = true;
  // The pieces before it may still be decoding; none after it is started any more.
  if (Piece.Failed()) FFailed = true;
  FReady.notify_all();
}

void TApeReadAhead::Decode(TPiece& Piece, TDecoderSlot& Slot) const {
  int32_t code = MAC_ERROR_SUCCESS;
  int64_t delivered = 0;
  try {
    Piece.Pcm.resize(static_cast<size_t>(Piece.Frames * FFrameBytes));
    TAPEDecompress& decoder = Slot.On(Piece.Span->FileName);
    code = decoder.Seek(Piece.First);
    if (code == MAC_ERROR_SUCCESS)
      code = decoder.GetData(Piece.Pcm.data(), Piece.Frames, delivered);
  } catch (const EAPEException& Error) {
    code = Error.Code();
  } catch (const std::bad_alloc&) {
    code = MAC_ERROR_INSUFFICIENT_MEMORY;
  } catch (const std::exception&) {
    code = MAC_ERROR_DECOMPRESSING_FRAME;
  }
  Piece.Code = code;
  Piece.Delivered = std::clamp<int64_t>(delivered, 0, Piece.Frames);
}

void TApeReadAhead::Work(size_t Index) {
  TDecoderSlot slot;
  std::unique_lock lock(FMutex);
  for (;;) {
    FWork.wait(lock, [&] { return FStopping || (Index < FLimit && CanDispatch()); });
    if (FStopping) return;
    TPiece& piece = Dispatch();
    lock.unlock();
    Decode(piece, slot);
    lock.lock();
    Finish(piece);
  }
}

void TApeReadAhead::FollowThreadCount() {
  const auto wanted = std::min(
      static_cast<size_t>(std::max(FThreads.load(std::memory_order_relaxed), 0)), FMaxWorkers);
  {
    std::lock_guard lock(FMutex);
    if (wanted == FLimit) return;
    FLimit = wanted;
  }
  while (FWorkers.size() < wanted) {
    try {
      FWorkers.emplace_back(&TApeReadAhead::Work, this, FWorkers.size());
    } catch (const std::system_error&) {
      break;  // the system has no thread to spare: the threads there are (or the reader) do
    }
    std::lock_guard lock(FMutex);
    FStarted = FWorkers.size();
  }
  FWork.notify_all();
}

void TApeReadAhead::ThrowFailure(const TPiece& Piece) const {
  // A decoder that stopped short without an error met the end of the file's data.
  const int32_t code = Piece.Code != MAC_ERROR_SUCCESS ? Piece.Code : MAC_ERROR_IO_READ;
  throw EAPEDataError(code, Piece.Span->FileName, Piece.First + Piece.Delivered, FSampleRate);
}

int64_t TApeReadAhead::Read(uint8_t* Dest, int64_t Frames) {
  FollowThreadCount();
  std::unique_lock lock(FMutex);
  int64_t copied = 0;
  while (copied < Frames) {
    if (FPieces.empty()) {
      if (!CanDispatch()) break;  // everything has been handed out
      if (Active() > 0) {
        FReady.wait(lock, [this] { return !FPieces.empty() && FPieces.front()->Done; });
        continue;
      }
      // No thread may decode: the reader does, one piece at a time.
      TPiece& piece = Dispatch();
      lock.unlock();
      Decode(piece, FReaderSlot);
      lock.lock();
      Finish(piece);
      continue;
    }
    TPiece& front = *FPieces.front();
    if (!front.Done) {
      // Its thread finishes it, whatever the thread count says now.
      FReady.wait(lock, [&front] { return front.Done; });
      continue;
    }
    const int64_t count = std::min(front.Delivered - front.Taken, Frames - copied);
    if (count > 0) {
      std::memcpy(Dest + copied * FFrameBytes, front.Pcm.data() + front.Taken * FFrameBytes,
                  static_cast<size_t>(count * FFrameBytes));
      front.Taken += count;
      copied += count;
      continue;
    }
    if (front.Failed()) {
      if (copied > 0) break;  // the frames before the failure go out first
      ThrowFailure(front);
    }
    // Its buffer serves a later piece, as long as the buffers stay within the bound.
    if (FSpare.size() + FPieces.size() <= FMaxPieces) FSpare.push_back(std::move(front.Pcm));
    FPieces.pop_front();
    FWork.notify_all();
  }
  return copied;
}

}  // namespace corvane
