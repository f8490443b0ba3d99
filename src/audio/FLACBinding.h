#pragma once

// libFLAC, loaded at run time. The installed header gives the types only: the program is not
// linked against the library, so a machine without it still starts and reports it missing
// when the FLAC sink is created.

#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "File.h"

namespace corvane {

// Every entry point the FLAC sink calls, and the library's texts for its states, which the
// sink's error messages quote. The library counts as loaded only when all of them resolved: a
// half-resolved table would fail in the middle of a run instead of at start-up.
#define CORVANE_FLAC_ENTRY_POINTS(X)                 \
  X(stream_encoder_new)                              \
  X(stream_encoder_delete)                           \
  X(stream_encoder_set_verify)                       \
  X(stream_encoder_set_streamable_subset)            \
  X(stream_encoder_set_channels)                     \
  X(stream_encoder_set_bits_per_sample)              \
  X(stream_encoder_set_sample_rate)                  \
  X(stream_encoder_set_do_mid_side_stereo)           \
  X(stream_encoder_set_loose_mid_side_stereo)        \
  X(stream_encoder_set_blocksize)                    \
  X(stream_encoder_set_max_lpc_order)                \
  X(stream_encoder_set_qlp_coeff_precision)          \
  X(stream_encoder_set_do_qlp_coeff_prec_search)     \
  X(stream_encoder_set_min_residual_partition_order) \
  X(stream_encoder_set_max_residual_partition_order) \
  X(stream_encoder_set_do_exhaustive_model_search)   \
  X(stream_encoder_set_total_samples_estimate)       \
  X(stream_encoder_set_metadata)                     \
  X(stream_encoder_init_stream)                      \
  X(stream_encoder_get_blocksize)                    \
  X(stream_encoder_process_interleaved)              \
  X(stream_encoder_finish)                           \
  X(stream_encoder_get_state)                        \
  X(StreamEncoderStateString)                        \
  X(StreamEncoderInitStatusString)

// The resolved entry points, named as in the library without its "FLAC__" prefix (the texts are
// pointers to the library's arrays).
struct TLibFLAC {
#define CORVANE_FLAC_DECLARE(Name) decltype(&FLAC__##Name) Name = nullptr;
  CORVANE_FLAC_ENTRY_POINTS(CORVANE_FLAC_DECLARE)
#undef CORVANE_FLAC_DECLARE
};

// Loads libFLAC ("libFLAC.so.12", then "libFLAC.so") unless it is loaded already. Called by
// the program before any window exists; nothing is reported here when it fails.
bool LoadLibFLAC();
// True when the library is loaded and every entry point of TLibFLAC resolved.
bool LibFLACLoaded();
// The library's file name: the one loaded, else the first one looked for ("libFLAC.so.12",
// the name of the library the program is built for). Messages name it.
const std::string& LibFLACFileName();
// The entry points; all null while the library is not loaded. Written only while no encoder
// exists (at start-up, or by the test hooks below), read by every run afterwards.
const TLibFLAC& LibFLAC();

// Test hooks: load from the given candidates instead (replacing what is loaded), unload, and
// reach the table to put recording wrappers in front of the library's functions.
bool LoadLibFLACFrom(const std::vector<std::string>& Candidates);
void UnloadLibFLAC();
TLibFLAC& LibFLACForTest();

// One stream encoder of the library, writing into a TFile. Not movable: the library hands
// `this` back to the callbacks. Destroying an encoder that was not finished abandons it without
// writing anything more.
class TFLACEncoder {
 public:
  // Check Handle(): the library's constructor may give null.
  TFLACEncoder();
  TFLACEncoder(const TFLACEncoder&) = delete;
  TFLACEncoder& operator=(const TFLACEncoder&) = delete;
  ~TFLACEncoder();

  FLAC__StreamEncoder* Handle() const { return FHandle.get(); }
  // Asks for a padding block of Bytes behind the comment block, so that tags written into the
  // finished file later fit in place. Call before Init.
  void ReservePadding(uint32_t Bytes);
  // Starts the stream: writes the header into Stream, which must stay open until Finish.
  FLAC__StreamEncoderInitStatus Init(TFile& Stream);
  bool ProcessInterleaved(const FLAC__int32* Samples, uint32_t Frames);
  // Encodes what is buffered and rewrites the stream information at the start of the file;
  // false when any of that failed. Only the first call after Init does anything.
  bool Finish();
  // The file error behind the first failed write, seek or tell: the library itself only
  // learns that the call failed, the user needs to know it was, say, a full disk.
  const std::optional<TFileError>& FileFailure() const { return FFileFailure; }
  // The library's own name for what went wrong ("FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_
  // NUMBER_OF_CHANNELS", "FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA"): the status of a
  // failed Init, else the encoder's state.
  std::string LibraryState() const;

  // The callbacks given to the library. They never let an exception into it: a failed
  // write, seek or tell becomes the library's error status.
  static FLAC__StreamEncoderWriteStatus EncoderWriteCallback(const FLAC__StreamEncoder* Encoder,
                                                             const FLAC__byte Buffer[],
                                                             size_t Bytes, uint32_t Samples,
                                                             uint32_t CurrentFrame,
                                                             void* ClientData) noexcept;
  static FLAC__StreamEncoderSeekStatus EncoderSeekCallback(const FLAC__StreamEncoder* Encoder,
                                                           FLAC__uint64 AbsoluteByteOffset,
                                                           void* ClientData) noexcept;
  static FLAC__StreamEncoderTellStatus EncoderTellCallback(const FLAC__StreamEncoder* Encoder,
                                                           FLAC__uint64* AbsoluteByteOffset,
                                                           void* ClientData) noexcept;

 private:
  struct TDeleter {
    void operator()(FLAC__StreamEncoder* Encoder) const;
  };
  std::unique_ptr<FLAC__StreamEncoder, TDeleter> FHandle;
  // Passes on the result of a call on FStream; keeps the error of the first one that failed.
  bool Kept(bool Succeeded) noexcept;

  // The library keeps pointers to these until the stream is finished.
  FLAC__StreamMetadata FPadding{};
  FLAC__StreamMetadata* FMetadata[1] = {&FPadding};
  TFile* FStream = nullptr;  // not owned; set by Init
  bool FStarted = false;
  FLAC__StreamEncoderInitStatus FInitStatus = FLAC__STREAM_ENCODER_INIT_STATUS_OK;
  std::optional<TFileError> FFileFailure;
};

}  // namespace corvane
