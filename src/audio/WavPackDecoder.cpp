#include "WavPackDecoder.h"

#include <sys/stat.h>
#include <wavpack/wavpack.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "SourceError.h"
#include "SourceFile.h"
#include "WavPackStream.h"
#include "WavSamples.h"

namespace corvane {
namespace {

// A block header states fewer samples than this (libwavpack refuses larger ones).
constexpr int64_t kMaxBlockFrames = 1 << 18;

struct TCloseContext {
  void operator()(WavpackContext* Context) const { WavpackCloseFile(Context); }
};

// libwavpack checks a block's CRC only once it has unpacked the block to its end, and by then
// the samples of the block's first part may have left in an earlier call. So this decoder
// unpacks whole blocks: it asks for a block's first sample, which loads the block and tells
// its length, then for the rest of it, and hands the samples out only if the library's error
// count (CRCs, block checksums, missing blocks) has stayed put meanwhile.
class TWavPackDecoder final : public TStreamDecoder {
 public:
  explicit TWavPackDecoder(const std::string& FileName);
  TWavPackDecoder(const TWavPackDecoder&) = delete;
  TWavPackDecoder& operator=(const TWavPackDecoder&) = delete;

  TPcmFormat Format() const override { return FFormat; }
  int64_t Frames() const override { return FFrames; }
  void Seek(int64_t Frame) override;
  int64_t Read(uint8_t* Dest, int64_t Count) override;

 private:
  void Open();
  void CheckMode();
  int64_t BlockEndAfterSeek(int64_t Frame, int64_t BlockFrames) const;
  // Decodes the next block, or the rest of the one a seek landed in; false at the end of the
  // file's data.
  bool DecodeBlock();
  int64_t Unpack(int32_t* Into, int64_t Count);
  int64_t CheckedFrames() const { return static_cast<int64_t>(FSamples.size()) / FFormat.Channels; }
  [[noreturn]] void Fail(const std::string& Why, TSourceFault Fault, int64_t AtFrame = -1);
  [[noreturn]] void FailBlock(int64_t Start);

