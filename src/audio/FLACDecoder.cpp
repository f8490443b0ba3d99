#include "FLACDecoder.h"

#include <FLAC/stream_decoder.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "ACSException.h"
#include "DynamicLibrary.h"
#include "SourceError.h"

namespace corvane {
namespace {

#define CORVANE_FLAC_DECODER_ENTRY_POINTS(X)      \
  X(stream_decoder_new)                           \
  X(stream_decoder_delete)                        \
  X(stream_decoder_set_md5_checking)              \
  X(stream_decoder_init_FILE)                     \
  X(stream_decoder_process_until_end_of_metadata) \
  X(stream_decoder_process_single)                \
  X(stream_decoder_seek_absolute)                 \
  X(stream_decoder_flush)                         \
  X(stream_decoder_finish)                        \
  X(stream_decoder_get_state)                     \
  X(StreamDecoderErrorStatusString)

struct TLibFLACDecoder {
#define CORVANE_FLAC_DECLARE(Name) decltype(&FLAC__##Name) Name = nullptr;
  CORVANE_FLAC_DECODER_ENTRY_POINTS(CORVANE_FLAC_DECLARE)
#undef CORVANE_FLAC_DECLARE
  TDynamicLibrary Library;
  bool Loaded = false;
};

const TLibFLACDecoder& Flac() {
  static const TLibFLACDecoder table = [] {
    TLibFLACDecoder made;
    made.Library = TDynamicLibrary({"libFLAC.so.12", "libFLAC.so"});
    if (!made.Library.Loaded()) return made;
    bool all = true;
#define CORVANE_FLAC_RESOLVE(Name) all = made.Library.Resolve("FLAC__" #Name, made.Name) && all;
    CORVANE_FLAC_DECODER_ENTRY_POINTS(CORVANE_FLAC_RESOLVE)
#undef CORVANE_FLAC_RESOLVE
    made.Loaded = all;
    return made;
  }();
  return table;
}

[[noreturn]] void Refuse(const std::string& Why, TSourceFault Fault, const std::string& File) {
  throw ESourceError(Why, Fault, File);
}

// The file as libFLAC will read it: a regular file, opened without waiting, starting with a
// FLAC stream (after any ID3v2 tag, which the library skips).
std::FILE* OpenFlacFile(const std::string& FileName) {
  const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) Refuse("Cannot open " + FileName + ".", TSourceFault::Unreadable, FileName);
  struct stat status {};
  char magic[4] = {};
  const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  const bool flac = regular && ::pread(fd, magic, 4, 0) == 4 &&
                    (std::memcmp(magic, "fLaC", 4) == 0 || std::memcmp(magic, "ID3", 3) == 0);
  std::FILE* file = flac ? ::fdopen(fd, "rb") : nullptr;
  if (file == nullptr) {
    ::close(fd);
    if (!regular) Refuse("Cannot read " + FileName + ".", TSourceFault::Unreadable, FileName);
    Refuse(FileName + " is not a FLAC file.", TSourceFault::NotThisFormat, FileName);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return file;
}

class TFlacStreamDecoder final : public TStreamDecoder {
 public:
  explicit TFlacStreamDecoder(const std::string& FileName) : FFileName(FileName) {
    RequireFlacDecoder();
    const TLibFLACDecoder& flac = Flac();
    FHandle.reset(flac.stream_decoder_new());
    if (!FHandle) throw ESourceError("Out of memory.", TSourceFault::OutOfMemory, FileName);
    flac.stream_decoder_set_md5_checking(FHandle.get(), true);
    std::FILE* file = OpenFlacFile(FileName);
    // The library owns the file from here, and closes it even when it fails.
    if (flac.stream_decoder_init_FILE(FHandle.get(), file, &Write, &Metadata, &Error, this) !=
        FLAC__STREAM_DECODER_INIT_STATUS_OK) {
      Refuse("Cannot read " + FileName + ".", TSourceFault::Unreadable, FileName);
    }
    if (!flac.stream_decoder_process_until_end_of_metadata(FHandle.get()) || FFault) {
      Refuse(FileName + " is not a FLAC file, or its header is damaged.",
             TSourceFault::NotThisFormat, FileName);
    }
    if (!FInfoSeen) {
      Refuse(FileName + " has no stream information.", TSourceFault::NotThisFormat, FileName);
    }
    if (FFormat.BitsPerSample % 8 != 0) {
      Refuse("FLAC files of " + std::to_string(FFormat.BitsPerSample) +
                 " bits per sample are not supported.",
             TSourceFault::Unsupported, FileName);
    }
    // Without it a range could not be checked, nor a short file told from a whole one.
    if (FFrames <= 0) {
      Refuse("FLAC files that do not state their length are not supported.",
             TSourceFault::Unsupported, FileName);
    }
  }

  TPcmFormat Format() const override { return FFormat; }
  int64_t Frames() const override { return FFrames; }

  void Seek(int64_t Frame) override {
    if (Frame == FNext) return;  // the start: reading on keeps the MD5 check
    FPending.clear();
    FTaken = 0;
    FEnded = Frame >= FFrames;
    FNext = Frame;
    if (FEnded) return;
    const TLibFLACDecoder& flac = Flac();
    if (!flac.stream_decoder_seek_absolute(FHandle.get(), static_cast<FLAC__uint64>(Frame)) ||
        FFault) {
      flac.stream_decoder_flush(FHandle.get());
      Damaged();
    }
  }

