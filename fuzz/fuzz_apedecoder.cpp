// The Monkey's Audio decoder on arbitrary files: header, seek table and frame data. Whatever
// the bytes, it opens or refuses with a known code, reads never hand out more than asked and
// fail with a known code, and seeks inside the file succeed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ApeDecoder.h"
#include "MACDllApi.h"
#include "ScratchFile.h"

namespace {

using corvane::macdll::TApeDecoder;
using corvane::macdll::TMacError;

bool KnownReadResult(int32_t Code) {
  return Code == MAC_ERROR_SUCCESS || Code == MAC_ERROR_IO_READ ||
         Code == MAC_ERROR_DECOMPRESSING_FRAME;
}

// Reads from Start until the end, an error, or Budget frames.
void ReadFrom(TApeDecoder& Decoder, int64_t Start, int64_t Budget) {
  if (Decoder.Seek(Start) != 0) __builtin_trap();
  std::vector<uint8_t> buffer(static_cast<size_t>(4096 * Decoder.FrameBytes()));
  while (Budget > 0) {
    int64_t delivered = -1;
    const int32_t result = Decoder.Read(buffer.data(), 4096, delivered);
    if (!KnownReadResult(result) || delivered < 0 || delivered > 4096) __builtin_trap();
    if (result != 0 || delivered == 0) return;
    Budget -= delivered;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  try {
    TApeDecoder decoder(path.c_str());
    if (decoder.OpenError() != 0) {
      if (decoder.OpenError() != MAC_ERROR_INVALID_INPUT_FILE &&
          decoder.OpenError() != MAC_ERROR_HEADER_MISMATCH) {
        __builtin_trap();
      }
      return 0;
    }
    const int64_t total = decoder.TotalFrames();
    if (total <= 0 || decoder.FrameBytes() <= 0) __builtin_trap();
    ReadFrom(decoder, 0, 1 << 20);
    ReadFrom(decoder, total / 2, 1 << 16);
    ReadFrom(decoder, total - 1, 1);
    if (decoder.Seek(total + 1) != MAC_ERROR_INVALID_PARAMETER) __builtin_trap();
  } catch (const TMacError& Error) {
    if (Error.Code != MAC_ERROR_IO_READ && Error.Code != MAC_ERROR_INVALID_INPUT_FILE &&
        Error.Code != MAC_ERROR_DAMAGED_SEEK_TABLE) {
      __builtin_trap();
    }
  }
  return 0;
}