  std::string FFileName;
  // The streams outlive the context that reads them.
  TWavPackStream FWv;
  std::optional<TWavPackStream> FWvc;
  std::unique_ptr<WavpackContext, TCloseContext> FContext;
  TPcmFormat FFormat;
  int64_t FFrames = 0;
  // The first block's sample index: the file's blocks count from it, libwavpack from 0.
  int64_t FFirstIndex = 0;
  // Checked samples, interleaved, of frames FCheckedStart to FCheckedStart + CheckedFrames().
  std::vector<int32_t> FSamples;
  int64_t FCheckedStart = 0;
  int64_t FNext = 0;      // the frame Read hands out next
  int64_t FDecoded = 0;   // the frame libwavpack unpacks next
  int64_t FBlockEnd = 0;  // the end of the block libwavpack is in; FDecoded when between two
  std::optional<ESourceError> FFailure;  // until the next seek, every read raises it again
};

TWavPackDecoder::TWavPackDecoder(const std::string& FileName)
    : FFileName(FileName), FWv(OpenSourceFile(FileName)) {
  Open();
  CheckMode();
  const std::optional<TWavPackBlock> first = FindAudioBlock(FWv.File(), 0);
  if (!first) {
    Fail(FFileName + " has no WavPack block that libwavpack reads.", TSourceFault::Damaged);
  }
  FFirstIndex = first->Index;
}

void TWavPackDecoder::Open() {
  // libwavpack's own open looks for the correction file by the same name.
  const std::string correction = FFileName + "c";
  struct stat status {};
  if (::stat(correction.c_str(), &status) == 0) FWvc.emplace(OpenSourceFile(correction));
  char error[128] = {};
  // DSD opened as it is, only to be told apart and refused with a plain message.
  FContext.reset(WavpackOpenFileInputEx64(TWavPackStream::Reader(), &FWv, FWvc ? &*FWvc : nullptr,
                                          error, OPEN_DSD_NATIVE, 0));
  if (FContext) return;
  for (const TWavPackStream* stream : {&FWv, FWvc ? &*FWvc : nullptr}) {
    if (stream && stream->ReadError().Code != 0) {
      Fail(stream->ReadError().Message, TSourceFault::Unreadable);
    }
  }
  Fail(FFileName + " cannot be read as a WavPack file (" + error + ").",
       TSourceFault::NotThisFormat);
}

void TWavPackDecoder::CheckMode() {
  WavpackContext* context = FContext.get();
  const int mode = WavpackGetMode(context);
  if ((WavpackGetQualifyMode(context) & QMODE_DSD_AUDIO) != 0) {
    Fail(FFileName + ": DSD WavPack files are not supported.", TSourceFault::Unsupported);
  }
  if ((mode & MODE_FLOAT) != 0) {
    Fail(FFileName + ": WavPack files with float samples are not supported; FLAC holds integers.",
         TSourceFault::Unsupported);
  }
  if ((mode & MODE_LOSSLESS) == 0 || ((mode & MODE_HYBRID) != 0 && (mode & MODE_WVC) == 0)) {
    Fail(FFileName + " is a lossy WavPack file (hybrid, without its .wvc correction file).",
         TSourceFault::Unsupported);
  }
  const int channels = WavpackGetNumChannels(context);
  if (channels < 1 || channels > 2) {
    Fail(FFileName + ": WavPack files with more than two channels are not supported.",
         TSourceFault::Unsupported);
  }
  const int bytes = WavpackGetBytesPerSample(context);
  const uint32_t rate = WavpackGetSampleRate(context);
  if (bytes < 1 || bytes > 4 || rate == 0 || rate > 1'000'000) {
    Fail(FFileName + ": unsupported WavPack sample format.", TSourceFault::Unsupported);
  }
  FFormat = {static_cast<int>(rate), channels, bytes * 8};
  FFrames = WavpackGetNumSamples64(context);
  if (FFrames < 0) {
    Fail(FFileName + ": the WavPack file does not state its length.", TSourceFault::Unsupported);
  }
  // Opening skips a first block that fails its check.
  if (WavpackGetNumErrors(context) != 0) FailBlock(0);
}

void TWavPackDecoder::Seek(int64_t Frame) {
  if (Frame < 0 || Frame > FFrames) {
    throw ESourceError("Seek outside " + FFileName, TSourceFault::Unknown, FFileName);
  }
  FFailure.reset();
  FSamples.clear();
  FCheckedStart = FNext = Frame;
  if (Frame == FFrames) {
    // libwavpack seeks to samples only; reads from here give nothing.
    FDecoded = FBlockEnd = Frame;
    return;
  }
  WavpackContext* context = FContext.get();
  if (!WavpackSeekSample64(context, Frame)) FailBlock(Frame);
  const int64_t blockFrames = WavpackGetNumSamplesInFrame(context);
  if (blockFrames == 0 || blockFrames > kMaxBlockFrames) FailBlock(Frame);
  FDecoded = Frame;
  FBlockEnd = Frame == 0 ? blockFrames : BlockEndAfterSeek(Frame, blockFrames);
  if (FBlockEnd < 0) {
    // The block's end is not to be found from here: decode from the start, where blocks
    // begin, and let Read skip what lies before Frame.
    if (!WavpackSeekSample64(context, 0)) FailBlock(0);
    FCheckedStart = FDecoded = 0;
    FBlockEnd = WavpackGetNumSamplesInFrame(context);
  }
}

int64_t TWavPackDecoder::BlockEndAfterSeek(int64_t Frame, int64_t BlockFrames) const {
  // A seek leaves libwavpack's reading right after the block it landed in: the next block's
  // first sample is where that one ends. Without a next block it is the last one.
  const std::optional<TWavPackBlock> next = FindAudioBlock(FWv.File(), FWv.Position());
  const int64_t end = next ? next->Index - FFirstIndex : FFrames;
  // Taken only when it fits the block holding Frame.
  return end > Frame && end - BlockFrames <= Frame && end <= FFrames ? end : -1;
}

int64_t TWavPackDecoder::Read(uint8_t* Dest, int64_t Count) {
  if (FFailure) throw *FFailure;
  if (Count <= 0 || FNext >= FFrames) return 0;
  while (FNext >= FCheckedStart + CheckedFrames()) {
    if (!DecodeBlock()) return 0;
  }
  const int64_t count = std::min(Count, FCheckedStart + CheckedFrames() - FNext);
  const auto from = static_cast<size_t>((FNext - FCheckedStart) * FFormat.Channels);
  PutWavSamples(FSamples.data() + from, static_cast<size_t>(count * FFormat.Channels),
                FFormat.BitsPerSample / 8, Dest);
  FNext += count;
  return count;
}

bool TWavPackDecoder::DecodeBlock() {
  WavpackContext* context = FContext.get();
  const int errors = WavpackGetNumErrors(context);
  const int64_t start = FDecoded;
  FSamples.clear();
  if (FDecoded == FBlockEnd) {
    FSamples.resize(static_cast<size_t>(FFormat.Channels));
    if (Unpack(FSamples.data(), 1) == 0) {
      // The data ends here: the reader notices that it ends early.
      FSamples.clear();
      if (WavpackGetNumErrors(context) != errors) FailBlock(start);
      return false;
    }
    const int64_t blockFrames = WavpackGetNumSamplesInFrame(context);
    if (WavpackGetNumErrors(context) != errors || blockFrames == 0 ||
        blockFrames > kMaxBlockFrames || start + blockFrames > FFrames) {
      FailBlock(start);
    }
    FDecoded = start + 1;
    FBlockEnd = start + blockFrames;
  }
  const size_t have = FSamples.size();
  const int64_t want = FBlockEnd - FDecoded;
  FSamples.resize(have + static_cast<size_t>(want * FFormat.Channels));
  const int64_t got = Unpack(FSamples.data() + have, want);
  FDecoded += got;
  if (got != want || WavpackGetNumErrors(context) != errors) FailBlock(start);
  if (WavpackLossyBlocks(context)) {
    Fail(FFileName + " is a lossy WavPack file (hybrid, without its .wvc correction file).",
         TSourceFault::Unsupported, start);
  }
  FCheckedStart = start;
  return true;
}

int64_t TWavPackDecoder::Unpack(int32_t* Into, int64_t Count) {
  const int64_t got = WavpackUnpackSamples(FContext.get(), Into, static_cast<uint32_t>(Count));
  for (const TWavPackStream* stream : {&FWv, FWvc ? &*FWvc : nullptr}) {
    if (stream && stream->ReadError().Code != 0) {
      Fail(stream->ReadError().Message, TSourceFault::Unreadable);
    }
  }
  return got;
}

void TWavPackDecoder::FailBlock(int64_t Start) {
  Fail(FFileName + " is damaged: a WavPack block fails its check.", TSourceFault::Damaged, Start);
}

void TWavPackDecoder::Fail(const std::string& Why, TSourceFault Fault, int64_t AtFrame) {
  const double at = AtFrame >= 0 && FFormat.SampleRate > 0
                        ? static_cast<double>(AtFrame) / FFormat.SampleRate
                        : -1;
  FFailure.emplace(Why, Fault, FFileName, at);
  throw *FFailure;
}

}  // namespace

std::unique_ptr<TStreamDecoder> OpenWavPackDecoder(const std::string& FileName) {
  return std::make_unique<TWavPackDecoder>(FileName);
}

}  // namespace corvane
