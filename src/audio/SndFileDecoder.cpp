#include "SndFileDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

#include "DataChunk.h"
#include "SourceError.h"
#include "SourceFile.h"
#include "WavSamples.h"

namespace corvane {
namespace {

// Frames read from libsndfile at once, whatever the caller asks for.
constexpr int64_t kMaxReadFrames = 16384;

struct TCloseSndFile {
  void operator()(SNDFILE* File) const { sf_close(File); }
};

std::string EncodingName(int Subtype) {
  SF_FORMAT_INFO info{};
  info.format = Subtype;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
    return info.name;
  }
  return "this";
}

class TSndFileDecoder final : public TStreamDecoder {
 public:
  explicit TSndFileDecoder(const std::string& FileName);
  TSndFileDecoder(const TSndFileDecoder&) = delete;
  TSndFileDecoder& operator=(const TSndFileDecoder&) = delete;

  TPcmFormat Format() const override { return FFormat; }
  int64_t Frames() const override { return FFrames; }
  void Seek(int64_t Frame) override;
  int64_t Read(uint8_t* Dest, int64_t Count) override;

 private:
  int BitsOf(int Format) const;
  void Measure(int64_t LibraryFrames);
  int64_t ReadSamples(uint8_t* Dest, int64_t Count);
  [[noreturn]] void Fail(const std::string& Why, TSourceFault Fault, int64_t AtFrame = -1) const;

  std::string FFileName;
  TFile FFile;  // outlives libsndfile's use of its descriptor
  std::unique_ptr<SNDFILE, TCloseSndFile> FSound;
  TPcmFormat FFormat;
  int64_t FFrames = 0;     // as the header states them
  int64_t FAvailable = 0;  // those the file holds
  int64_t FNext = 0;
  // A WAV written as a stream with 0 as its data size, which libsndfile reads as empty: its
  // samples, already in the WAV layout, are read from here on directly.
  int64_t FDirectOffset = -1;
  std::vector<int> FBuffer;
};

TSndFileDecoder::TSndFileDecoder(const std::string& FileName)
    : FFileName(FileName), FFile(OpenSourceFile(FileName)) {
  SF_INFO info{};
  FSound.reset(sf_open_fd(FFile.Fd(), SFM_READ, &info, SF_FALSE));
  if (!FSound) {
    Fail(FFileName + " cannot be read as a sound file (" + sf_strerror(nullptr) + ").",
         TSourceFault::NotThisFormat);
  }
  switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
    case SF_FORMAT_AIFF:
      break;
    default:
      Fail(FFileName + " is not a WAV, RF64, Wave64 or AIFF file.", TSourceFault::NotThisFormat);
  }
  FFormat = {info.samplerate, info.channels, BitsOf(info.format)};
  if (info.samplerate <= 0 || info.channels < 1) {
    Fail(FFileName + ": unsupported sample format.", TSourceFault::Unsupported);
  }
  Measure(info.frames);
}

int TSndFileDecoder::BitsOf(int Format) const {
  const int subtype = Format & SF_FORMAT_SUBMASK;
  switch (subtype) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
      return 8;
    case SF_FORMAT_PCM_16:
      return 16;
    case SF_FORMAT_PCM_24:
      return 24;
    case SF_FORMAT_PCM_32:
      return 32;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
      Fail(FFileName + ": float samples are not supported: FLAC holds integers only.",
           TSourceFault::Unsupported);
    default:
      Fail(FFileName + ": the " + EncodingName(subtype) + " encoding is not supported.",
           TSourceFault::Unsupported);
  }
}

