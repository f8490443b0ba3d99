#include "MACIn.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "ACSException.h"
#include "DynamicLibrary.h"
#include "MACDllApi.h"

namespace corvane {

TMACIn::TMACIn() {
  if (!MACDllLoaded()) throw EACSException(LibraryNotLoadedText(MACDllFileName()));
}

TMACIn::~TMACIn() {
  // A read in progress uses the read-ahead: readers let go of the source before it goes.
  DetachUsers();
  FReadAhead.reset();
}

int TMACIn::AllCores() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void TMACIn::SetDecodeThreads(int Count) {
  FDecodeThreads.store(std::clamp(Count, 0, kMaxDecodeThreads), std::memory_order_relaxed);
}

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
    const int64_t sampleRate = decoder->SampleRate();
    const int bitsPerSample = decoder->BitsPerSample();
    const int channels = decoder->Channels();
    if (bitsPerSample < 8 || bitsPerSample % 8 != 0 || channels < 1 || size < 0) {
      throw EAPEException(MAC_ERROR_INVALID_INPUT_FILE);
    }
    RequireWritableRate(sampleRate, bitsPerSample);
    FDecoder = std::move(decoder);
    FSize = size;
    FSampleRate = static_cast<int>(sampleRate);
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
  if (FSeekResult != 0) return false;
  if (!Busy() || !FReadAhead) return true;
  if (!FSegments.empty()) return false;
  // What the pass has still to deliver now comes from Sample on; what was decoded ahead of
  // the old position is dropped with its read-ahead.
  const int64_t left = (Size() - Position()) / FrameBytes();
  FReadAhead.reset();
  BufStart = 1;
  BufEnd = 0;
  StartReadAhead({{FFileName, Sample, Sample + left, FDecoder->BlocksPerFrame()}});
  return true;
}

void TMACIn::BeginSegmentedRead() {
  if (Busy()) throw EACSException(kSourceBusy);
  OpenSource();
  try {
    // Every range is checked before the first byte goes out: a track must not stop short at
    // a file that turns out to be missing or of another format.
    int64_t frames = 0;
    std::vector<TApeSpan> spans;
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
        throw EACSException(kRangeOutsideFile + (" " + segment.FileName));
      }
      spans.push_back({segment.FileName, segment.StartSample, end, decoder.BlocksPerFrame()});
      frames += end - segment.StartSample;
    }
    FSize = frames * FrameBytes();
    StartReadAhead(std::move(spans));
  } catch (...) {
    CloseSource();
    throw;
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

void TMACIn::StartReadAhead(std::vector<TApeSpan> Spans) {
  FEndOfStream = false;
  FReadAhead =
      std::make_unique<TApeReadAhead>(std::move(Spans), FrameBytes(), FSampleRate, FDecodeThreads);
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
    if (!inside) throw EACSException(kRangeOutsideFile);
    throw EAPEException(FSeekResult);
  }
  try {
    const int64_t end = FEndSample == -1 ? FTotalSamples : FEndSample;
    StartReadAhead({{FFileName, FStartSample, end, FDecoder->BlocksPerFrame()}});
  } catch (...) {
    EndRead();
    throw;
  }
  BufStart = 1;
  BufEnd = 0;
}

void TMACIn::EndRead() {
  FReadAhead.reset();
  TACSFileIn::EndRead();
}

void TMACIn::Refill() {
  BufStart = 1;
  BufEnd = 0;
  if (FEndOfStream || !FReadAhead) return;
  // The spans end where the range does, so the read-ahead never delivers past it.
  const int64_t frames = FReadAhead->Read(FBuffer.data(), BufferBytes / FrameBytes());
  if (frames == 0) FEndOfStream = true;
  BufEnd = frames * FrameBytes();
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
