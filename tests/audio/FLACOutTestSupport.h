#pragma once

// What the suites of the FLAC sink share: test PCM, the checks on what a run leaves behind,
// the recording wrappers in front of libFLAC, and the fixture that loads the library.

#include <FLAC/stream_encoder.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FLACBinding.h"
#include "FrameworkDoubles.h"
#include "PcmSignal.h"
#include "ScratchDir.h"
#include "SinkRun.h"

namespace corvane::test {

// The values every depth gets wrong first (full scale, -1, the sign bit), then a tone.
inline std::vector<uint8_t> MakeTestPcm(const TPcmFormat& Format, int64_t Frames) {
  std::vector<uint8_t> pcm = test::MakePcm(Format, Frames, test::TSignal::Tone);
  const int bytes = Format.BitsPerSample / 8;
  const int64_t top = (int64_t{1} << (Format.BitsPerSample - 1)) - 1;
  const int64_t pattern[] = {-top - 1, top, 0, -1, 1, -top, top - 1};
  const int64_t samples = std::min<int64_t>(Frames * Format.Channels, 700);
  for (int64_t i = 0; i < samples; ++i) {
    int64_t value = pattern[i % 7];
    if (bytes == 1) value += 128;
    for (int b = 0; b < bytes; ++b)
      pcm[static_cast<size_t>(i * bytes + b)] = static_cast<uint8_t>(value >> (8 * b));
  }
  return pcm;
}

inline bool IsOpenHere(const std::string& Path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    if (std::filesystem::read_symlink(entry.path(), error) == Path) return true;
  }
  return false;
}

inline bool Exists(const std::string& Path) {
  return std::filesystem::exists(Path);
}

// Temporary files of runs left in Folder: every run must take its own away or rename it.
inline std::vector<std::string> Leftovers(const std::string& Folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".corvane-") != std::string::npos) names.push_back(name);
  }
  return names;
}

// An older file at the output name, which only a complete run may replace.
inline const std::vector<uint8_t> kOldFile(5000, 0x4F);

// What the library was told, recorded by wrappers put in front of its functions.
struct TCall {
  std::string Name;
  uint64_t Value;
  bool operator==(const TCall&) const = default;
};
inline std::ostream& operator<<(std::ostream& Out, const TCall& Call) {
  return Out << Call.Name << "=" << Call.Value;
}

// The encoder's settings once it started, as its own getters report them.
struct TResolved {
  uint32_t BlockSize, MaxLPCOrder, MinPartition, MaxPartition, QLPPrecision;
  bool MidSide, LooseMidSide, Exhaustive;
};

struct TLog {
  std::mutex Mutex;
  std::vector<TCall> Calls;
  std::vector<uint32_t> Frames;  // per process_interleaved
  std::optional<TResolved> Resolved;
  TLibFLAC Real;
};
inline TLog& Log() {
  static TLog log;
  return log;
}
inline void Record(const char* Name, uint64_t Value) {
  std::lock_guard lock(Log().Mutex);
  Log().Calls.push_back({Name, Value});
}

class TRecordingLibFLAC {
 public:
  TRecordingLibFLAC() {
    {
      std::lock_guard lock(Log().Mutex);
      Log().Calls.clear();
      Log().Frames.clear();
      Log().Resolved.reset();
      Log().Real = LibFLAC();
    }
    TLibFLAC& table = LibFLACForTest();
#define CORVANE_RECORD(Name)                                                   \
  table.stream_encoder_##Name = [](FLAC__StreamEncoder* Encoder, auto Value) { \
    Record(#Name, static_cast<uint64_t>(Value));                               \
    return Log().Real.stream_encoder_##Name(Encoder, Value);                   \
  };
    CORVANE_RECORD(set_verify)
    CORVANE_RECORD(set_streamable_subset)
    CORVANE_RECORD(set_channels)
    CORVANE_RECORD(set_bits_per_sample)
    CORVANE_RECORD(set_sample_rate)
    CORVANE_RECORD(set_do_mid_side_stereo)
    CORVANE_RECORD(set_loose_mid_side_stereo)
    CORVANE_RECORD(set_blocksize)
    CORVANE_RECORD(set_max_lpc_order)
    CORVANE_RECORD(set_qlp_coeff_precision)
    CORVANE_RECORD(set_do_qlp_coeff_prec_search)
    CORVANE_RECORD(set_min_residual_partition_order)
    CORVANE_RECORD(set_max_residual_partition_order)
    CORVANE_RECORD(set_do_exhaustive_model_search)
    CORVANE_RECORD(set_total_samples_estimate)
#undef CORVANE_RECORD
    table.stream_encoder_init_stream =
        [](FLAC__StreamEncoder* Encoder, FLAC__StreamEncoderWriteCallback Write,
           FLAC__StreamEncoderSeekCallback Seek, FLAC__StreamEncoderTellCallback Tell,
           FLAC__StreamEncoderMetadataCallback Metadata, void* Client) {
          Record("init_stream", 0);
          const auto status =
              Log().Real.stream_encoder_init_stream(Encoder, Write, Seek, Tell, Metadata, Client);
          if (status == FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            std::lock_guard lock(Log().Mutex);
            Log().Resolved =
                TResolved{FLAC__stream_encoder_get_blocksize(Encoder),
                          FLAC__stream_encoder_get_max_lpc_order(Encoder),
                          FLAC__stream_encoder_get_min_residual_partition_order(Encoder),
                          FLAC__stream_encoder_get_max_residual_partition_order(Encoder),
                          FLAC__stream_encoder_get_qlp_coeff_precision(Encoder),
                          FLAC__stream_encoder_get_do_mid_side_stereo(Encoder) != 0,
                          FLAC__stream_encoder_get_loose_mid_side_stereo(Encoder) != 0,
                          FLAC__stream_encoder_get_do_exhaustive_model_search(Encoder) != 0};
          }
          return status;
        };
    table.stream_encoder_process_interleaved = [](FLAC__StreamEncoder* Encoder,
                                                  const FLAC__int32 Buffer[], uint32_t Frames) {
      {
        std::lock_guard lock(Log().Mutex);
        Log().Frames.push_back(Frames);
      }
      return Log().Real.stream_encoder_process_interleaved(Encoder, Buffer, Frames);
    };
  }
  ~TRecordingLibFLAC() {
    LibFLACForTest() = Log().Real;
  }
  TRecordingLibFLAC(const TRecordingLibFLAC&) = delete;
  TRecordingLibFLAC& operator=(const TRecordingLibFLAC&) = delete;

  static std::vector<TCall> Calls() {
    std::lock_guard lock(Log().Mutex);
    return Log().Calls;
  }
  static std::vector<uint32_t> Frames() {
    std::lock_guard lock(Log().Mutex);
    return Log().Frames;
  }
  static std::optional<TResolved> Resolved() {
    std::lock_guard lock(Log().Mutex);
    return Log().Resolved;
  }
  static std::optional<uint64_t> Value(const std::string& Name) {
    for (const TCall& call : Calls()) {
      if (call.Name == Name) return call.Value;
    }
    return std::nullopt;
  }
};

class FLACOut : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadLibFLAC()); }
  TScratchDir Dir;
};

}  // namespace corvane::test

// What every part of the sink's suites takes from the support code.
namespace corvane {
using test::Exists;
using test::FLACOut;
using test::IsOpenHere;
using test::kOldFile;
using test::Leftovers;
using test::MakeTestPcm;
using test::TCall;
using test::TPcmFormat;
using test::TPcmSource;
using test::TRecordingLibFLAC;
using test::TResolved;
using test::TScratchDir;
using test::TSinkRun;
}  // namespace corvane
