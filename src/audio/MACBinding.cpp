#include "MACBinding.h"

#include <dlfcn.h>

#include <memory>
#include <utility>

#include "ACSException.h"
#include "DynamicLibrary.h"
#include "MACDllApi.h"

namespace corvane {
namespace {

const char* const LibraryName = "libMACDll.so";

struct TMACDllBinding {
  TDynamicLibrary Library;
  proc_APEDecompress_Create Create = nullptr;
  proc_APEDecompress_Destroy Destroy = nullptr;
  proc_APEDecompress_GetData GetData = nullptr;
  proc_APEDecompress_GetInfo GetInfo = nullptr;
  proc_APEDecompress_Seek Seek = nullptr;
};

// Written at start-up (and by tests) while no decoder exists; read by every decoder.
std::unique_ptr<TMACDllBinding>& Binding() {
  static std::unique_ptr<TMACDllBinding> binding;
  return binding;
}
// Written and read as Binding() is.
std::string& FileName() {
  static std::string name = LibraryName;
  return name;
}

std::unique_ptr<TMACDllBinding> Bind(TDynamicLibrary Library) {
  auto binding = std::make_unique<TMACDllBinding>();
  binding->Library = std::move(Library);
  const TDynamicLibrary& library = binding->Library;
  const bool complete = library.Resolve("c_APEDecompress_Create", binding->Create) &&
                        library.Resolve("c_APEDecompress_Destroy", binding->Destroy) &&
                        library.Resolve("c_APEDecompress_GetData", binding->GetData) &&
                        library.Resolve("c_APEDecompress_GetInfo", binding->GetInfo) &&
                        library.Resolve("c_APEDecompress_Seek", binding->Seek);
  return complete ? std::move(binding) : nullptr;
}

const TMACDllBinding& Loaded() {
  if (!Binding()) throw EACSException(LibraryNotLoadedText(FileName()));
  return *Binding();
}

}  // namespace

bool LoadMACDll() {
  if (MACDllLoaded()) return true;
  std::vector<std::string> candidates;
  const std::string folder = ExecutableFolder();
  if (!folder.empty()) candidates.push_back(folder + LibraryName);
  candidates.emplace_back(LibraryName);
  return LoadMACDllFrom(candidates);
}

bool MACDllLoaded() {
  return Binding() != nullptr;
}

const std::string& MACDllFileName() {
  return FileName();
}

bool LoadMACDllFrom(const std::vector<std::string>& Candidates) {
  UnloadMACDll();
  FileName() = Candidates.empty() ? LibraryName : LibraryFileName(Candidates.front());
  // A library of that name without the decoder entry points is no use: try the next one.
  for (const std::string& candidate : Candidates) {
    TDynamicLibrary library({candidate});
    if (!library.Loaded()) continue;
    Binding() = Bind(std::move(library));
    if (!Binding()) continue;
    FileName() = LibraryFileName(candidate);
    // Once loaded, the library stays mapped until the process ends, even after it is
    // released: a reload (tests make them) then finds it as it was, its static state included.
    ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return true;
  }
  return false;
}

void UnloadMACDll() {
  Binding().reset();
}

std::string MACErrorText(int32_t Code) {
  struct TErrorText {
    int32_t Code;
    const char* Text;
  };
  static constexpr TErrorText Texts[] = {
      {0, "OK"},
      {1000, "I/O read error"},
      {1001, "I/O write error"},
      {1002, "invalid input file"},
      {1003, "invalid output file"},
      {1004, "input file file too large"},
      {1005, "input file unsupported bit depth"},
      {1006, "input file unsupported sample rate"},
      {1007, "input file unsupported channel count"},
      {1008, "input file too small"},
      {1009, "invalid checksum"},
      {1010, "decompressing frame"},
      {1011, "initializing unmac"},
      {1012, "invalid function parameter"},
      {1013, "unsupported file type"},
      {MAC_ERROR_DAMAGED_SEEK_TABLE, "damaged seek table"},
      {MAC_ERROR_HEADER_MISMATCH, "damaged header"},
      {2000, "insufficient memory"},
      {3000, "loading MAC.dll"},
      {3001, "loading MACinfo.dll"},
      {3002, "loading UnMAC.dll"},
      {4000, "user stopped processing"},
      {4001, "skipped..."},
      {5000, "bad parameter"},
      {6000, "APE compress too much data"},
  };
  for (const TErrorText& entry : Texts) {
    if (entry.Code == Code) return entry.Text;
  }
  return "undefined (" + std::to_string(Code) + ")";
}

TSourceFault SourceFaultOfCode(int32_t Code) {
  switch (Code) {
    case MAC_ERROR_IO_READ:
      return TSourceFault::Unreadable;
    case MAC_ERROR_INVALID_INPUT_FILE:
    case 1008:  // too small to be one
      return TSourceFault::NotThisFormat;
    case 1005:  // unsupported bit depth
    case 1006:  // unsupported sample rate
    case 1007:  // unsupported channel count
    case 1013:  // unsupported file type
      return TSourceFault::Unsupported;
    case 1009:  // invalid checksum
    case MAC_ERROR_DECOMPRESSING_FRAME:
    case MAC_ERROR_DAMAGED_SEEK_TABLE:
    case MAC_ERROR_HEADER_MISMATCH:
      return TSourceFault::Damaged;
    case MAC_ERROR_INSUFFICIENT_MEMORY:
      return TSourceFault::OutOfMemory;
    default:
      return TSourceFault::Unknown;
  }
}

namespace {

std::string DecoderErrorText(int32_t Code, const std::string& Detail = {}) {
  return "MACDll error: " + MACErrorText(Code) + (Detail.empty() ? "" : " (" + Detail + ")");
}

}  // namespace

EAPEException::EAPEException(int32_t Code)
    : ESourceError(DecoderErrorText(Code), SourceFaultOfCode(Code)), FCode(Code) {}

EAPEException::EAPEException(int32_t Code, const std::string& Detail, std::string FileName)
    : ESourceError(DecoderErrorText(Code, Detail), SourceFaultOfCode(Code), std::move(FileName)),
      FCode(Code) {}

EAPEException::EAPEException(int32_t Code, std::string FileName, double DamagedAt)
    : ESourceError(DecoderErrorText(Code), SourceFaultOfCode(Code), std::move(FileName), DamagedAt),
      FCode(Code) {}

std::string ApeFormatText(int64_t Version, int64_t BitsPerSample, int64_t Channels) {
  const int64_t hundredths = (Version % 1000) / 10;
  std::string text = "Monkey's Audio " + std::to_string(Version / 1000) + "." +
                     (hundredths < 10 ? "0" : "") + std::to_string(hundredths);
  if (BitsPerSample > 0) text += ", " + std::to_string(BitsPerSample) + "-bit";
  if (Channels > 0) {
    text += ", " + std::to_string(Channels) + (Channels == 1 ? " channel" : " channels");
  }
  return text + ", is not supported";
}

namespace {

// A PCM format as the library's fields give it.
struct TPcmFields {
  int64_t SampleRate;
  int64_t BitsPerSample;
  int64_t Channels;
};

// "the header says 44102 Hz but the stored WAV header says 44100 Hz": each field on which a
// file's header and its stored WAV header disagree.
std::string HeaderMismatchText(const TPcmFields& Header, const TPcmFields& Wav) {
  const auto rate = [](int64_t Rate) { return std::to_string(Rate) + " Hz"; };
  const auto depth = [](int64_t Bits) { return std::to_string(Bits) + "-bit"; };
  const auto channels = [](int64_t Count) {
    return std::to_string(Count) + (Count == 1 ? " channel" : " channels");
  };
  std::string text;
  const auto add = [&text](const std::string& Said, const std::string& Stored) {
    if (!text.empty()) text += "; ";
    text += "the header says " + Said + " but the stored WAV header says " + Stored;
  };
  if (Header.SampleRate != Wav.SampleRate) add(rate(Header.SampleRate), rate(Wav.SampleRate));
  if (Header.BitsPerSample != Wav.BitsPerSample) {
    add(depth(Header.BitsPerSample), depth(Wav.BitsPerSample));
  }
  if (Header.Channels != Wav.Channels) add(channels(Header.Channels), channels(Wav.Channels));
  return text;
}

}  // namespace

TAPEDecompress::TAPEDecompress(std::string FileName) : FFileName(std::move(FileName)) {
  FHandle = Loaded().Create(FFileName.c_str(), &FErrorCode);
  if (FErrorCode != 0) {
    // The library may hand back a handle even when it fails; it is ours to release. For a
    // Monkey's Audio file it does not decode, the handle still describes the file, so the
    // user learns which version it is; for one whose headers disagree, on what.
    std::string detail;
    if (FHandle != nullptr) {
      const TMACDllBinding& library = Loaded();
      const auto info = [&](int32_t Field) { return library.GetInfo(FHandle, Field, 0, 0); };
      if (FErrorCode == MAC_ERROR_INVALID_INPUT_FILE) {
        const int64_t version = info(APE_INFO_FILE_VERSION);
        if (version > 0) {
          detail = ApeFormatText(version, info(APE_INFO_BITS_PER_SAMPLE), info(APE_INFO_CHANNELS));
        }
      } else if (FErrorCode == MAC_ERROR_HEADER_MISMATCH) {
        detail = HeaderMismatchText(
            {info(APE_INFO_SAMPLE_RATE), info(APE_INFO_BITS_PER_SAMPLE), info(APE_INFO_CHANNELS)},
            {info(APE_INFO_WAV_SAMPLE_RATE), info(APE_INFO_WAV_BITS_PER_SAMPLE),
             info(APE_INFO_WAV_CHANNELS)});
      }
      library.Destroy(FHandle);
      FHandle = nullptr;
    }
    // A damaged file is named: of a cue track's several files, the user learns which.
    const bool damaged = SourceFaultOfCode(FErrorCode) == TSourceFault::Damaged;
    throw EAPEException(FErrorCode, detail, damaged ? FFileName : std::string());
  }
}

TAPEDecompress::~TAPEDecompress() {
  if (FHandle != nullptr && Binding()) Binding()->Destroy(FHandle);
}

int32_t TAPEDecompress::GetData(uint8_t* Dest, int64_t Frames, int64_t& Delivered) {
  Delivered = 0;
  return Loaded().GetData(FHandle, Dest, Frames, &Delivered);
}

int64_t TAPEDecompress::GetInfo(int32_t Field, int64_t Param1, int64_t Param2) {
  return Loaded().GetInfo(FHandle, Field, Param1, Param2);
}

int32_t TAPEDecompress::Seek(int64_t Frame) {
  return Loaded().Seek(FHandle, Frame);
}

int64_t TAPEDecompress::SampleRate() {
  return GetInfo(APE_INFO_SAMPLE_RATE);
}
int TAPEDecompress::BitsPerSample() {
  return static_cast<int>(GetInfo(APE_INFO_BITS_PER_SAMPLE));
}
int TAPEDecompress::Channels() {
  return static_cast<int>(GetInfo(APE_INFO_CHANNELS));
}
int64_t TAPEDecompress::PcmBytes() {
  return GetInfo(APE_INFO_WAV_DATA_BYTES);
}
int64_t TAPEDecompress::LengthMs() {
  return GetInfo(APE_DECOMPRESS_LENGTH_MS);
}
int64_t TAPEDecompress::BlocksPerFrame() {
  return GetInfo(APE_INFO_BLOCKS_PER_FRAME);
}

}  // namespace corvane
