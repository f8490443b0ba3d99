#include "MACIn.h"

#include <algorithm>
#include <cstring>

#include "ACSException.h"
#include "DynamicLibrary.h"
#include "MACDllApi.h"

namespace corvane {
namespace {

// Keeps the source's file open for one query.
class TOpenForQuery {
 public:
  explicit TOpenForQuery(TACSFileIn& Source) : FSource(Source) { FSource.OpenSource(); }
  TOpenForQuery(const TOpenForQuery&) = delete;
  TOpenForQuery& operator=(const TOpenForQuery&) = delete;
  ~TOpenForQuery() { FSource.CloseSource(); }

 private:
  TACSFileIn& FSource;
};

}  // namespace

TMACIn::TMACIn() {
  if (!MACDllLoaded()) throw EACSException(LibraryNotLoadedText(MACDllFileName()));
}

TMACIn::~TMACIn() = default;

int TMACIn::BitsPerSample() {
  TOpenForQuery open(*this);
  return FBitsPerSample;
}

int TMACIn::Channels() {
  TOpenForQuery open(*this);
  return FChannels;
}

int TMACIn::SampleRate() {
  TOpenForQuery open(*this);
  return FSampleRate;
}

int64_t TMACIn::TotalTime() {
  TOpenForQuery open(*this);
  return FDecoder->LengthMs() / 1000;
}

void TMACIn::OpenSource() {
  if (FOpenCount == 0) {
    FEndOfStream = false;
    auto decoder = std::make_unique<TAPEDecompress>(FFileName);
    // A decoder without a handle has not opened the file; reading from it would be reading
    // nothing and calling it a whole file.
    if (!decoder->HasHandle()) throw EAPEException(MAC_ERROR_IO_READ);
    const int64_t size = decoder->PcmBytes();
    const int sampleRate = decoder->SampleRate();
    const int bitsPerSample = decoder->BitsPerSample();
    const int channels = decoder->Channels();
    if (bitsPerSample < 8 || bitsPerSample % 8 != 0 || channels < 1 || size < 0) {
      throw EAPEException(MAC_ERROR_INVALID_INPUT_FILE);
    }
    FDecoder = std::move(decoder);
    FSize = size;
    FSampleRate = sampleRate;
    FBitsPerSample = bitsPerSample;
    FChannels = channels;
    FTotalSamples = size / (bitsPerSample / 8) / channels;
  }
  ++FOpenCount;
}

void TMACIn::CloseSource() {
  if (FOpenCount == 1) FDecoder.reset();
  if (FOpenCount > 0) --FOpenCount;
}

bool TMACIn::SeekSample(int64_t Sample) {
  TOpenForQuery open(*this);
  FSeekResult = FDecoder->Seek(Sample);
  return FSeekResult == 0;
}

void TMACIn::SetSegments(std::vector<TAudioSegment> Segments) {
  FSegments = std::move(Segments);
  if (!FSegments.empty()) FFileName = FSegments.front().FileName;
}

void TMACIn::BeginSegmentedRead() {
  if (Busy()) throw EACSException("The component is Busy");
  OpenSource();
  try {
    // Every range is checked before the first byte goes out: a track must not stop short at
    // a file that turns out to be missing or of another format.
    int64_t frames = 0;
    FSegmentEnds.clear();
    for (const TAudioSegment& segment : FSegments) {
      TAPEDecompress decoder(segment.FileName);
      if (!decoder.HasHandle()) throw EAPEException(MAC_ERROR_IO_READ);
      if (decoder.SampleRate() != FSampleRate || decoder.BitsPerSample() != FBitsPerSample ||
          decoder.Channels() != FChannels) {
        throw EACSException("The files of one track differ in format: " + segment.FileName);
      }
      const int64_t total = decoder.PcmBytes() / FrameBytes();
      const int64_t end = segment.EndSample == -1 ? total : segment.EndSample;
      if (segment.StartSample < 0 || segment.StartSample > end || end > total) {
        throw EACSException("The sample range lies outside the file " + segment.FileName);
      }
      FSegmentEnds.push_back(end);
      frames += end - segment.StartSample;
    }
    FSize = frames * FrameBytes();
    FSegmentDecoder.reset();
    FSegmentLeft = 0;
    FSegmentIndex = static_cast<size_t>(-1);
    FEndOfStream = !NextSegment();
  } catch (...) {
    FSegmentDecoder.reset();
    CloseSource();
    throw;
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

bool TMACIn::NextSegment() {
  FSegmentDecoder.reset();
  for (++FSegmentIndex; FSegmentIndex < FSegments.size(); ++FSegmentIndex) {
    const TAudioSegment& segment = FSegments[FSegmentIndex];
    const int64_t frames = FSegmentEnds[FSegmentIndex] - segment.StartSample;
    if (frames <= 0) continue;
    auto decoder = std::make_unique<TAPEDecompress>(segment.FileName);
    if (!decoder->HasHandle()) throw EAPEException(MAC_ERROR_IO_READ);
    if (segment.StartSample != 0) {
      const int32_t result = decoder->Seek(segment.StartSample);
      if (result != 0) throw EAPEException(result);
    }
    FSegmentDecoder = std::move(decoder);
    FSegmentLeft = frames;
    return true;
  }
  return false;
}

void TMACIn::BeginRead() {
  if (!FSegments.empty()) {
    BeginSegmentedRead();
    return;
  }
  FSeekResult = 0;
  TACSFileIn::BeginRead();
  // A range reaching outside the file would be delivered short, or from the wrong place.
  const bool inside = FStartSample >= 0 && FStartSample <= FTotalSamples && FEndSample >= -1 &&
                      FEndSample <= FTotalSamples;
  if (!inside || FSeekResult != 0) {
    EndRead();
    if (!inside) throw EACSException("The sample range lies outside the file");
    throw EAPEException(FSeekResult);
  }
  BufStart = 1;
  BufEnd = 0;
}

void TMACIn::EndRead() {
  FSegmentDecoder.reset();
  TACSFileIn::EndRead();
}

void TMACIn::Refill() {
  BufStart = 1;
  BufEnd = 0;
  if (FEndOfStream) return;
  const int64_t frameBytes = FrameBytes();
  const bool segmented = !FSegments.empty();
  for (;;) {
    if (segmented && FSegmentLeft == 0 && !NextSegment()) {
      FEndOfStream = true;
      return;
    }
    TAPEDecompress& decoder = segmented ? *FSegmentDecoder : *FDecoder;
    // Bytes of the range not yet decoded. The decoder is never asked for more, so it never
    // decodes past the range's end.
    const int64_t remaining = segmented ? FSegmentLeft * frameBytes : Size() - Position() - BufEnd;
    const int64_t room = BufferBytes - BufEnd;
    const int64_t frames = std::min(remaining, room) / frameBytes;
    if (frames <= 0) {
      if (remaining < frameBytes) FEndOfStream = true;
      return;
    }
    int64_t delivered = 0;
    const int32_t result = decoder.GetData(FBuffer.data() + BufEnd, frames, delivered);
    // What went out, what the buffer holds and what this call delivered lie before the fault.
    const auto failure = [&](int32_t Code) {
      const int64_t good = delivered > 0 && delivered <= frames ? delivered : 0;
      if (!segmented) {
        return EAPEDataError(Code, FFileName,
                             FStartSample + (Position() + BufEnd) / frameBytes + good, FSampleRate);
      }
      const TAudioSegment& segment = FSegments[FSegmentIndex];
      const int64_t done = FSegmentEnds[FSegmentIndex] - segment.StartSample - FSegmentLeft;
      return EAPEDataError(Code, segment.FileName, segment.StartSample + done + good, FSampleRate);
    };
    if (result != 0) throw failure(result);
    // The decoder ran out before the range or the file's declared length did.
    if (delivered <= 0 || delivered > frames) throw failure(MAC_ERROR_IO_READ);
    BufEnd += delivered * frameBytes;
    if (segmented) FSegmentLeft -= delivered;
  }
}

int64_t TMACIn::ReadData(uint8_t* Dest, int64_t BufferSize) {
  if (!Busy()) throw EACSException("The Stream is not opened");
  if (BufStart > BufEnd) {
    Refill();
    if (BufEnd == 0 && FEndOfStream && FLoop) {
      EndRead();
      BeginRead();
      FEndOfStream = false;
      Refill();
    }
  }
  const int64_t count = std::min(BufferSize, BufEnd - BufStart + 1);
  if (count <= 0) return 0;
  std::memcpy(Dest, FBuffer.data() + (BufStart - 1), static_cast<size_t>(count));
  BufStart += count;
  FPosition.store(Position() + count, std::memory_order_relaxed);
  return count;
}

}  // namespace corvane
