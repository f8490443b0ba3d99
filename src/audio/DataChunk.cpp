#include "DataChunk.h"

#include <array>
#include <cstring>

namespace corvane {
namespace {

// Chunks followed before giving up on a file that is not what it claims.
constexpr int kMaxChunks = 4096;

uint64_t Number(const uint8_t* P, int Bytes, bool LittleEndian) {
  uint64_t value = 0;
  for (int i = 0; i < Bytes; ++i) value |= uint64_t{P[LittleEndian ? i : Bytes - 1 - i]} << (8 * i);
  return value;
}

bool Is(const uint8_t* P, const char* Id) {
  return std::memcmp(P, Id, 4) == 0;
}

// RIFF, RIFX, RF64 and BW64: 4-byte ids and 32-bit sizes, chunks padded to even sizes. An
// RF64 data chunk gives its size in the ds64 chunk before it.
std::optional<TDataChunk> FindWaveData(const TFile& File, bool LittleEndian, bool Rf64) {
  const int64_t size = File.Size();
  std::optional<uint64_t> ds64Data;
  int64_t at = 12;
  std::array<uint8_t, 16> header{};
  for (int chunk = 0; chunk < kMaxChunks && at + 8 <= size; ++chunk) {
    if (!File.ReadExact(at, header.data(), 8)) return std::nullopt;
    const uint64_t bytes = Number(&header[4], 4, LittleEndian);
    if (Is(header.data(), "data")) {
      uint64_t declared = bytes;
      if (Rf64 && bytes == 0xFFFFFFFF) {
        if (!ds64Data) return std::nullopt;
        declared = *ds64Data;
      }
      const bool streamed = declared == 0 || declared == 0xFFFFFFFF || declared == ~uint64_t{0};
      return TDataChunk{at + 8, streamed ? -1 : static_cast<int64_t>(declared), LittleEndian};
    }
    if (Rf64 && Is(header.data(), "ds64") && bytes >= 16) {
      if (!File.ReadExact(at + 8, header.data(), 16)) return std::nullopt;
      ds64Data = Number(&header[8], 8, true);
    }
    at += 8 + static_cast<int64_t>(bytes + (bytes & 1));
  }
  return std::nullopt;
}

// Wave64: 16-byte GUIDs and 64-bit sizes that count the chunk's header, chunks aligned to 8.
std::optional<TDataChunk> FindWave64Data(const TFile& File) {
  static constexpr uint8_t kData[16] = {'d',  'a',  't',  'a',  0xF3, 0xAC, 0xD3, 0x11,
                                        0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
  const int64_t size = File.Size();
  int64_t at = 40;
  std::array<uint8_t, 24> header{};
  for (int chunk = 0; chunk < kMaxChunks && at + 24 <= size; ++chunk) {
    if (!File.ReadExact(at, header.data(), 24)) return std::nullopt;
    const uint64_t bytes = Number(&header[16], 8, true);
    if (bytes < 24 || bytes > static_cast<uint64_t>(INT64_MAX / 2)) return std::nullopt;
    if (std::memcmp(header.data(), kData, 16) == 0) {
      return TDataChunk{at + 24, static_cast<int64_t>(bytes - 24), true};
    }
    at += static_cast<int64_t>((bytes + 7) & ~uint64_t{7});
  }
  return std::nullopt;
}

// AIFF and AIFF-C: big-endian sizes, chunks padded to even sizes; the sound data chunk opens
// with an offset to its first sample and a block size.
std::optional<TDataChunk> FindAiffData(const TFile& File) {
  const int64_t size = File.Size();
  int64_t at = 12;
  std::array<uint8_t, 16> header{};
  for (int chunk = 0; chunk < kMaxChunks && at + 8 <= size; ++chunk) {
    if (!File.ReadExact(at, header.data(), 8)) return std::nullopt;
    const uint64_t bytes = Number(&header[4], 4, false);
    if (Is(header.data(), "SSND")) {
      if (bytes < 8 || !File.ReadExact(at + 8, header.data(), 8)) return std::nullopt;
      const uint64_t offset = Number(header.data(), 4, false);
      if (offset > bytes - 8) return std::nullopt;
      return TDataChunk{at + 16 + static_cast<int64_t>(offset),
                        static_cast<int64_t>(bytes - 8 - offset), false};
    }
    at += 8 + static_cast<int64_t>(bytes + (bytes & 1));
  }
  return std::nullopt;
}

}  // namespace

std::optional<TDataChunk> FindDataChunk(const TFile& File) {
  std::array<uint8_t, 16> head{};
  if (!File.ReadExact(0, head.data(), 16)) return std::nullopt;
  const uint8_t* form = &head[8];
  if (Is(head.data(), "RIFF") && Is(form, "WAVE")) return FindWaveData(File, true, false);
  if (Is(head.data(), "RIFX") && Is(form, "WAVE")) return FindWaveData(File, false, false);
  if ((Is(head.data(), "RF64") || Is(head.data(), "BW64")) && Is(form, "WAVE")) {
    return FindWaveData(File, true, true);
  }
  static constexpr uint8_t kRiff64[16] = {'r',  'i',  'f',  'f',  0x2E, 0x91, 0xCF, 0x11,
                                          0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
  if (std::memcmp(head.data(), kRiff64, 16) == 0) return FindWave64Data(File);
  if (Is(head.data(), "FORM") && (Is(form, "AIFF") || Is(form, "AIFC"))) return FindAiffData(File);
  return std::nullopt;
}

}  // namespace corvane
