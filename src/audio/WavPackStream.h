#pragma once

#include <wavpack/wavpack.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "File.h"

namespace corvane {

// One file of a WavPack stream (the .wv file or its .wvc correction file) that libwavpack
// reads through callbacks on a file we opened, so the library never opens anything by name.
// The library only sees a short read; the cause stays here for the decoder to report.
class TWavPackStream {
 public:
  explicit TWavPackStream(TFile File) : FFile(std::move(File)) {}
  TWavPackStream(const TWavPackStream&) = delete;
  TWavPackStream& operator=(const TWavPackStream&) = delete;

  // The callbacks; their id is a TWavPackStream*.
  static WavpackStreamReader64* Reader();

  const TFile& File() const { return FFile; }
  // Where the library reads next.
  int64_t Position() const { return FPosition; }
  // The first failed read, Code 0 when none failed.
  const TFileError& ReadError() const { return FReadError; }

 private:
  static TWavPackStream& Of(void* Id) { return *static_cast<TWavPackStream*>(Id); }
  static int32_t ReadBytes(void* Id, void* Data, int32_t Count);
  static int64_t GetPosition(void* Id);
  static int SetPositionAbsolute(void* Id, int64_t Position);
  static int SetPositionRelative(void* Id, int64_t Delta, int Mode);
  static int PushBackByte(void* Id, int Byte);
  static int64_t GetLength(void* Id);
  static int CanSeek(void* Id);

  TFile FFile;
  int64_t FPosition = 0;
  TFileError FReadError;
};

// What a WavPack block's header says about the audio in it.
struct TWavPackBlock {
  int64_t Index = 0;     // its first sample, as the file counts them
  uint32_t Samples = 0;  // samples per channel
};

// The first block at or after Offset that holds audio and begins a set of channels, past
// other blocks and past junk as libwavpack skips it (up to 1 MiB); nothing when there is none.
std::optional<TWavPackBlock> FindAudioBlock(const TFile& File, int64_t Offset);

}  // namespace corvane
