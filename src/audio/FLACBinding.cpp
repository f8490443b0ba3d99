#include "FLACBinding.h"

#include <limits>

#include "DynamicLibrary.h"

namespace corvane {
namespace {

// Process-wide; see LibFLAC() for who writes them.
TDynamicLibrary& Library() {
  static TDynamicLibrary library;
  return library;
}
TLibFLAC Table;
bool Loaded = false;
const char* const kFirstChoice = "libFLAC.so.12";
std::string FileName = kFirstChoice;

bool ResolveAll(const TDynamicLibrary& From, TLibFLAC& Into) {
  bool all = true;
#define CORVANE_FLAC_RESOLVE(Name) all = From.Resolve("FLAC__" #Name, Into.Name) && all;
  CORVANE_FLAC_ENTRY_POINTS(CORVANE_FLAC_RESOLVE)
#undef CORVANE_FLAC_RESOLVE
  return all;
}

}  // namespace

bool LoadLibFLACFrom(const std::vector<std::string>& Candidates) {
  UnloadLibFLAC();
  FileName = Candidates.empty() ? kFirstChoice : LibraryFileName(Candidates.front());
  // A library of that name without every entry point is no use: try the next one.
  for (const std::string& candidate : Candidates) {
    TDynamicLibrary library({candidate});
    TLibFLAC table;
    if (!library.Loaded() || !ResolveAll(library, table)) continue;
    Library() = std::move(library);
    Table = table;
    Loaded = true;
    FileName = LibraryFileName(candidate);
    return true;
  }
  return false;
}

bool LoadLibFLAC() {
  if (Loaded) return true;
  return LoadLibFLACFrom({kFirstChoice, "libFLAC.so"});
}

bool LibFLACLoaded() {
  return Loaded;
}

const std::string& LibFLACFileName() {
  return FileName;
}

const TLibFLAC& LibFLAC() {
  return Table;
}

TLibFLAC& LibFLACForTest() {
  return Table;
}

void UnloadLibFLAC() {
  Loaded = false;
  Table = TLibFLAC{};
  Library() = TDynamicLibrary();
}

void TFLACEncoder::TDeleter::operator()(FLAC__StreamEncoder* Encoder) const {
  LibFLAC().stream_encoder_delete(Encoder);
}

TFLACEncoder::TFLACEncoder() : FHandle(LibFLAC().stream_encoder_new()) {}

TFLACEncoder::~TFLACEncoder() = default;

FLAC__StreamEncoderInitStatus TFLACEncoder::Init(TFile& Stream) {
  FStream = &Stream;
  // The seek and tell callbacks let the library go back and complete the stream information
  // (total samples, MD5) once the last frame is written.
  const FLAC__StreamEncoderInitStatus status = LibFLAC().stream_encoder_init_stream(
      FHandle.get(), &EncoderWriteCallback, &EncoderSeekCallback, &EncoderTellCallback, nullptr,
      this);
  FStarted = status == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
  FInitStatus = status;
  return status;
}

std::string TFLACEncoder::LibraryState() const {
  const TLibFLAC& flac = LibFLAC();
  // An init status of "encoder error" says no more than that the encoder's state has the
  // reason.
  if (FInitStatus != FLAC__STREAM_ENCODER_INIT_STATUS_OK &&
      FInitStatus != FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR) {
    return (*flac.StreamEncoderInitStatusString)[FInitStatus];
  }
  return (*flac.StreamEncoderStateString)[flac.stream_encoder_get_state(FHandle.get())];
}

void TFLACEncoder::ReservePadding(uint32_t Bytes) {
  FPadding = FLAC__StreamMetadata{};
  FPadding.type = FLAC__METADATA_TYPE_PADDING;
  FPadding.length = Bytes;
  LibFLAC().stream_encoder_set_metadata(FHandle.get(), FMetadata, 1);
}

bool TFLACEncoder::ProcessInterleaved(const FLAC__int32* Samples, uint32_t Frames) {
  return LibFLAC().stream_encoder_process_interleaved(FHandle.get(), Samples, Frames) != 0;
}

bool TFLACEncoder::Finish() {
  if (!FStarted) return true;
  FStarted = false;
  return LibFLAC().stream_encoder_finish(FHandle.get()) != 0;
}

bool TFLACEncoder::Kept(bool Succeeded) noexcept {
  if (Succeeded || FFileFailure) return Succeeded;
  try {
    FFileFailure = FStream->Error();
  } catch (...) {
    // Out of memory for the message: the library still hears of the failure.
  }
  return false;
}

FLAC__StreamEncoderWriteStatus TFLACEncoder::EncoderWriteCallback(const FLAC__StreamEncoder*,
                                                                  const FLAC__byte Buffer[],
                                                                  size_t Bytes, uint32_t, uint32_t,
                                                                  void* ClientData) noexcept {
  auto& encoder = *static_cast<TFLACEncoder*>(ClientData);
  const bool written = encoder.Kept(encoder.FStream->Write(Buffer, static_cast<int64_t>(Bytes)));
  return written ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                 : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus TFLACEncoder::EncoderSeekCallback(const FLAC__StreamEncoder*,
                                                                FLAC__uint64 AbsoluteByteOffset,
                                                                void* ClientData) noexcept {
  if (AbsoluteByteOffset > static_cast<FLAC__uint64>(std::numeric_limits<int64_t>::max())) {
    return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
  }
  auto& encoder = *static_cast<TFLACEncoder*>(ClientData);
  const bool sought = encoder.Kept(encoder.FStream->Seek(static_cast<int64_t>(AbsoluteByteOffset)));
  return sought ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus TFLACEncoder::EncoderTellCallback(const FLAC__StreamEncoder*,
                                                                FLAC__uint64* AbsoluteByteOffset,
                                                                void* ClientData) noexcept {
  auto& encoder = *static_cast<TFLACEncoder*>(ClientData);
  const int64_t position = encoder.FStream->Position();
  if (position >= 0) *AbsoluteByteOffset = static_cast<FLAC__uint64>(position);
  const bool told = encoder.Kept(position >= 0);
  return told ? FLAC__STREAM_ENCODER_TELL_STATUS_OK : FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
}

}  // namespace corvane