  int64_t Read(uint8_t* Dest, int64_t Count) override {
    const TLibFLACDecoder& flac = Flac();
    while (FTaken == FPending.size() && !FEnded) {
      FPending.clear();
      FTaken = 0;
      if (!flac.stream_decoder_process_single(FHandle.get()) || FFault) Damaged();
      if (FDecodedTo >= FFrames) {
        FEnded = true;
        // The last frame stays here until the MD5 of everything decoded has been compared;
        // the library compares it only when the stream was read from its start, unsought.
        if (!flac.stream_decoder_finish(FHandle.get())) {
          throw ESourceError("The audio of " + FFileName +
                                 " does not match its MD5 signature: the file is damaged.",
                             TSourceFault::Damaged, FFileName);
        }
      } else if (flac.stream_decoder_get_state(FHandle.get()) ==
                 FLAC__STREAM_DECODER_END_OF_STREAM) {
        FEnded = true;  // short of its length: the source says so
      }
    }
    const size_t frameBytes = static_cast<size_t>(FFormat.FrameBytes());
    const size_t bytes =
        std::min(FPending.size() - FTaken, static_cast<size_t>(Count) * frameBytes);
    std::memcpy(Dest, FPending.data() + FTaken, bytes);
    FTaken += bytes;
    FNext += static_cast<int64_t>(bytes / frameBytes);
    return static_cast<int64_t>(bytes / frameBytes);
  }

 private:
  struct TDeleter {
    void operator()(FLAC__StreamDecoder* Decoder) const { Flac().stream_decoder_delete(Decoder); }
  };

  [[noreturn]] void Damaged() const {
    const std::string why =
        FFault ? (*Flac().StreamDecoderErrorStatusString)[*FFault] : "a decode error";
    throw ESourceError("The data of " + FFileName + " is damaged (" + why + ").",
                       TSourceFault::Damaged, FFileName,
                       static_cast<double>(FNext) / std::max(FFormat.SampleRate, 1));
  }

  // A frame is handed on only when the library found nothing wrong with it: after a CRC
  // mismatch it would pass on silence in its place.
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* Frame,
                                              const FLAC__int32* const Buffer[],
                                              void* Client) noexcept {
    auto& self = *static_cast<TFlacStreamDecoder*>(Client);
    if (self.FFault) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    const uint32_t channels = Frame->header.channels;
    const uint32_t bytes = Frame->header.bits_per_sample / 8;
    if (channels != static_cast<uint32_t>(self.FFormat.Channels) ||
        bytes * 8 != static_cast<uint32_t>(self.FFormat.BitsPerSample)) {
      self.FFault = FLAC__STREAM_DECODER_ERROR_STATUS_BAD_HEADER;
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    self.FDecodedTo =
        static_cast<int64_t>(Frame->header.number.sample_number) + Frame->header.blocksize;
    try {
      const size_t start = self.FPending.size();
      self.FPending.resize(start + size_t{Frame->header.blocksize} * channels * bytes);
      uint8_t* out = self.FPending.data() + start;
      for (uint32_t i = 0; i < Frame->header.blocksize; ++i) {
        for (uint32_t c = 0; c < channels; ++c) {
          const int32_t sample = Buffer[c][i];
          if (bytes == 1) {
            *out++ = static_cast<uint8_t>(sample + 128);
            continue;
          }
          for (uint32_t b = 0; b < bytes; ++b) *out++ = static_cast<uint8_t>(sample >> (8 * b));
        }
      }
    } catch (const std::bad_alloc&) {
      self.FFault = FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC;
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }

  // The frames' own headers are checked against the stream information as they come.
  static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* Block,
                       void* Client) noexcept {
    auto& self = *static_cast<TFlacStreamDecoder*>(Client);
    if (Block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    const FLAC__StreamMetadata_StreamInfo& info = Block->data.stream_info;
    self.FFormat.SampleRate = static_cast<int>(info.sample_rate);
    self.FFormat.Channels = static_cast<int>(info.channels);
    self.FFormat.BitsPerSample = static_cast<int>(info.bits_per_sample);
    self.FFrames = static_cast<int64_t>(info.total_samples);
    self.FInfoSeen = true;
  }

  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus Status,
                    void* Client) noexcept {
    auto& self = *static_cast<TFlacStreamDecoder*>(Client);
    if (!self.FFault) self.FFault = Status;
  }

  std::string FFileName;
  std::unique_ptr<FLAC__StreamDecoder, TDeleter> FHandle;
  TPcmFormat FFormat;
  int64_t FFrames = 0;
  int64_t FNext = 0;  // the frame the next Read starts at
  bool FEnded = false;
  bool FInfoSeen = false;
  int64_t FDecodedTo = 0;  // one past the last frame decoded
  std::optional<FLAC__StreamDecoderErrorStatus> FFault;
  std::vector<uint8_t> FPending;  // decoded, not yet read
  size_t FTaken = 0;
};

}  // namespace

bool LibFLACDecoderLoaded() {
  return Flac().Loaded;
}

void RequireFlacDecoder() {
  if (!Flac().Loaded) throw EACSException(LibraryNotLoadedText("libFLAC.so.12"));
}

std::unique_ptr<TStreamDecoder> OpenFlacDecoder(const std::string& FileName) {
  return std::make_unique<TFlacStreamDecoder>(FileName);
}

}  // namespace corvane
