// The five decoder entry points of libMACDll.so, the only symbols the library exports.
// Nothing may leave them as a C++ exception: every failure becomes an error code.

#include <memory>
#include <new>
#include <type_traits>

#include "ApeDecoder.h"
#include "MACDllApi.h"

#define MACDLL_EXPORT extern "C" __attribute__((visibility("default")))

using corvane::macdll::TApeDecoder;
using corvane::macdll::TMacError;

namespace {

TApeDecoder* DecoderOf(APE_DECOMPRESS_HANDLE Handle) {
  return static_cast<TApeDecoder*>(Handle);
}

}  // namespace

MACDLL_EXPORT APE_DECOMPRESS_HANDLE c_APEDecompress_Create(const char* FileName,
                                                           int32_t* ErrorCode) {
  int32_t code = MAC_ERROR_SUCCESS;
  std::unique_ptr<TApeDecoder> decoder;
  try {
    decoder = std::make_unique<TApeDecoder>(FileName);
  } catch (const TMacError& Error) {
    code = Error.Code;
  } catch (const std::bad_alloc&) {
    code = MAC_ERROR_INSUFFICIENT_MEMORY;
  } catch (...) {
    code = MAC_ERROR_INVALID_INPUT_FILE;
  }
  // A file we recognise but do not decode, or whose two headers disagree, keeps its handle,
  // so its caller can describe it.
  if (decoder && decoder->OpenError() != 0) code = decoder->OpenError();
  if (ErrorCode != nullptr) *ErrorCode = code;
  return decoder.release();  // owned by the caller until c_APEDecompress_Destroy
}

MACDLL_EXPORT int32_t c_APEDecompress_Destroy(APE_DECOMPRESS_HANDLE Handle) {
  delete DecoderOf(Handle);
  return MAC_ERROR_SUCCESS;
}

MACDLL_EXPORT int32_t c_APEDecompress_GetData(APE_DECOMPRESS_HANDLE Handle, uint8_t* Buffer,
                                              int64_t Frames, int64_t* Delivered) {
  int64_t count = 0;
  int32_t result = MAC_ERROR_INVALID_PARAMETER;
  if (Handle != nullptr) {
    try {
      result = DecoderOf(Handle)->Read(Buffer, Frames, count);
    } catch (...) {
      result = MAC_ERROR_DECOMPRESSING_FRAME;
    }
  }
  if (Delivered != nullptr) *Delivered = count;
  return result;
}

MACDLL_EXPORT int64_t c_APEDecompress_GetInfo(APE_DECOMPRESS_HANDLE Handle, int32_t Field,
                                              int64_t /*Param1*/, int64_t /*Param2*/) {
  if (Handle == nullptr) return 0;
  const TApeDecoder& decoder = *DecoderOf(Handle);
  switch (Field) {
    case APE_INFO_FILE_VERSION:
      return decoder.Version();
    case APE_INFO_SAMPLE_RATE:
      return decoder.SampleRate();
    case APE_INFO_BITS_PER_SAMPLE:
      return decoder.BitsPerSample();
    case APE_INFO_CHANNELS:
      return decoder.Channels();
    case APE_INFO_BLOCKS_PER_FRAME:
      return decoder.BlocksPerFrame();
    case APE_INFO_WAV_DATA_BYTES:
      return decoder.TotalFrames() * decoder.FrameBytes();
    case APE_DECOMPRESS_LENGTH_MS:
      return decoder.SampleRate() > 0 ? decoder.TotalFrames() * 1000 / decoder.SampleRate() : 0;
    case APE_INFO_WAV_SAMPLE_RATE:
      return decoder.Header().StoredWav ? decoder.Header().StoredWav->SampleRate : 0;
    case APE_INFO_WAV_BITS_PER_SAMPLE:
      return decoder.Header().StoredWav ? decoder.Header().StoredWav->BitsPerSample : 0;
    case APE_INFO_WAV_CHANNELS:
      return decoder.Header().StoredWav ? decoder.Header().StoredWav->Channels : 0;
    default:
      return 0;
  }
}

MACDLL_EXPORT int32_t c_APEDecompress_Seek(APE_DECOMPRESS_HANDLE Handle, int64_t Frame) {
  if (Handle == nullptr) return MAC_ERROR_INVALID_PARAMETER;
  try {
    return DecoderOf(Handle)->Seek(Frame);
  } catch (...) {
    return MAC_ERROR_DECOMPRESSING_FRAME;
  }
}

// The binding resolves each entry point into a pointer of the interface's type: keep the
// definitions and the types in step.
static_assert(std::is_same_v<decltype(&c_APEDecompress_Create), proc_APEDecompress_Create>);
static_assert(std::is_same_v<decltype(&c_APEDecompress_Destroy), proc_APEDecompress_Destroy>);
static_assert(std::is_same_v<decltype(&c_APEDecompress_GetData), proc_APEDecompress_GetData>);
static_assert(std::is_same_v<decltype(&c_APEDecompress_GetInfo), proc_APEDecompress_GetInfo>);
static_assert(std::is_same_v<decltype(&c_APEDecompress_Seek), proc_APEDecompress_Seek>);
