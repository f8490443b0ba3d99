#include "TtaSeekTable.h"

#include <algorithm>
#include <array>

#include "TtaCrc.h"
#include "TtaFile.h"

namespace corvane::ttadec {
namespace {

uint32_t Le32(const uint8_t* Bytes) {
  return Bytes[0] | uint32_t{Bytes[1]} << 8 | uint32_t{Bytes[2]} << 16 | uint32_t{Bytes[3]} << 24;
}

// A frame holds its CRC and at least one bit per sample (a code's closing zero).
int64_t MinFrameBytes(const TTtaHeader& Header, int64_t Frame) {
  return 4 + (Header.SamplesIn(Frame) * Header.Channels + 7) / 8;
}

// Far more than an encoder writes (64 bits a sample where it needs some 30 at worst): what a
// frame with a sound size may make us read and hold.
int64_t MaxFrameBytes(const TTtaHeader& Header) {
  return 4 + Header.FrameSamples * Header.Channels * 8;
}

[[noreturn]] void TableDamaged(const char* What) {
  throw ETtaError(TTtaFault::Damaged, std::string("the TTA seek table ") + What, 0);
}

}  // namespace

TTtaSeekTable::TTtaSeekTable(const TTtaFile& File, const TTtaHeader& Header)
    : FFile(File), FHeader(Header) {
  const int64_t tableBytes = FHeader.Frames * 4;
  if (FHeader.TableOffset + tableBytes + 4 > FFile.Size()) TableDamaged("is cut short");
  CheckWhole();
}

bool TTtaSeekTable::Sound(int64_t Index, int64_t Offset, uint32_t Bytes) const {
  return Bytes >= MinFrameBytes(FHeader, Index) && Bytes <= MaxFrameBytes(FHeader) &&
         Bytes <= FFile.Size() - Offset;
}

void TTtaSeekTable::CheckWhole() {
  std::array<uint8_t, kBlockFrames * 4> block{};
  uint32_t crc = kCrcStart;
  int64_t offset = FHeader.TableOffset + FHeader.Frames * 4 + 4;
  FSoundFrames = FHeader.Frames;
  for (int64_t first = 0; first < FHeader.Frames; first += kBlockFrames) {
    const int64_t count = std::min(kBlockFrames, FHeader.Frames - first);
    if (!FFile.Read(FHeader.TableOffset + first * 4, block.data(), count * 4)) {
      TableDamaged("is cut short");
    }
    crc = TtaCrcUpdate(crc, block.data(), static_cast<size_t>(count * 4));
    if (FSoundFrames < first) continue;
    FBlockOffsets.push_back(offset);
    for (int64_t i = 0; i < count && FSoundFrames == FHeader.Frames; ++i) {
      const uint32_t bytes = Le32(block.data() + i * 4);
      if (!Sound(first + i, offset, bytes)) {
        FSoundFrames = first + i;
        FUnsound = bytes > FFile.Size() - offset && bytes <= MaxFrameBytes(FHeader)
                       ? "is cut short: the file ends inside it"
                       : "has an impossible size in the seek table";
      }
      offset += bytes;
    }
  }
  std::array<uint8_t, 4> stored{};
  if (!FFile.Read(FHeader.TableOffset + FHeader.Frames * 4, stored.data(), 4)) {
    TableDamaged("is cut short");
  }
  if (TtaCrcValue(crc) != Le32(stored.data())) TableDamaged("is damaged (its CRC does not match)");
}

ETtaError TTtaSeekTable::UnsoundFrameError() const {
  return FrameError(FSoundFrames, FSoundFrames * FHeader.FrameSamples, FUnsound);
}

TTtaFrameSpan TTtaSeekTable::Frame(int64_t Index) {
  const int64_t block = Index / kBlockFrames;
  if (block != FLoaded) LoadBlock(block);
  return FSpans[static_cast<size_t>(Index % kBlockFrames)];
}

void TTtaSeekTable::LoadBlock(int64_t Block) {
  FLoaded = -1;
  const int64_t first = Block * kBlockFrames;
  const int64_t count = std::min(kBlockFrames, FSoundFrames - first);
  std::array<uint8_t, kBlockFrames * 4> bytes{};
  const bool read = FFile.Read(FHeader.TableOffset + first * 4, bytes.data(), count * 4);
  FSpans.resize(static_cast<size_t>(count));
  int64_t offset = FBlockOffsets[static_cast<size_t>(Block)];
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t size = Le32(bytes.data() + i * 4);
    if (!read || !Sound(first + i, offset, size)) {
      throw FrameError(first + i, (first + i) * FHeader.FrameSamples,
                       "cannot be found: the file changed while it was read");
    }
    FSpans[static_cast<size_t>(i)] = {offset, size};
    offset += size;
  }
  FLoaded = Block;
}

}  // namespace corvane::ttadec
