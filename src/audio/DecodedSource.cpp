#include "DecodedSource.h"

#include <algorithm>
#include <cstring>

#include "ACSException.h"
#include "SourceError.h"

namespace corvane {
namespace {

constexpr int64_t kChunkFrames = 4096;

}  // namespace

TDecodedSource::TDecodedSource(TStreamDecoderOpener Opener) : FOpener(Opener) {}

TDecodedSource::~TDecodedSource() {
  DetachUsers();
}

int TDecodedSource::BitsPerSample() {
  TOpenForQuery open(*this);
  return FBitsPerSample;
}

int TDecodedSource::Channels() {
  TOpenForQuery open(*this);
  return FChannels;
}

int TDecodedSource::SampleRate() {
  TOpenForQuery open(*this);
  return FSampleRate;
}

int64_t TDecodedSource::TotalTime() {
  TOpenForQuery open(*this);
  return FSampleRate > 0 ? FTotalSamples / FSampleRate : 0;
}

void TDecodedSource::OpenSource() {
  if (FOpenCount == 0) {
    std::unique_ptr<TStreamDecoder> decoder = FOpener(FFileName);
    const TPcmFormat format = decoder->Format();
    CheckFormat(format, FFileName);
    RequireWritableRate(format.SampleRate, format.BitsPerSample);
    FQueryDecoder = std::move(decoder);
    FSampleRate = format.SampleRate;
    FChannels = format.Channels;
    FBitsPerSample = format.BitsPerSample;
    FTotalSamples = FQueryDecoder->Frames();
    FSize = FTotalSamples * format.FrameBytes();
  }
  ++FOpenCount;
}

void TDecodedSource::CloseSource() {
  if (FOpenCount == 1) FQueryDecoder.reset();
  if (FOpenCount > 0) --FOpenCount;
}

void TDecodedSource::CheckFormat(const TPcmFormat& Format, const std::string& FileName) const {
  // The PCM layout has whole bytes per sample; anything else would be read as noise.
  const bool whole = Format.BitsPerSample >= 8 && Format.BitsPerSample <= 32 &&
                     Format.BitsPerSample % 8 == 0 && Format.Channels >= 1;
  if (!whole) {
    throw ESourceError("Unsupported sample format in " + FileName, TSourceFault::Unsupported,
                       FileName);
  }
}

bool TDecodedSource::SeekSample(int64_t Sample) {
  TOpenForQuery open(*this);
  if (Sample < 0 || Sample > FTotalSamples) return false;
  if (!Busy()) return true;
  if (FSpans.size() != 1) return false;
  // What the pass has still to deliver now comes from Sample on.
  const int64_t left = (Size() - Position()) / (FBitsPerSample / 8 * FChannels);
  // A pass that now runs past the file's end fails there, as a short file does.
  FSpans.front() = {FSpans.front().FileName, Sample, Sample + left};
  FSpan = 0;
  FReading->Seek(Sample);
  FNext = Sample;
  BufStart = 1;
  BufEnd = 0;
  return true;
}

void TDecodedSource::BeginRead() {
  if (Busy()) throw EACSException(kSourceBusy);
  if (FSegments.empty() && FFileName.empty()) throw EACSException("The file name is not assigned");
  OpenSource();
  try {
    std::vector<TAudioSegment> segments = FSegments;
    if (segments.empty()) segments.push_back({FFileName, FStartSample, FEndSample});
    // Every range is checked before the first byte goes out: a track must not stop short at
    // a file that turns out to be missing or of another format.
    std::vector<TSpan> spans;
    int64_t frames = 0;
    for (const TAudioSegment& segment : segments) {
      const std::unique_ptr<TStreamDecoder> decoder = FOpener(segment.FileName);
      const TPcmFormat format = decoder->Format();
      if (format.SampleRate != FSampleRate || format.BitsPerSample != FBitsPerSample ||
          format.Channels != FChannels) {
        throw EACSException("The files of one track differ in format: " + segment.FileName);
      }
      const int64_t total = decoder->Frames();
      const int64_t end = segment.EndSample == -1 ? total : segment.EndSample;
      if (segment.StartSample < 0 || segment.StartSample > end || end > total) {
        throw EACSException(FSegments.empty() ? std::string(kRangeOutsideFile)
                                              : kRangeOutsideFile + (" " + segment.FileName));
      }
      spans.push_back({segment.FileName, segment.StartSample, end});
      frames += end - segment.StartSample;
    }
    FSpans = std::move(spans);
    FSpan = 0;
    StartSpan();
    FSize = frames * (FBitsPerSample / 8 * FChannels);
  } catch (...) {
    FSpans.clear();
    FReading.reset();
    CloseSource();
    throw;
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

void TDecodedSource::EndRead() {
  FReading.reset();
  FSpans.clear();
  TACSFileIn::EndRead();
}

void TDecodedSource::StartSpan() {
  const TSpan& span = FSpans[FSpan];
  FReading = FOpener(span.FileName);
  FReading->Seek(span.Start);
  FNext = span.Start;
}

bool TDecodedSource::Refill() {
  BufStart = 1;
  BufEnd = 0;
  while (FSpan < FSpans.size()) {
    const TSpan& span = FSpans[FSpan];
    if (FNext >= span.End) {
      if (++FSpan < FSpans.size()) StartSpan();
      continue;
    }
    const int frameBytes = FBitsPerSample / 8 * FChannels;
    const int64_t want = std::min(kChunkFrames, span.End - FNext);
    FBuffer.resize(static_cast<size_t>(want * frameBytes));
    const int64_t got = FReading->Read(FBuffer.data(), want);
    if (got <= 0) {
      throw ESourceError("The data of " + span.FileName + " ends before its declared length.",
                         TSourceFault::Damaged, span.FileName,
                         static_cast<double>(FNext) / FSampleRate);
    }
    FNext += got;
    BufEnd = got * frameBytes;
    return true;
  }
  return false;
}

int64_t TDecodedSource::ReadData(uint8_t* Dest, int64_t BufferSize) {
  if (!Busy()) throw EACSException("The Stream is not opened");
  if (BufStart > BufEnd && !Refill() && FLoop) {
    EndRead();
    BeginRead();
    Refill();
  }
  const int64_t count = std::min(BufferSize, BufEnd - BufStart + 1);
  if (count <= 0) return 0;
  std::memcpy(Dest, FBuffer.data() + (BufStart - 1), static_cast<size_t>(count));
  BufStart += count;
  FPosition.store(Position() + count, std::memory_order_relaxed);
  return count;
}

}  // namespace corvane
