#include "LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace corvane::loudness {
namespace {

// Frames converted per call into libebur128: large enough that the per-call overhead vanishes,
// small enough that the buffer stays in the first-level cache.
constexpr size_t ChunkFrames = 2048;

// libebur128 refuses rates outside this range itself; checking first gives a clearer message.
constexpr int MinRate = 16;
constexpr int MaxRate = 2822400;

// The speakers of a WAV file with no channel mask, in WAV order, as libebur128 weights them.
// libebur128 only reads a label for its weight, so the back centre and the side pair share
// the surround label: BS.1770 weights every surround speaker alike, as FFmpeg's meter does.
// The LFE channel counts for nothing.
const int* ChannelMap(int Channels) {
  static const int Mono[] = {EBUR128_CENTER};
  static const int Stereo[] = {EBUR128_LEFT, EBUR128_RIGHT};
  static const int Three[] = {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER};
  static const int Quad[] = {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_LEFT_SURROUND,
                             EBUR128_RIGHT_SURROUND};
  static const int Five[] = {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_LEFT_SURROUND,
                             EBUR128_RIGHT_SURROUND};
  static const int FiveOne[] = {EBUR128_LEFT,   EBUR128_RIGHT,         EBUR128_CENTER,
                                EBUR128_UNUSED, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
  static const int SixOne[] = {EBUR128_LEFT,          EBUR128_RIGHT,         EBUR128_CENTER,
                               EBUR128_UNUSED,        EBUR128_LEFT_SURROUND, EBUR128_LEFT_SURROUND,
                               EBUR128_RIGHT_SURROUND};
  static const int SevenOne[] = {
      EBUR128_LEFT,          EBUR128_RIGHT,          EBUR128_CENTER,        EBUR128_UNUSED,
      EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
  static const int* const Maps[] = {Mono, Stereo, Three, Quad, Five, FiveOne, SixOne, SevenOne};
  return Maps[Channels - 1];
}

std::string FormatName(int SampleRate, int Channels, int Bits) {
  return std::to_string(Bits) + "-bit " + std::to_string(Channels) + "-channel PCM at " +
         std::to_string(SampleRate) + " Hz";
}

}  // namespace

void TLoudnessMeter::TStateDeleter::operator()(ebur128_state* State) const {
  ebur128_destroy(&State);
}

TLoudnessMeter::TLoudnessMeter(int SampleRate, int Channels, int BitsPerSample)
    : FSampleRate(SampleRate), FChannels(Channels), FBits(BitsPerSample) {
  const bool knownBits =
      BitsPerSample == 8 || BitsPerSample == 16 || BitsPerSample == 24 || BitsPerSample == 32;
  if (!knownBits || Channels < 1 || Channels > 8 || SampleRate < MinRate || SampleRate > MaxRate) {
    throw std::runtime_error("Cannot measure the loudness of " +
                             FormatName(SampleRate, Channels, BitsPerSample));
  }
  // Histogram mode: the gated loudness comes from a fixed table, so memory does not grow with
  // the track's length.
  FState.reset(ebur128_init(static_cast<unsigned>(Channels), static_cast<unsigned long>(SampleRate),
                            EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM | EBUR128_MODE_SAMPLE_PEAK));
  if (!FState) {
    throw std::runtime_error("libebur128 could not measure " +
                             FormatName(SampleRate, Channels, BitsPerSample));
  }
  const int* map = ChannelMap(Channels);
  for (int c = 0; c < Channels; ++c) {
    ebur128_set_channel(FState.get(), static_cast<unsigned>(c), map[c]);
  }
  FFrameBytes = static_cast<size_t>(BitsPerSample / 8 * Channels);
  // 8- and 16-bit go in as 16-bit, the wider ones as 32-bit: the sample peak libebur128
  // reports is then exact, each value over the full scale of the width it was given in.
  if (BitsPerSample <= 16) {
    FShorts.resize(ChunkFrames * static_cast<size_t>(Channels));
  } else {
    FInts.resize(ChunkFrames * static_cast<size_t>(Channels));
  }
}

TLoudnessMeter::~TLoudnessMeter() = default;

void TLoudnessMeter::Add(const uint8_t* Pcm, size_t Bytes) {
  if (FPartialBytes > 0) {
    const size_t take = std::min(Bytes, FFrameBytes - FPartialBytes);
    std::memcpy(FPartial + FPartialBytes, Pcm, take);
    FPartialBytes += take;
    Pcm += take;
    Bytes -= take;
    if (FPartialBytes < FFrameBytes) return;
    AddFrames(FPartial, 1);
    FPartialBytes = 0;
  }
  const size_t whole = Bytes / FFrameBytes;
  AddFrames(Pcm, whole);
  FPartialBytes = Bytes - whole * FFrameBytes;
  std::memcpy(FPartial, Pcm + whole * FFrameBytes, FPartialBytes);
}

void TLoudnessMeter::AddFrames(const uint8_t* Pcm, size_t Count) {
  const size_t channels = static_cast<size_t>(FChannels);
  while (Count > 0) {
    const size_t frames = std::min(Count, ChunkFrames);
    const size_t samples = frames * channels;
    int status = EBUR128_SUCCESS;
    switch (FBits) {
      case 8:
        for (size_t i = 0; i < samples; ++i) {
          FShorts[i] = static_cast<short>((Pcm[i] - 128) * 256);
        }
        status = ebur128_add_frames_short(FState.get(), FShorts.data(), frames);
        break;
      case 16:
        for (size_t i = 0; i < samples; ++i) {
          FShorts[i] = static_cast<short>(Pcm[2 * i] | (Pcm[2 * i + 1] << 8));
        }
        status = ebur128_add_frames_short(FState.get(), FShorts.data(), frames);
        break;
      case 24:
        // The 24 bits go to the top of a 32-bit word, so the sign comes with them.
        for (size_t i = 0; i < samples; ++i) {
          const uint8_t* s = Pcm + 3 * i;
          FInts[i] = static_cast<int>(static_cast<uint32_t>(s[0]) << 8 |
                                      static_cast<uint32_t>(s[1]) << 16 |
                                      static_cast<uint32_t>(s[2]) << 24);
        }
        status = ebur128_add_frames_int(FState.get(), FInts.data(), frames);
        break;
      default:
        for (size_t i = 0; i < samples; ++i) {
          const uint8_t* s = Pcm + 4 * i;
          FInts[i] = static_cast<int>(
              static_cast<uint32_t>(s[0]) | static_cast<uint32_t>(s[1]) << 8 |
              static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[3]) << 24);
        }
        status = ebur128_add_frames_int(FState.get(), FInts.data(), frames);
        break;
    }
    if (status != EBUR128_SUCCESS) {
      throw std::runtime_error("libebur128 failed to measure a block (error " +
                               std::to_string(status) + ")");
    }
    FFrames += static_cast<int64_t>(frames);
    Pcm += frames * FFrameBytes;
    Count -= frames;
  }
}

double TLoudnessMeter::IntegratedLoudness() const {
  double loudness = -HUGE_VAL;
  // libebur128 takes a mutable state but only reads it here.
  if (ebur128_loudness_global(FState.get(), &loudness) != EBUR128_SUCCESS) {
    throw std::runtime_error("libebur128 could not give the integrated loudness");
  }
  return loudness;
}

double TLoudnessMeter::SamplePeak() const {
  double peak = 0.0;
  for (int c = 0; c < FChannels; ++c) {
    double channelPeak = 0.0;
    if (ebur128_sample_peak(FState.get(), static_cast<unsigned>(c), &channelPeak) !=
        EBUR128_SUCCESS) {
      throw std::runtime_error("libebur128 could not give the sample peak");
    }
    peak = std::max(peak, channelPeak);
  }
  return peak;
}

double AlbumLoudness(const std::vector<const TLoudnessMeter*>& Tracks) {
  std::vector<ebur128_state*> states;
  states.reserve(Tracks.size());
  for (const TLoudnessMeter* track : Tracks) states.push_back(track->FState.get());
  if (states.empty()) return -HUGE_VAL;
  double loudness = -HUGE_VAL;
  if (ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) !=
      EBUR128_SUCCESS) {
    throw std::runtime_error("libebur128 could not give the album's loudness");
  }
  return loudness;
}

double AlbumPeak(const std::vector<const TLoudnessMeter*>& Tracks) {
  double peak = 0.0;
  for (const TLoudnessMeter* track : Tracks) peak = std::max(peak, track->SamplePeak());
  return peak;
}

}  // namespace corvane::loudness
