#include "ApeFrameDecoder.h"

#include <algorithm>

#include "ApeArithmetic.h"
#include "ApeCrc.h"
#include "ApeFormat.h"
#include "MACDllApi.h"

namespace corvane::macdll {
namespace {

struct TFilterSpec {
  int Order;
  int FractionBits;
};

// The filter stages of each level from 3.93 on (fast has none).
std::vector<TFilterSpec> FiltersOf(int Level) {
  switch (Level) {
    case 2000:
      return {{16, 11}};
    case 3000:
      return {{64, 11}};
    case 4000:
      return {{32, 10}, {256, 13}};
    case 5000:
      return {{16, 11}, {256, 13}, {1280, 15}};
    default:
      return {};
  }
}

// The left channel is the second coded one less half the first; the right adds the first
// back. Both channels go out interleaved in the PCM layout.
template <int Bytes>
void PackSamples(const int32_t* Left, const int32_t* Right, int Count, int Channels,
                 uint8_t* Out) {
  for (int i = 0; i < Count; ++i) {
    for (int c = 0; c < Channels; ++c) {
      const int32_t v = c == 0 ? Left[i] : Right[i];
      if constexpr (Bytes == 1) {
        *Out++ = static_cast<uint8_t>(WrapAdd(v, 0x80));
      } else {
        for (int b = 0; b < Bytes; ++b) *Out++ = static_cast<uint8_t>(v >> (8 * b));
      }
    }
  }
}

void Pack(int BitsPerSample, const int32_t* Left, const int32_t* Right, int Count, int Channels,
          uint8_t* Out) {
  switch (BitsPerSample) {
    case 8:
      PackSamples<1>(Left, Right, Count, Channels, Out);
      break;
    case 16:
      PackSamples<2>(Left, Right, Count, Channels, Out);
      break;
    default:
      PackSamples<3>(Left, Right, Count, Channels, Out);
      break;
  }
}

}  // namespace

std::string ArithmeticName(TArithmetic Arithmetic) {
  if (Arithmetic.WideFilters && Arithmetic.WidePredictor) return "64-bit";
  if (Arithmetic.WideFilters) return "64-bit filters";
  if (Arithmetic.WidePredictor) return "64-bit predictor";
  return "32-bit";
}

TFrameDecoder::TFrameDecoder(const TApeHeader& Header)
    : FVersion(Header.Version),
      FBitsPerSample(Header.BitsPerSample),
      FChannels(Header.Channels),
      FPredictor(Header.Version, Header.Level) {
  if (FVersion >= 3930) {
    for (const TFilterSpec& spec : FiltersOf(Header.Level)) {
      for (auto& channel : FFilters) {
        channel.push_back(std::make_unique<TNNFilter>(spec.Order, spec.FractionBits, FVersion));
      }
    }
  }
}

void TFrameDecoder::Filter(int Channel, int32_t* Data, int Count, bool Wide) {
  for (const auto& filter : FFilters[static_cast<size_t>(Channel)]) filter->Apply(Data, Count, Wide);
}

int32_t TFrameDecoder::Decode(const TFrameBytes& Bytes, uint64_t SkipBits, int64_t Blocks,
                              uint8_t* Pcm, TArithmetic& Used, const TArithmetic* Only) {
  // The common arithmetic first, then the variants this version's stages have.
  std::vector<TArithmetic> tries = {Only != nullptr ? *Only : TArithmetic{}};
  if (FVersion >= 3900 && Only == nullptr) {
    const bool filters = !FFilters[0].empty();
    const bool predictor = FVersion >= 3950;
    if (filters) tries.push_back({true, false});
    if (filters && predictor) tries.push_back({true, true});
    if (predictor) tries.push_back({false, true});
  }
  for (const TArithmetic& arithmetic : tries) {
    const TOutcome outcome = DecodeWith(arithmetic, Bytes, SkipBits, Blocks, Pcm);
    if (outcome == TOutcome::Good) {
      Used = arithmetic;
      return MAC_ERROR_SUCCESS;
    }
    // Damaged data stays damaged however the stages compute.
    if (outcome == TOutcome::Damaged) break;
  }
  return MAC_ERROR_DECOMPRESSING_FRAME;
}

TFrameDecoder::TOutcome TFrameDecoder::DecodeWith(TArithmetic Arithmetic,
                                                  const TFrameBytes& Bytes, uint64_t SkipBits,
                                                  int64_t Blocks, uint8_t* Pcm) {
  if (!FEntropy.Begin(FVersion, Bytes, SkipBits)) return TOutcome::Damaged;
  const uint32_t flags = FEntropy.Flags();
  const bool mono = FChannels == 1 || (flags & kFramePseudoStereo) != 0;
  const bool silent = mono ? (flags & kFrameSilence) != 0 : (flags & kFrameSilence) == kFrameSilence;

  FPredictor.Reset();
  for (auto& channel : FFilters) {
    for (const auto& filter : channel) filter->Reset();
  }
  // Files before 3.93 code each channel whole, so they are decoded a frame at once.
  const int64_t chunk = FVersion >= 3930 ? std::min<int64_t>(kChunkBlocks, Blocks) : Blocks;
  if (static_cast<int64_t>(FY.size()) < chunk) {
    FY.resize(static_cast<size_t>(chunk));
    FX.resize(static_cast<size_t>(chunk));
  }
  const int frameBytes = FBitsPerSample / 8 * FChannels;
  uint32_t crc = kCrcStart;
  for (int64_t done = 0; done < Blocks; done += chunk) {
    const int count = static_cast<int>(std::min(chunk, Blocks - done));
    int32_t* y = FY.data();
    int32_t* x = FX.data();
    if (silent) {
      std::fill(y, y + count, 0);
      std::fill(x, x + count, 0);
    } else if (mono) {
      FEntropy.Mono(y, count);
      if (FEntropy.Failed()) return TOutcome::Damaged;
      Filter(0, y, count, Arithmetic.WideFilters);
      FPredictor.Mono(y, count, Arithmetic.WidePredictor);
      std::copy(y, y + count, x);
    } else {
      FEntropy.Stereo(y, x, count);
      if (FEntropy.Failed()) return TOutcome::Damaged;
      for (size_t i = 0; i < FFilters[0].size(); ++i) {
        TNNFilter::ApplyPair(*FFilters[0][i], y, *FFilters[1][i], x, count, Arithmetic.WideFilters);
      }
      FPredictor.Stereo(y, x, count, Arithmetic.WidePredictor);
      for (int i = 0; i < count; ++i) {
        const int32_t left = WrapSub(x[i], y[i] / 2);
        x[i] = WrapAdd(left, y[i]);
        y[i] = left;
      }
    }
    uint8_t* out = Pcm + done * frameBytes;
    Pack(FBitsPerSample, y, x, count, FChannels, out);
    crc = CrcUpdate(crc, out, static_cast<size_t>(count) * static_cast<size_t>(frameBytes));
  }
  // Before 3.90 the stored CRC is of another kind; those files are taken as they decode.
  if (FVersion < 3900) return TOutcome::Good;
  return (CrcFinish(crc) >> 1) == FEntropy.Crc() ? TOutcome::Good : TOutcome::CrcMismatch;
}

}  // namespace corvane::macdll
