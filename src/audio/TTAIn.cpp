#include "TTAIn.h"

#include <new>

#include "SourceError.h"
#include "TtaDecoder.h"

namespace corvane {
namespace {

using ttadec::ETtaError;
using ttadec::TTtaDecoder;
using ttadec::TTtaFault;

TSourceFault SourceFaultOf(TTtaFault Fault) {
  switch (Fault) {
    case TTtaFault::NotThisFormat:
      return TSourceFault::NotThisFormat;
    case TTtaFault::Unsupported:
      return TSourceFault::Unsupported;
    case TTtaFault::Damaged:
      return TSourceFault::Damaged;
    case TTtaFault::Unreadable:
      return TSourceFault::Unreadable;
  }
  return TSourceFault::Unknown;
}

// Runs Call, a call of the decoder of FileName (at SampleRate, 0 before it is known), raising
// what it throws as the audio layer's ESourceError.
template <typename TCall>
auto Decoding(const std::string& FileName, int SampleRate, TCall Call) {
  try {
    return Call();
  } catch (const ETtaError& Error) {
    double at = -1;
    if (Error.Sample() >= 0) {
      at = SampleRate > 0 ? static_cast<double>(Error.Sample()) / SampleRate : 0.0;
    }
    throw ESourceError(Error.what(), SourceFaultOf(Error.Fault()), FileName, at);
  } catch (const std::bad_alloc&) {
    throw ESourceError("Out of memory decoding " + FileName, TSourceFault::OutOfMemory, FileName);
  }
}

class TTtaStreamDecoder final : public TStreamDecoder {
 public:
  explicit TTtaStreamDecoder(const std::string& FileName)
      : FDecoder(Decoding(FileName, 0, [&] { return std::make_unique<TTtaDecoder>(FileName); })) {}

  TPcmFormat Format() const override {
    return {FDecoder->SampleRate(), FDecoder->Channels(), FDecoder->BitsPerSample()};
  }
  int64_t Frames() const override { return FDecoder->Samples(); }
  void Seek(int64_t Frame) override {
    if (!FDecoder->Seek(Frame)) {
      throw ESourceError(
          "Sample " + std::to_string(Frame) + " lies outside " + FDecoder->FileName(),
          TSourceFault::Unknown, FDecoder->FileName());
    }
  }
  int64_t Read(uint8_t* Dest, int64_t Count) override {
    return Decoding(FDecoder->FileName(), FDecoder->SampleRate(),
                    [&] { return FDecoder->Read(Dest, Count); });
  }

 private:
  std::unique_ptr<TTtaDecoder> FDecoder;
};

}  // namespace

std::unique_ptr<TStreamDecoder> OpenTtaDecoder(const std::string& FileName) {
  return std::make_unique<TTtaStreamDecoder>(FileName);
}

}  // namespace corvane
