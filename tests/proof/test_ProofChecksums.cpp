// The CRC-32 and AccurateRip checksums: against plain loops over generated PCM for every
// place a track can take on a disc and every way its bytes can be cut into pieces, at the
// exact frames where the disc's edges stop counting, and against the values ARver's tests
// give for its sample and for silence.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AccurateRipChecksum.h"
#include "Crc32.h"
#include "WavFile.h"

namespace corvane::proof {
namespace {

std::vector<uint8_t> NoisePcm(int64_t Frames, uint32_t Seed) {
  std::vector<uint8_t> pcm(static_cast<size_t>(Frames) * 4);
  uint32_t state = Seed * 2654435761u + 1;
  for (uint8_t& byte : pcm) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return pcm;
}

struct TSums {
  uint32_t V1;
  uint32_t V2;
  friend bool operator==(const TSums&, const TSums&) = default;
};

// The checksums as the algorithm is usually written: left and right 16-bit samples make one
// word, frames are numbered from 1, the first track leaves out its first 5 sectors but one
// frame, the last track its last 5 sectors.
TSums ReferenceSums(const std::vector<uint8_t>& Pcm, bool First, bool Last) {
  const int64_t frames = static_cast<int64_t>(Pcm.size() / 4);
  uint32_t v1 = 0;
  uint32_t high = 0;
  for (int64_t i = 0; i < frames; ++i) {
    if (First && i < 5 * 588 - 1) continue;
    if (Last && i >= frames - 5 * 588) continue;
    const uint16_t left = static_cast<uint16_t>(Pcm[i * 4] | Pcm[i * 4 + 1] << 8);
    const uint16_t right = static_cast<uint16_t>(Pcm[i * 4 + 2] | Pcm[i * 4 + 3] << 8);
    const uint64_t word = static_cast<uint64_t>(right) << 16 | left;
    const uint64_t product = word * static_cast<uint64_t>(i + 1);
    v1 += static_cast<uint32_t>(product);
    high += static_cast<uint32_t>(product >> 32);
  }
  return {v1, v1 + high};
}

// Feeds Pcm in pieces of Chunk bytes (0: all at once).
TSums Streamed(const std::vector<uint8_t>& Pcm, bool First, bool Last, int64_t TrackFrames,
               size_t Chunk) {
  TAccurateRipChecksum sums(First, Last, TrackFrames);
  if (Chunk == 0) Chunk = std::max<size_t>(Pcm.size(), 1);
  for (size_t at = 0; at < Pcm.size(); at += Chunk) {
    sums.Add(Pcm.data() + at, std::min(Chunk, Pcm.size() - at));
  }
  return {sums.V1(), sums.V2()};
}

TEST(ProofChecksums, AccurateRipAgreesWithThePlainLoop) {
  const bool places[][2] = {{false, false}, {true, false}, {false, true}, {true, true}};
  const int64_t lengths[] = {1, 2939, 2940, 2941, 5879, 5880, 5881, 13 * 588 + 5};
  const size_t chunks[] = {1, 3, 4, 4097, 0};
  int seed = 0;
  for (const int64_t frames : lengths) {
    const std::vector<uint8_t> pcm = NoisePcm(frames, static_cast<uint32_t>(++seed));
    for (const auto& place : places) {
      const TSums expected = ReferenceSums(pcm, place[0], place[1]);
      for (const size_t chunk : chunks) {
        EXPECT_EQ(Streamed(pcm, place[0], place[1], frames, chunk), expected)
            << frames << " frames, first " << place[0] << ", last " << place[1] << ", chunk "
            << chunk;
      }
    }
  }
}

// One frame of all ones at Index: it counts, at frame number Index + 1, or it does not. One
// frame more than the track holds follows, which never counts.
TEST(ProofChecksums, AccurateRipSkipsExactlyTheDiscEdges) {
  struct TCase {
    bool First, Last;
    int64_t Frames, Index;
    bool Counts;
  } const cases[] = {
      {true, false, 10000, 0, false},      {true, false, 10000, 2938, false},
      {true, false, 10000, 2939, true},    {false, false, 10000, 0, true},
      {false, true, 10000, 7059, true},    {false, true, 10000, 7060, false},
      {false, true, 10000, 9999, false},   {false, false, 10000, 9999, true},
      {true, true, 10000, 2938, false},    {true, true, 10000, 2939, true},
      {true, true, 10000, 7059, true},     {true, true, 10000, 7060, false},
      {true, true, 5880, 2939, true},      {true, true, 5879, 2939, false},
      {false, true, 2940, 0, false},       {true, false, 2940, 2939, true},
      {false, false, 10000, 10000, false},
  };
  for (const TCase& c : cases) {
    std::vector<uint8_t> pcm(static_cast<size_t>(c.Frames + 1) * 4, 0);
    std::fill_n(pcm.begin() + c.Index * 4, 4, uint8_t{0xff});
    const uint64_t product = 0xffffffffull * static_cast<uint64_t>(c.Index + 1);
    const TSums expected = c.Counts ? TSums{static_cast<uint32_t>(product),
                                            static_cast<uint32_t>(product + (product >> 32))}
                                    : TSums{0, 0};
    EXPECT_EQ(Streamed(pcm, c.First, c.Last, c.Frames, 4097), expected)
        << c.Frames << " frames, first " << c.First << ", last " << c.Last << ", frame " << c.Index;
  }
}

// ARver's one-second sample.wav: its tests expect these at each place on a 99-track disc
// and as a disc's only track, and this CRC.
TEST(ProofChecksums, AccurateRipAndCrcOfArverSample) {
  const std::vector<uint8_t> file =
      test::ReadFileBytes(std::string(CORVANE_TEST_DATA) + "/accuraterip/sample.wav");
  ASSERT_EQ(file.size(), 44u + 44100u * 4u);
  ASSERT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
  const std::vector<uint8_t> pcm(file.begin() + 44, file.end());
  struct TCase {
    bool First, Last;
    TSums Expected;
  } const cases[] = {
      {true, true, {0xf43f9174, 0x0ae7c6f9}},
      {true, false, {0x9d6c90ec, 0xb775893e}},
      {false, false, {0x3c8dd1d2, 0x56bba272}},
      {false, true, {0x9360d25a, 0xaa2de02d}},
  };
  for (const TCase& c : cases) {
    for (const size_t chunk : {size_t{3}, size_t{0}}) {
      EXPECT_EQ(Streamed(pcm, c.First, c.Last, 44100, chunk), c.Expected)
          << "first " << c.First << ", last " << c.Last;
    }
  }
  TCrc32 crc;
  crc.Add(pcm.data(), pcm.size());
  EXPECT_EQ(crc.Value(), 0x8ce80129u);
  EXPECT_EQ(crc.Bytes(), 44100 * 4);
}

TEST(ProofChecksums, CrcOfKnownBytes) {
  struct TCase {
    std::vector<uint8_t> Bytes;
    uint32_t Crc;
  } const cases[] = {
      {{}, 0},
      {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0xcbf43926},
      {std::vector<uint8_t>(44100 * 4, 0), 0x769282bb},  // ARver's second of silence
  };
  for (const TCase& c : cases) {
    for (const size_t chunk : {size_t{1}, size_t{4097}}) {
      TCrc32 crc;
      for (size_t at = 0; at < c.Bytes.size(); at += chunk) {
        crc.Add(c.Bytes.data() + at, std::min(chunk, c.Bytes.size() - at));
      }
      EXPECT_EQ(crc.Value(), c.Crc) << c.Bytes.size() << " bytes";
    }
  }
  const std::vector<uint8_t> silence(44100 * 4, 0);
  EXPECT_EQ(Streamed(silence, true, true, 44100, 0), (TSums{0, 0}));
}

// An image's CRC from its tracks' CRCs, whatever the tracks' sizes, empty ones included.
TEST(ProofChecksums, ImageCrcFromTrackCrcs) {
  const std::vector<uint8_t> image = NoisePcm(20000, 7);
  const std::vector<std::vector<size_t>> cuts = {{0, 80000},
                                                 {0, 4, 80000},
                                                 {0, 1, 2, 3, 79999, 80000},
                                                 {0, 0, 40000, 40000, 80000},
                                                 {0, 23521, 47041, 80000}};
  TCrc32 whole;
  whole.Add(image.data(), image.size());
  for (const std::vector<size_t>& cut : cuts) {
    std::vector<TCrc32> tracks(cut.size() - 1);
    // Finished last to first, as tracks converted side by side may well be.
    for (size_t i = tracks.size(); i-- > 0;) {
      tracks[i].Add(image.data() + cut[i], cut[i + 1] - cut[i]);
    }
    uint32_t crc = tracks[0].Value();
    for (size_t i = 1; i < tracks.size(); ++i) {
      crc = CombineCrc32(crc, tracks[i].Value(), tracks[i].Bytes());
    }
    EXPECT_EQ(crc, whole.Value()) << cut.size() - 1 << " tracks";
  }
}

}  // namespace
}  // namespace corvane::proof
