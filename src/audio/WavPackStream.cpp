#include "WavPackStream.h"

#include <cstdio>
#include <vector>

namespace corvane {
namespace {

// libwavpack gives up looking for a block header after this many other bytes.
constexpr int64_t kMaxSkip = 1 << 20;
// Blocks without audio (the WAV header and trailer) followed before giving up.
constexpr int kMaxOtherBlocks = 64;
constexpr int64_t kWindow = 64 * 1024;
constexpr int kHeaderBytes = sizeof(WavpackHeader);

uint32_t Le32(const uint8_t* P) {
  return P[0] | uint32_t{P[1]} << 8 | uint32_t{P[2]} << 16 | uint32_t{P[3]} << 24;
}

// The test libwavpack puts a block header to before it believes one: the chunk size even,
// at least the header's and below 16 MiB, a stream version the library decodes, and fewer
// samples than a block can hold.
bool IsBlockHeader(const uint8_t* P) {
  return P[0] == 'w' && P[1] == 'v' && P[2] == 'p' && P[3] == 'k' && (P[4] & 1) == 0 && P[6] < 16 &&
         P[7] == 0 && (P[6] != 0 || P[5] != 0 || P[4] >= 24) && P[9] == 4 &&
         P[8] >= (MIN_STREAM_VERS & 0xff) && P[8] <= (MAX_STREAM_VERS & 0xff) && P[22] < 3 &&
         P[23] == 0;
}

}  // namespace

WavpackStreamReader64* TWavPackStream::Reader() {
  static WavpackStreamReader64 reader = {
      ReadBytes,
      nullptr,
      GetPosition,
      SetPositionAbsolute,
      SetPositionRelative,
      PushBackByte,
      GetLength,
      CanSeek,
      nullptr,
      nullptr,
  };
  return &reader;
}

int32_t TWavPackStream::ReadBytes(void* Id, void* Data, int32_t Count) {
  TWavPackStream& stream = Of(Id);
  const int64_t got = stream.FFile.ReadAt(stream.FPosition, Data, Count);
  if (got < 0) {
    if (stream.FReadError.Code == 0) stream.FReadError = stream.FFile.Error();
    return 0;
  }
  stream.FPosition += got;
  return static_cast<int32_t>(got);
}

int64_t TWavPackStream::GetPosition(void* Id) {
  return Of(Id).FPosition;
}

int TWavPackStream::SetPositionAbsolute(void* Id, int64_t Position) {
  if (Position < 0) return -1;
  Of(Id).FPosition = Position;
  return 0;
}

int TWavPackStream::SetPositionRelative(void* Id, int64_t Delta, int Mode) {
  TWavPackStream& stream = Of(Id);
  int64_t base = 0;
  if (Mode == SEEK_CUR) {
    base = stream.FPosition;
  } else if (Mode == SEEK_END) {
    base = stream.FFile.Size();
    if (base < 0) return -1;
  } else if (Mode != SEEK_SET) {
    return -1;
  }
  return SetPositionAbsolute(Id, base + Delta);
}

int TWavPackStream::PushBackByte(void* Id, int Byte) {
  // The library only pushes back the byte it has just read, so stepping back is the same.
  TWavPackStream& stream = Of(Id);
  if (stream.FPosition == 0) return EOF;
  --stream.FPosition;
  return Byte;
}

int64_t TWavPackStream::GetLength(void* Id) {
  return Of(Id).FFile.Size();
}

int TWavPackStream::CanSeek(void*) {
  return 1;
}

std::optional<TWavPackBlock> FindAudioBlock(const TFile& File, int64_t Offset) {
  std::vector<uint8_t> window(kWindow + kHeaderBytes - 1);
  int64_t skipped = 0;
  int otherBlocks = 0;
  while (skipped <= kMaxSkip) {
    const int64_t got = File.ReadAt(Offset, window.data(), static_cast<int64_t>(window.size()));
    if (got < kHeaderBytes) return std::nullopt;
    int64_t at = 0;
    while (at + kHeaderBytes <= got && !IsBlockHeader(&window[at])) ++at;
    if (at + kHeaderBytes > got) {
      // None here; the last bytes may begin one, so the next window starts with them.
      skipped += at;
      Offset += at;
      continue;
    }
    const uint8_t* header = &window[at];
    const uint32_t samples = Le32(header + 20);
    if (samples != 0 && (Le32(header + 24) & INITIAL_BLOCK) != 0) {
      return TWavPackBlock{Le32(header + 16) + (int64_t{header[10]} << 32), samples};
    }
    if (++otherBlocks > kMaxOtherBlocks) return std::nullopt;
    skipped += at;
    Offset += at + 8 + Le32(header + 4);
  }
  return std::nullopt;
}

}  // namespace corvane
