#include "ApeDecoder.h"

#include <algorithm>
#include <cstring>

#include "ApeFormat.h"

namespace corvane::macdll {
namespace {

// A frame's coded size beyond twice its PCM (and a margin) is no frame an encoder wrote.
int64_t MaxCodedBytes(const TApeHeader& Header, int64_t Blocks) {
  return 2 * Blocks * (Header.BitsPerSample / 8) * Header.Channels + 65536;
}

int32_t OpenErrorOf(const TApeHeader& Header) {
  if (!Header.Supported) return MAC_ERROR_INVALID_INPUT_FILE;
  return Header.MatchesStoredWav() ? MAC_ERROR_SUCCESS : MAC_ERROR_HEADER_MISMATCH;
}

}  // namespace

TApeDecoder::TApeDecoder(const char* FileName)
    : FFile(FileName), FHeader(ReadApeHeader(FFile)), FOpenError(OpenErrorOf(FHeader)) {
  if (FOpenError == 0) FFrameDecoder = std::make_unique<TFrameDecoder>(FHeader);
}

int32_t TApeDecoder::LoadFrame(int64_t Index, const TArithmetic* Only) {
  if (FOpenError != 0) return FOpenError;
  if (Index < 0 || Index >= FHeader.TotalFrames) return MAC_ERROR_INVALID_PARAMETER;
  if (Index == FLoaded && Only == nullptr) return MAC_ERROR_SUCCESS;
  FLoaded = -1;
  FPcm.resize(static_cast<size_t>(FHeader.BlocksOfFrame(Index) * FrameBytes()));
  const int32_t result = DecodeFrame(Index, FPcm.data(), Only);
  if (result == MAC_ERROR_SUCCESS && Only == nullptr) FLoaded = Index;
  return result;
}

int32_t TApeDecoder::DecodeFrame(int64_t Index, uint8_t* Pcm, const TArithmetic* Only) {
  // Frames are stored in 32-bit words counted from the first frame; a frame starting inside
  // a word is read from that word's start and the bytes before it skipped.
  const auto at = static_cast<size_t>(Index);
  const int64_t offset = FHeader.FrameOffsets[at];
  // The table was checked as the file opened. Still, a frame is only ever read from bytes
  // past its predecessor's start: decoded from a seek as much as in sequence, it could
  // otherwise be an earlier frame, whose own checksum would pass.
  if (offset < FHeader.FirstFrame || (Index > 0 && offset <= FHeader.FrameOffsets[at - 1])) {
    return MAC_ERROR_DECOMPRESSING_FRAME;
  }
  const int64_t skip = (offset - FHeader.FirstFrame) & 3;
  const int64_t start = offset - skip;
  const bool last = Index + 1 == FHeader.TotalFrames;
  int64_t end = last ? std::max(FHeader.AudioEnd, offset) : FHeader.FrameOffsets[at + 1];
  if (end < offset) return MAC_ERROR_DECOMPRESSING_FRAME;  // the seek table runs backwards
  // The stored data of 3.80 frames may run on into the next frame's first word.
  if (!last && !FHeader.FrameBitSkips.empty() && FHeader.FrameBitSkips[at + 1] != 0) end += 4;
  // The coded data ends on a word boundary: take the last word whole.
  end = start + ((end - start + 3) & ~int64_t{3});
  if (start >= FFile.Size() || (!last && FHeader.FrameOffsets[at + 1] > FFile.Size())) {
    return MAC_ERROR_IO_READ;  // the file ends before this frame
  }
  end = std::min(end, FFile.Size());
  const int64_t blocks = FHeader.BlocksOfFrame(Index);
  if (end - start > MaxCodedBytes(FHeader, blocks)) return MAC_ERROR_DECOMPRESSING_FRAME;

  FCoded.resize(static_cast<size_t>(end - start));
  if (!FFile.ReadAt(start, FCoded.data(), end - start)) return MAC_ERROR_IO_READ;
  // Encoders before 3.95 read two bytes beyond their frames.
  FBytes.Assign(FCoded.data(), end - start, FHeader.Version < 3950 ? 2 : 0);

  uint64_t skipBits = static_cast<uint64_t>(skip) * 8;
  if (!FHeader.FrameBitSkips.empty()) skipBits += FHeader.FrameBitSkips[at];
  return FFrameDecoder->Decode(FBytes, skipBits, blocks, Pcm, FArithmetic, Only);
}

int32_t TApeDecoder::Read(uint8_t* Dest, int64_t Frames, int64_t& Delivered) {
  Delivered = 0;
  if (Frames < 0 || (Dest == nullptr && Frames > 0)) return MAC_ERROR_INVALID_PARAMETER;
  if (FOpenError != 0) return FOpenError;
  if (FError != 0) return FError;
  const int frameBytes = FrameBytes();
  const int64_t total = TotalFrames();
  while (Delivered < Frames && FPosition < total) {
    const int64_t index = FPosition / FHeader.BlocksPerFrame;
    const int64_t first = index * FHeader.BlocksPerFrame;
    const int64_t blocks = FHeader.BlocksOfFrame(index);
    // A whole frame wanted goes straight to the caller: no copy, and no frame-sized buffer
    // of our own (a reader running several decoders at once would hold one in each).
    if (FPosition == first && Frames - Delivered >= blocks && index != FLoaded) {
      const int32_t result = DecodeFrame(index, Dest + Delivered * frameBytes, nullptr);
      if (result != MAC_ERROR_SUCCESS) {
        FError = result;
        return FError;
      }
      Delivered += blocks;
      FPosition += blocks;
      continue;
    }
    const int32_t result = LoadFrame(index);
    if (result != MAC_ERROR_SUCCESS) {
      FError = result;
      return FError;
    }
    const int64_t available = first + blocks - FPosition;
    const int64_t count = std::min(available, Frames - Delivered);
    std::memcpy(Dest + Delivered * frameBytes, FPcm.data() + (FPosition - first) * frameBytes,
                static_cast<size_t>(count * frameBytes));
    Delivered += count;
    FPosition += count;
  }
  return MAC_ERROR_SUCCESS;
}

int32_t TApeDecoder::Seek(int64_t Frame) {
  if (FOpenError != 0) return FOpenError;
  if (Frame < 0 || Frame > TotalFrames()) return MAC_ERROR_INVALID_PARAMETER;
  // The APE frame holding the target is decoded from its start when it is read; Read then
  // hands out from the target on.
  FError = 0;
  FPosition = Frame;
  return MAC_ERROR_SUCCESS;
}

}  // namespace corvane::macdll
