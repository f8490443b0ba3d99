#include "TtaDecoder.h"

#include <algorithm>
#include <cstring>

#include "TtaCrc.h"
#include "TtaFrame.h"

namespace corvane::ttadec {

TTtaDecoder::TTtaDecoder(const std::string& FileName)
    : FFile(FileName), FHeader(ReadTtaHeader(FFile)), FTable(FFile, FHeader) {}

bool TTtaDecoder::Seek(int64_t Sample) {
  if (Sample < 0 || Sample > FHeader.Samples) return false;
  FPosition = Sample;
  FFailure.reset();
  return true;
}

void TTtaDecoder::LoadFrame(int64_t Index) {
  FLoaded = -1;
  if (Index >= FTable.SoundFrames()) throw FTable.UnsoundFrameError();
  const int64_t first = Index * FHeader.FrameSamples;
  const TTtaFrameSpan span = FTable.Frame(Index);
  FCoded.resize(static_cast<size_t>(span.Bytes));
  if (!FFile.Read(span.Offset, FCoded.data(), span.Bytes)) {
    throw FrameError(Index, first, "is cut short: the file ends inside it");
  }
  const size_t coded = FCoded.size() - 4;
  const uint32_t stored = FCoded[coded] | uint32_t{FCoded[coded + 1]} << 8 |
                          uint32_t{FCoded[coded + 2]} << 16 | uint32_t{FCoded[coded + 3]} << 24;
  if (TtaCrc(FCoded.data(), coded) != stored) {
    throw FrameError(Index, first, "is damaged: its CRC does not match");
  }
  const int64_t samples = FHeader.SamplesIn(Index);
  FPcm.resize(static_cast<size_t>(samples * FHeader.SampleBytes()));
  if (!DecodeTtaFrame(FHeader, FCoded.data(), coded, samples, FPcm.data())) {
    throw FrameError(Index, first, "is damaged: its data does not decode");
  }
  FLoaded = Index;
  FLoadedSamples = samples;
}

int64_t TTtaDecoder::Read(uint8_t* Dest, int64_t Count) {
  if (FFailure) throw *FFailure;
  const int sampleBytes = FHeader.SampleBytes();
  int64_t copied = 0;
  while (copied < Count && FPosition < FHeader.Samples) {
    const int64_t frame = FPosition / FHeader.FrameSamples;
    if (frame != FLoaded) {
      try {
        LoadFrame(frame);
      } catch (const ETtaError& Error) {
        FFailure = Error;
        if (copied > 0) break;  // what came before the damage goes out first
        throw;
      }
    }
    const int64_t within = FPosition - frame * FHeader.FrameSamples;
    const int64_t count = std::min(Count - copied, FLoadedSamples - within);
    std::memcpy(Dest + copied * sampleBytes, FPcm.data() + within * sampleBytes,
                static_cast<size_t>(count * sampleBytes));
    copied += count;
    FPosition += count;
  }
  return copied;
}

}  // namespace corvane::ttadec
