// The TTA decoder on arbitrary files: ID3v2 tags, header, seek table and frame data. Whatever
// the bytes, it opens or refuses with its own exception, reads never hand out more than asked,
// a damaged frame fails at a sample inside the file and keeps failing until a seek, and seeks
// inside the file succeed. The frame decoder also runs on every frame that fails its CRC.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ScratchFile.h"
#include "TtaDecoder.h"
#include "TtaFrame.h"

namespace {

using corvane::ttadec::ETtaError;
using corvane::ttadec::TTtaDecoder;
using corvane::ttadec::TTtaFault;

// Reads from Start until the end, a failure, or Budget sample frames.
void ReadFrom(TTtaDecoder& Decoder, int64_t Start, int64_t Budget) {
  if (!Decoder.Seek(Start)) __builtin_trap();
  std::vector<uint8_t> buffer(static_cast<size_t>(4096 * Decoder.SampleBytes()));
  int64_t at = Start;
  try {
    while (Budget > 0) {
      const int64_t delivered = Decoder.Read(buffer.data(), 4096);
      if (delivered < 0 || delivered > 4096 || at + delivered > Decoder.Samples()) {
        __builtin_trap();
      }
      if (delivered == 0) return;
      at += delivered;
      Budget -= delivered;
    }
  } catch (const ETtaError& Error) {
    // Damage only, at a frame's first sample, never one already handed out.
    if (Error.Fault() != TTtaFault::Damaged || Error.Sample() < 0 || Error.Sample() > at ||
        Error.Sample() >= Decoder.Samples() ||
        Error.Sample() % Decoder.Header().FrameSamples != 0) {
      __builtin_trap();
    }
    try {
      Decoder.Read(buffer.data(), 1);
    } catch (const ETtaError&) {
      return;
    }
    __builtin_trap();  // read on past the damage
  }
}

// The frame decoder on the bytes of every frame, whether its CRC matches or not: the CRC
// stops nearly every changed frame before the decoder, and with it the fuzzer.
void DecodeEveryFrame(const std::string& Path) {
  const corvane::ttadec::TTtaFile file(Path);
  const corvane::ttadec::TTtaHeader header = corvane::ttadec::ReadTtaHeader(file);
  corvane::ttadec::TTtaSeekTable table(file, header);
  std::vector<uint8_t> coded;
  std::vector<uint8_t> pcm;
  for (int64_t frame = 0; frame < table.SoundFrames(); ++frame) {
    const corvane::ttadec::TTtaFrameSpan span = table.Frame(frame);
    coded.resize(static_cast<size_t>(span.Bytes));
    if (!file.Read(span.Offset, coded.data(), span.Bytes)) return;
    const int64_t samples = header.SamplesIn(frame);
    pcm.resize(static_cast<size_t>(samples * header.SampleBytes()));
    corvane::ttadec::DecodeTtaFrame(header, coded.data(), coded.size() - 4, samples, pcm.data());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  try {
    TTtaDecoder decoder(path);
    const int64_t total = decoder.Samples();
    if (total < 0 || decoder.SampleBytes() <= 0) __builtin_trap();
    ReadFrom(decoder, 0, 1 << 20);
    ReadFrom(decoder, total / 2, 1 << 16);
    if (total > 0) ReadFrom(decoder, total - 1, 1);
    if (decoder.Seek(total + 1)) __builtin_trap();
    DecodeEveryFrame(path);
  } catch (const ETtaError& Error) {
    // Damage found at open is in the header or the seek table: nothing can be decoded.
    if (Error.Fault() == TTtaFault::Damaged && Error.Sample() != 0) __builtin_trap();
  }
  return 0;
}