void TSndFileDecoder::Measure(int64_t LibraryFrames) {
  const std::optional<TDataChunk> chunk = FindDataChunk(FFile);
  const int64_t size = FFile.Size();
  if (!chunk || size < 0) {
    Fail(FFileName + ": the sample data cannot be found.", TSourceFault::Damaged);
  }
  const int frameBytes = FFormat.FrameBytes();
  const int64_t held = std::max<int64_t>(0, size - chunk->Offset);
  if (chunk->Bytes < 0) {
    FFrames = FAvailable = held / frameBytes;
    if (LibraryFrames < FFrames) {
      if (!chunk->LittleEndian) {
        Fail(FFileName + ": a big-endian WAV without its data size is not supported.",
             TSourceFault::Unsupported);
      }
      FDirectOffset = chunk->Offset;
    }
  } else if (chunk->Bytes <= held) {
    // libsndfile's count: an AIFF's sound data may hold more than its frames.
    FFrames = FAvailable = LibraryFrames;
  } else {
    FFrames = chunk->Bytes / frameBytes;
    FAvailable = std::min(LibraryFrames, held / frameBytes);
  }
}

void TSndFileDecoder::Seek(int64_t Frame) {
  if (Frame < 0 || Frame > FFrames) {
    throw ESourceError("Seek outside " + FFileName, TSourceFault::Unknown, FFileName);
  }
  FNext = Frame;
  // Past the data a file holds there is nothing to seek to: the next read reports it.
  if (FDirectOffset >= 0 || Frame > FAvailable) return;
  if (sf_seek(FSound.get(), Frame, SEEK_SET) != Frame) {
    Fail(FFileName + ": " + sf_strerror(FSound.get()), TSourceFault::Unreadable);
  }
}

int64_t TSndFileDecoder::Read(uint8_t* Dest, int64_t Count) {
  if (Count <= 0 || FNext >= FFrames) return 0;
  if (FNext >= FAvailable) {
    Fail(FFileName + ": the data ends before its declared length.", TSourceFault::Damaged,
         FAvailable);
  }
  const int64_t count = std::min({Count, FAvailable - FNext, kMaxReadFrames});
  const int64_t got = ReadSamples(Dest, count);
  FNext += got;
  return got;
}

int64_t TSndFileDecoder::ReadSamples(uint8_t* Dest, int64_t Count) {
  const int frameBytes = FFormat.FrameBytes();
  if (FDirectOffset >= 0) {
    if (!FFile.ReadExact(FDirectOffset + FNext * frameBytes, Dest, Count * frameBytes)) {
      if (FFile.Error().Code != 0) Fail(FFile.Error().Message, TSourceFault::Unreadable);
      Fail(FFileName + ": the data ends before its declared length.", TSourceFault::Damaged, FNext);
    }
    return Count;
  }
  FBuffer.resize(static_cast<size_t>(Count * FFormat.Channels));
  const int64_t got = sf_readf_int(FSound.get(), FBuffer.data(), Count);
  if (got <= 0) {
    if (sf_error(FSound.get()) != SF_ERR_NO_ERROR) {
      Fail(FFileName + ": " + sf_strerror(FSound.get()), TSourceFault::Unreadable);
    }
    Fail(FFileName + ": the data ends before its declared length.", TSourceFault::Damaged, FNext);
  }
  // libsndfile gives integers left-justified in 32 bits, 8-bit ones with 0 as zero.
  const int shift = 32 - FFormat.BitsPerSample;
  const auto samples = static_cast<size_t>(got * FFormat.Channels);
  for (size_t i = 0; i < samples; ++i) FBuffer[i] >>= shift;
  PutWavSamples(FBuffer.data(), samples, FFormat.BitsPerSample / 8, Dest);
  return got;
}

void TSndFileDecoder::Fail(const std::string& Why, TSourceFault Fault, int64_t AtFrame) const {
  const double at = AtFrame >= 0 && FFormat.SampleRate > 0
                        ? static_cast<double>(AtFrame) / FFormat.SampleRate
                        : -1;
  throw ESourceError(Why, Fault, FFileName, at);
}

}  // namespace

std::unique_ptr<TStreamDecoder> OpenSndFileDecoder(const std::string& FileName) {
  return std::make_unique<TSndFileDecoder>(FileName);
}

}  // namespace corvane
