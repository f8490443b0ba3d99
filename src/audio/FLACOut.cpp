#include "FLACOut.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "ACSException.h"
#include "DynamicLibrary.h"
#include "FLACBinding.h"

namespace corvane {
namespace {

// Widens Count samples of WAV-layout PCM (8-bit unsigned, wider little-endian signed) into
// the signed values the library takes.
void WidenSamples(const uint8_t* From, int64_t Count, int BytesPerSample, int32_t* To) {
  switch (BytesPerSample) {
    case 1:
      for (int64_t i = 0; i < Count; ++i) To[i] = static_cast<int32_t>(From[i]) - 128;
      break;
    case 2:
      for (int64_t i = 0; i < Count; ++i, From += 2) {
        To[i] = static_cast<int16_t>(static_cast<uint16_t>(From[0] | From[1] << 8));
      }
      break;
    case 3:
      for (int64_t i = 0; i < Count; ++i, From += 3) {
        const int32_t value = From[0] | From[1] << 8 | From[2] << 16;
        To[i] = (value ^ 0x800000) - 0x800000;  // sign of bit 23
      }
      break;
    case 4:
      for (int64_t i = 0; i < Count; ++i, From += 4) {
        To[i] = static_cast<int32_t>(
            static_cast<uint32_t>(From[0]) | static_cast<uint32_t>(From[1]) << 8 |
            static_cast<uint32_t>(From[2]) << 16 | static_cast<uint32_t>(From[3]) << 24);
      }
      break;
  }
}

// The length field has 24 bits, and libFLAC builds a whole block in a buffer that must stay
// below 16 MiB: it refuses a padding block of nearly that size.
constexpr uint32_t kMaxPadding = 0xFF0000;

// The library only learns that a write failed: then the text says what the disk said, else
// what the library says.
std::exception_ptr EncoderFailure(const char* Text, const TFLACEncoder& Encoder) {
  if (const std::optional<TFileError>& cause = Encoder.FileFailure()) {
    return std::make_exception_ptr(
        EFileError(std::string(Text) + " " + cause->Message, cause->FileName, cause->Code));
  }
  return std::make_exception_ptr(
      EACSException(std::string(Text) + " libFLAC: " + Encoder.LibraryState()));
}

[[noreturn]] void ThrowEncoderFailure(const char* Text, const TFLACEncoder& Encoder) {
  std::rethrow_exception(EncoderFailure(Text, Encoder));
}

}  // namespace

TFLACOut::TFLACOut() {
  if (!LibFLACLoaded()) throw EACSException(LibraryNotLoadedText(LibFLACFileName()));
}

TFLACOut::~TFLACOut() {
  ShutdownWorker();
}

void TFLACOut::SetBestModelSearch(bool Value) {
  FBestModelSearch = Value;
  if (Value) {
    FEnableMidSideStereo = true;
    FEnableLooseMidSideStereo = false;
  }
}

void TFLACOut::SetEnableLooseMidSideStereo(bool Value) {
  FEnableLooseMidSideStereo = Value;
  if (Value) FEnableMidSideStereo = true;
}

void TFLACOut::SetPaddingReserve(uint32_t Value) {
  FPaddingReserve = std::min(Value, kMaxPadding);
}

void TFLACOut::PrepareOutput() {
  if (FFileName.empty()) throw EACSException("File name is not assigned.");
  TACSInput* source = Input();
  if (source == nullptr) throw EACSException(kInputNotAssigned);
  // Not committed by now: its owner has given it up.
  FFinished.Discard();
  auto [file, stream] = TStagedFile::Create(FFileName);
  FRunFile = std::move(file);
  FStream = std::make_unique<TFile>(std::move(stream));
  try {
    FEndOfInput = false;
    FEncoder = std::make_unique<TFLACEncoder>();
    if (FEncoder->Handle() == nullptr) throw EACSException("Failed to initialize FLAC encoder.");
    source->BeginRead();
    FReadPassOpen = true;
    ConfigureEncoder(*source);
    if (FPcmTap) FPcmTap->Begin(source->SampleRate(), FChannels, FBytesPerSample * 8);
    if (FEncoder->Init(*FStream) != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
      ThrowEncoderFailure("Failed to initialize FLAC encoder.", *FEncoder);
    }
    // The library's block size, which is BlockSize unless that was 0 (library's choice).
    const int64_t frames = LibFLAC().stream_encoder_get_blocksize(FEncoder->Handle());
    FBlockBuffer.resize(static_cast<size_t>(frames * FChannels * FBytesPerSample));
    FSamples.resize(static_cast<size_t>(frames * FChannels));
  } catch (...) {
    CloseRun(false);
    throw;
  }
}

void TFLACOut::ConfigureEncoder(TACSInput& Source) {
  const int bits = Source.BitsPerSample();
  FChannels = Source.Channels();
  const int rate = Source.SampleRate();
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    throw EACSException("Cannot encode " + std::to_string(bits) + "-bit samples.");
  }
  FBytesPerSample = bits / 8;

