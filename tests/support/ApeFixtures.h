#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "PcmSignal.h"

namespace corvane::test {

struct TApeFixtureSpec {
  TPcmFormat Format;
  int64_t Frames = 44100;
  TSignal Signal = TSignal::Tone;
  int Level = 2;  // jmac's c1 (fast) to c5 (insane)
  uint32_t Seed = 1;
};

// The APE file of Spec, made by jmac from Spec's PCM on first use and cached in the build
// tree (CORVANE_FIXTURE_DIR). Throws std::runtime_error when jmac fails.
std::string ApeFixture(const TApeFixtureSpec& Spec);
// An APE file made by jmac from Pcm, cached in the build tree under Name (which must say what
// the PCM is: the cache is not checked against it).
std::string ApeFixtureFromPcm(const std::string& Name, const TPcmFormat& Format,
                              const std::vector<uint8_t>& Pcm, int Level = 2);
// The PCM the fixture was made from.
std::vector<uint8_t> ApeFixturePcm(const TApeFixtureSpec& Spec);
// The cache folder; created when missing.
std::string FixtureDir();

// The bytes of a file jmac made (the 3.99 layout: descriptor, header, seek table, stored WAV
// header, frames), for tests that damage its fields in place.
struct TApeBytes {
  std::vector<uint8_t> Bytes;

  // The header's stream fields.
  void SetSampleRate(uint32_t Rate) { SetLe(Header() + 20, Rate, 4); }
  void SetBitsPerSample(uint16_t Bits) { SetLe(Header() + 16, Bits, 2); }
  void SetChannels(uint16_t Channels) { SetLe(Header() + 18, Channels, 2); }
  // Marks the stored WAV header as absent; its bytes stay where they are.
  void SetNoWavHeader() { SetLe(Header() + 2, Le(Header() + 2, 2) | 32, 2); }
  // The rate in the stored WAV header.
  void SetWavSampleRate(uint32_t Rate) { SetLe(WavHeader() + 24, Rate, 4); }
  // Frame's offset from the file's start, as the seek table gives it.
  uint32_t FrameOffset(int Frame) const {
    return Le(SeekTable() + 4 * static_cast<size_t>(Frame), 4);
  }
  void SetFrameOffset(int Frame, uint32_t Offset) {
    SetLe(SeekTable() + 4 * static_cast<size_t>(Frame), Offset, 4);
  }

 private:
  size_t Header() const { return Le(8, 4); }
  size_t SeekTable() const { return Header() + Le(12, 4); }
  size_t WavHeader() const { return SeekTable() + Le(16, 4); }
  uint32_t Le(size_t At, int Size) const;
  void SetLe(size_t At, uint32_t Value, int Size);
};

// Blocks per APE frame at jmac's levels c1 to c3 (c4 has four times as many, c5 sixteen).
constexpr int64_t kNormalFrameBlocks = 73728;

// Every whole-file case the decoder is held to: 16-bit stereo and mono, 8-bit and 24-bit
// stereo, at all five levels, silence, tone and noise, with a length that is no multiple of
// any frame or buffer size.
std::vector<TApeFixtureSpec> WholeFileFixtures();
// "16bit2ch_c3_Tone": a test name.
std::string FixtureCaseName(const TApeFixtureSpec& Spec);
void PrintTo(const TApeFixtureSpec& Spec, std::ostream* Out);
// Loud material at the extra high and insane levels (full-scale noise and tone, clipped
// music, a full-scale square wave; 24-bit stereo and mono, 16-bit stereo and mono), 30 to 60
// seconds so that each file holds several APE frames: where the filters' sums reach the ends
// of 32 bits and decoders that compute otherwise go wrong.
std::vector<TApeFixtureSpec> LoudFixtures();

}  // namespace corvane::test
