#include "TTAIn.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "ACSException.h"
#include "SourceError.h"
#include "TtaDecoder.h"

namespace corvane {
namespace {

using ttadec::ETtaError;
using ttadec::TTtaDecoder;
using ttadec::TTtaFault;

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

TSourceFault SourceFaultOf(TTtaFault Fault) {
  switch (Fault) {
    case TTtaFault::NotThisFormat:
      return TSourceFault::NotThisFormat;
    case TTtaFault::Unsupported:
      return TSourceFault::Unsupported;
    case TTtaFault::Damaged:
      return TSourceFault::Damaged;
    case TTtaFault::Unreadable:
      return TSourceFault::Unreadable;
  }
  return TSourceFault::Unknown;
}

// Runs Call, a call of the decoder of FileName (at SampleRate, 0 before it is known), raising
// what it throws as the audio layer's ESourceError.
template <typename TCall>
auto Decoding(const std::string& FileName, int SampleRate, TCall Call) {
  try {
    return Call();
  } catch (const ETtaError& Error) {
    double at = -1;
    if (Error.Sample() >= 0) {
      at = SampleRate > 0 ? static_cast<double>(Error.Sample()) / SampleRate : 0.0;
    }
    throw ESourceError(Error.what(), SourceFaultOf(Error.Fault()), FileName, at);
  } catch (const std::bad_alloc&) {
    throw ESourceError("Out of memory decoding " + FileName, TSourceFault::OutOfMemory, FileName);
  }
}

std::unique_ptr<TTtaDecoder> OpenDecoder(const std::string& FileName) {
  return Decoding(FileName, 0, [&] { return std::make_unique<TTtaDecoder>(FileName); });
}

}  // namespace

TTTAIn::TTTAIn() = default;

TTTAIn::~TTTAIn() {
  // A read in progress uses the buffer and the reader: readers let go of the source first.
  DetachUsers();
}

int TTTAIn::BitsPerSample() {
  TOpenForQuery open(*this);
  return FBitsPerSample;
}

int TTTAIn::Channels() {
  TOpenForQuery open(*this);
  return FChannels;
}

int TTTAIn::SampleRate() {
  TOpenForQuery open(*this);
  return FSampleRate;
}

int64_t TTTAIn::TotalTime() {
  TOpenForQuery open(*this);
  return FTotalSamples / FSampleRate;
}

void TTTAIn::OpenSource() {
  if (FOpenCount == 0) {
    FEndOfStream = false;
    std::unique_ptr<TTtaDecoder> decoder = OpenDecoder(FFileName);
    FSize = decoder->Samples() * decoder->SampleBytes();
    FSampleRate = decoder->SampleRate();
    FBitsPerSample = decoder->BitsPerSample();
    FChannels = decoder->Channels();
    FTotalSamples = decoder->Samples();
    FDecoder = std::move(decoder);
  }
  ++FOpenCount;
}

void TTTAIn::CloseSource() {
  if (FOpenCount == 1) FDecoder.reset();
  if (FOpenCount > 0) --FOpenCount;
}

bool TTTAIn::SeekSample(int64_t Sample) {
  TOpenForQuery open(*this);
  if (Sample < 0 || Sample > FTotalSamples) return false;
  if (!Busy() || FSpans.empty()) return true;
  if (!FSegments.empty()) return false;
  // What the pass has still to deliver now comes from Sample on.
  const int64_t left = (Size() - Position()) / FrameBytes();
  StartSpans({{FFileName, Sample, Sample + left}});
  BufStart = 1;
  BufEnd = 0;
  return true;
}

void TTTAIn::StartSpans(std::vector<TSpan> Spans) {
  FReader.reset();
  FSpans = std::move(Spans);
  FSpan = 0;
  FEndOfStream = false;
}

void TTTAIn::BeginSegmentedRead() {
  if (Busy()) throw EACSException(kSourceBusy);
  OpenSource();
  try {
    // Every range is checked before the first byte goes out: a track must not stop short at
    // a file that turns out to be missing or of another format.
    int64_t frames = 0;
    std::vector<TSpan> spans;
    for (const TAudioSegment& segment : FSegments) {
      const std::unique_ptr<TTtaDecoder> decoder = OpenDecoder(segment.FileName);
      if (decoder->SampleRate() != FSampleRate || decoder->BitsPerSample() != FBitsPerSample ||
          decoder->Channels() != FChannels) {
        throw EACSException("The files of one track differ in format: " + segment.FileName);
      }
      const int64_t total = decoder->Samples();
      const int64_t end = segment.EndSample == -1 ? total : segment.EndSample;
      if (segment.StartSample < 0 || segment.StartSample > end || end > total) {
        throw EACSException(kRangeOutsideFile + (" " + segment.FileName));
      }
      spans.push_back({segment.FileName, segment.StartSample, end});
      frames += end - segment.StartSample;
    }
    FSize = frames * FrameBytes();
    StartSpans(std::move(spans));
  } catch (...) {
    CloseSource();
    throw;
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

void TTTAIn::BeginRead() {
  if (!FSegments.empty()) {
    BeginSegmentedRead();
    return;
  }
  TACSFileIn::BeginRead();
  // A range reaching outside the file would be delivered short, or from the wrong place.
  const int64_t end = FEndSample == -1 ? FTotalSamples : FEndSample;
  if (FStartSample < 0 || FStartSample > end || FEndSample < -1 || end > FTotalSamples) {
    EndRead();
    throw EACSException(kRangeOutsideFile);
  }
  StartSpans({{FFileName, FStartSample, end}});
  BufStart = 1;
  BufEnd = 0;
}

void TTTAIn::EndRead() {
  FReader.reset();
  FSpans.clear();
  TACSFileIn::EndRead();
}

void TTTAIn::Refill() {
  BufStart = 1;
  BufEnd = 0;
  while (!FEndOfStream) {
    if (FSpan >= FSpans.size()) {
      FEndOfStream = true;
      return;
    }
    TSpan& span = FSpans[FSpan];
    if (span.From >= span.End) {
      FReader.reset();
      ++FSpan;
      continue;
    }
    if (!FReader) {
      FReader = OpenDecoder(span.FileName);
      FReader->Seek(span.From);
    }
    const int64_t wanted = std::min(BufferBytes / FrameBytes(), span.End - span.From);
    const int64_t got =
        Decoding(span.FileName, FSampleRate, [&] { return FReader->Read(FBuffer.data(), wanted); });
    if (got == 0) {
      // BeginRead refuses ranges past the file's end, but a seek late in a pass may make one.
      throw ESourceError("The TTA file ends before the range does", TSourceFault::Damaged,
                         span.FileName, static_cast<double>(span.From) / FSampleRate);
    }
    span.From += got;
    BufEnd = got * FrameBytes();
    return;
  }
}

int64_t TTTAIn::ReadData(uint8_t* Dest, int64_t BufferSize) {
  if (!Busy()) throw EACSException("The Stream is not opened");
  if (BufStart > BufEnd) {
    Refill();
    if (BufEnd == 0 && FEndOfStream && FLoop) {
      EndRead();
      BeginRead();
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