  const TLibFLAC& flac = LibFLAC();
  FLAC__StreamEncoder* encoder = FEncoder->Handle();
  flac.stream_encoder_set_verify(encoder, FVerify);
  // Nonsense counts wrap to huge values, which the library refuses at Init.
  flac.stream_encoder_set_channels(encoder, static_cast<uint32_t>(FChannels));
  flac.stream_encoder_set_bits_per_sample(encoder, static_cast<uint32_t>(bits));
  flac.stream_encoder_set_sample_rate(encoder, static_cast<uint32_t>(rate));
  if (FChannels == 2) {
    flac.stream_encoder_set_do_mid_side_stereo(encoder, FEnableMidSideStereo);
    flac.stream_encoder_set_loose_mid_side_stereo(encoder, FEnableLooseMidSideStereo);
  }
  flac.stream_encoder_set_blocksize(encoder, FBlockSize);
  flac.stream_encoder_set_max_lpc_order(encoder, FMaxLPCOrder);
  // Quantised coefficients plus sample bits must fit the library's 32-bit arithmetic. The
  // lowered value stays in the property. 32-bit input leaves no room at all: 0 hands the
  // choice to the library.
  if (bits + FQLPCoeffPrecision > 31) {
    FQLPCoeffPrecision = static_cast<uint16_t>(std::max(0, 31 - bits));
  }
  flac.stream_encoder_set_qlp_coeff_precision(encoder, FQLPCoeffPrecision);
  flac.stream_encoder_set_do_qlp_coeff_prec_search(encoder, FQLPCoeffPrecisionSearch);
  flac.stream_encoder_set_min_residual_partition_order(encoder, FMinResidualPartitionOrder);
  flac.stream_encoder_set_max_residual_partition_order(encoder, FMaxResidualPartitionOrder);
  flac.stream_encoder_set_do_exhaustive_model_search(encoder, FBestModelSearch);
  // The streamable subset stops at 24 bits; the library refuses 32-bit input under it.
  if (bits == 32) flac.stream_encoder_set_streamable_subset(encoder, false);
  const int64_t size = Source.Size();
  if (size > 0 && FChannels > 0) {
    const double frames = std::nearbyint(static_cast<double>(size) / FBytesPerSample / FChannels);
    flac.stream_encoder_set_total_samples_estimate(encoder, static_cast<FLAC__uint64>(frames));
  }
  if (FPaddingReserve > 0) FEncoder->ReservePadding(FPaddingReserve);
}

bool TFLACOut::ProcessBlock(bool Abort) {
  if (!CanOutput()) return true;
  if (Abort || FEndOfInput) return false;
  const int64_t got = FillBlock();
  if (got == 0) return false;
  // A trailing partial frame cannot be encoded; the source delivers whole frames.
  const int64_t frames = got / (FBytesPerSample * FChannels);
  if (frames == 0) return true;
  if (FPcmTap) {
    FPcmTap->Add(FBlockBuffer.data(), static_cast<size_t>(frames * FChannels * FBytesPerSample));
  }
  WidenSamples(FBlockBuffer.data(), frames * FChannels, FBytesPerSample, FSamples.data());
  if (!FEncoder->ProcessInterleaved(FSamples.data(), static_cast<uint32_t>(frames))) {
    ThrowEncoderFailure("Failed to encode data.", *FEncoder);
  }
  return true;
}

int64_t TFLACOut::FillBlock() {
  const auto room = static_cast<int64_t>(FBlockBuffer.size());
  int64_t got = 0;
  TInputLockScope lock(*this);
  // No input any more: the source was destroyed during the run, which ends its data.
  TACSInput* source = Input();
  // Short reads do not end the block: the library gets whole blocks until the very end.
  while (got < room) {
    const int64_t count =
        source == nullptr ? 0 : source->ReadData(FBlockBuffer.data() + got, room - got);
    if (count <= 0) {
      FEndOfInput = true;
      break;
    }
    got += std::min(count, room - got);
  }
  return got;
}

void TFLACOut::FinishOutput() {
  // Only a run whose input ran out is complete: a stopped one, also one ended by destroying
  // the sink, is as short as a failed one.
  CloseRun(!RunFailed() && FEndOfInput);
}

void TFLACOut::CloseRun(bool Complete) {
  std::exception_ptr encodeError;
  if (FEncoder) {
    if (Complete && !FEncoder->Finish())
      encodeError = EncoderFailure("Failed to encode data.", *FEncoder);
    FEncoder.reset();
  }
  FBlockBuffer = std::vector<uint8_t>();
  FSamples = std::vector<int32_t>();

  std::exception_ptr closeError;
  if (FStream) {
    if (!FStream->Close()) closeError = std::make_exception_ptr(EFileError(FStream->Error()));
    FStream.reset();
  }

  std::exception_ptr readError;
  if (FReadPassOpen) {
    FReadPassOpen = false;
    TInputLockScope lock(*this);
    if (TACSInput* source = Input()) {
      try {
        source->EndRead();
      } catch (...) {
        readError = std::current_exception();
      }
    }
  }

  if (!(Complete && !encodeError && !closeError && !readError)) FRunFile.Discard();
  if (!Complete) return;
  if (encodeError) std::rethrow_exception(encodeError);
  if (closeError) std::rethrow_exception(closeError);
  if (readError) std::rethrow_exception(readError);
  if (FAutoCommit) {
    FRunFile.Commit();
  } else {
    FFinished = std::move(FRunFile);
  }
}

}  // namespace corvane
