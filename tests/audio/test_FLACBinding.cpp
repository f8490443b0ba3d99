#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <limits>

#include "ACSException.h"
#include "ChildProcess.h"
#include "FLACBinding.h"
#include "FLACOut.h"
#include "File.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::TScratchDir;

bool AnyEntryPointSet(const TLibFLAC& Table) {
  bool any = false;
#define CORVANE_FLAC_CHECK(Name) any = any || Table.Name != nullptr;
  CORVANE_FLAC_ENTRY_POINTS(CORVANE_FLAC_CHECK)
#undef CORVANE_FLAC_CHECK
  return any;
}

bool EveryEntryPointSet(const TLibFLAC& Table) {
  bool all = true;
#define CORVANE_FLAC_CHECK(Name) all = all && Table.Name != nullptr;
  CORVANE_FLAC_ENTRY_POINTS(CORVANE_FLAC_CHECK)
#undef CORVANE_FLAC_CHECK
  return all;
}

class FLACBinding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadLibFLAC()); }
  // Tests that unload or replace the library leave it loaded for the next one.
  void TearDown() override { ASSERT_TRUE(LoadLibFLAC()); }
};

TEST_F(FLACBinding, LoadsTheSystemLibraryOnceWithEveryEntryPoint) {
  ASSERT_TRUE(LoadLibFLAC());
  EXPECT_TRUE(LibFLACLoaded());
  EXPECT_TRUE(EveryEntryPointSet(LibFLAC()));
  const auto before = LibFLAC().stream_encoder_new;
  EXPECT_TRUE(LoadLibFLAC());
  EXPECT_EQ(LibFLAC().stream_encoder_new, before);
}

TEST_F(FLACBinding, MissingLibraryLeavesEverythingUnsetAndTheSinkRefusesToExist) {
  EXPECT_FALSE(LoadLibFLACFrom({"libFLAC-not-installed.so.99"}));
  EXPECT_FALSE(LibFLACLoaded());
  EXPECT_FALSE(AnyEntryPointSet(LibFLAC()));
  try {
    TFLACOut out;
    FAIL() << "created without the library";
  } catch (const EACSException& E) {
    EXPECT_STREQ(E.what(), "libFLAC-not-installed.so.99 library could not be loaded.");
  }
}

TEST_F(FLACBinding, LibraryWithoutTheEncoderIsNotCountedAsLoaded) {
  // libm loads fine but has none of the names: a half-usable library must not pass.
  EXPECT_FALSE(LoadLibFLACFrom({"libm.so.6"}));
  EXPECT_FALSE(LibFLACLoaded());
  EXPECT_FALSE(AnyEntryPointSet(LibFLAC()));
  EXPECT_THROW(TFLACOut(), EACSException);
}

TEST_F(FLACBinding, FallsBackToTheNextCandidateAndNamesTheOneLoaded) {
  EXPECT_EQ(LibFLACFileName(), "libFLAC.so.12");
  EXPECT_TRUE(LoadLibFLACFrom({"libFLAC-not-installed.so.99", "libm.so.6", "libFLAC.so.12"}));
  EXPECT_TRUE(LibFLACLoaded());
  EXPECT_EQ(LibFLACFileName(), "libFLAC.so.12");
  // Without any, the message names the first choice: the library the program is built for.
  EXPECT_FALSE(LoadLibFLACFrom({"/opt/none/libFLAC.so.12", "libFLAC-not-installed.so"}));
  EXPECT_EQ(LibFLACFileName(), "libFLAC.so.12");
}

// An encoder started on a real file, so that the callbacks can be driven by hand.
struct TStartedEncoder {
  explicit TStartedEncoder(const std::string& Path) : Stream(TFile::Create(Path)) {
    const TLibFLAC& flac = LibFLAC();
    flac.stream_encoder_set_channels(Encoder.Handle(), 2);
    flac.stream_encoder_set_bits_per_sample(Encoder.Handle(), 16);
    flac.stream_encoder_set_sample_rate(Encoder.Handle(), 44100);
    Status = Encoder.Init(Stream);
  }
  void* Client() { return &Encoder; }

  TFile Stream;
  TFLACEncoder Encoder;  // after Stream: released first
  FLAC__StreamEncoderInitStatus Status;
};

FLAC__StreamEncoderWriteStatus Write(void* Client, const std::string& Bytes) {
  return TFLACEncoder::EncoderWriteCallback(
      nullptr, reinterpret_cast<const FLAC__byte*>(Bytes.data()), Bytes.size(), 0, 0, Client);
}

TEST_F(FLACBinding, CallbacksWriteSeekAndTellTheOutputFile) {
  TScratchDir dir;
  const std::string path = dir.File("callbacks.flac");
  TStartedEncoder started(path);
  ASSERT_EQ(started.Status, FLAC__STREAM_ENCODER_INIT_STATUS_OK);
  const int64_t header = started.Stream.Position();
  EXPECT_GT(header, 4);

  EXPECT_EQ(Write(started.Client(), "ABCD"), FLAC__STREAM_ENCODER_WRITE_STATUS_OK);
  EXPECT_EQ(TFLACEncoder::EncoderSeekCallback(nullptr, 0, started.Client()),
            FLAC__STREAM_ENCODER_SEEK_STATUS_OK);
  EXPECT_EQ(Write(started.Client(), "X"), FLAC__STREAM_ENCODER_WRITE_STATUS_OK);
  FLAC__uint64 at = 99;
  EXPECT_EQ(TFLACEncoder::EncoderTellCallback(nullptr, &at, started.Client()),
            FLAC__STREAM_ENCODER_TELL_STATUS_OK);
  EXPECT_EQ(at, 1u);

  const auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(header + 4));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "XLaC");  // the seek reached byte 0
  EXPECT_EQ(std::string(bytes.end() - 4, bytes.end()), "ABCD");
}

TEST_F(FLACBinding, SeekReachesOffsetsPastFourGibibytes) {
  TScratchDir dir;
  const std::string path = dir.File("big.flac");
  TStartedEncoder started(path);
  ASSERT_EQ(started.Status, FLAC__STREAM_ENCODER_INIT_STATUS_OK);
  const FLAC__uint64 far = (FLAC__uint64{5} << 30) + 3;  // cut to 32 bits this would be 3
  ASSERT_EQ(TFLACEncoder::EncoderSeekCallback(nullptr, far, started.Client()),
            FLAC__STREAM_ENCODER_SEEK_STATUS_OK);
  ASSERT_EQ(Write(started.Client(), "END"), FLAC__STREAM_ENCODER_WRITE_STATUS_OK);
  FLAC__uint64 at = 0;
  ASSERT_EQ(TFLACEncoder::EncoderTellCallback(nullptr, &at, started.Client()),
            FLAC__STREAM_ENCODER_TELL_STATUS_OK);
  EXPECT_EQ(at, far + 3);
  EXPECT_EQ(std::filesystem::file_size(path), far + 3);  // sparse: no space is used

  EXPECT_EQ(TFLACEncoder::EncoderSeekCallback(nullptr, std::numeric_limits<FLAC__uint64>::max(),
                                              started.Client()),
            FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR);
}

TEST_F(FLACBinding, WriteCallbackFailsOnAShortWriteWithoutThrowing) {
  TScratchDir dir;
  const std::string path = dir.File("short.flac");
  const std::string verdict = test::RunInChild({.FileSizeLimit = 100}, [&]() -> std::string {
    TStartedEncoder started(path);
    if (started.Status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) return "init failed";
    started.Stream.Seek(90);
    // 10 of the 20 bytes fit under the limit: the rest must not be dropped silently.
    const auto status = Write(started.Client(), std::string(20, 'x'));
    if (status != FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR) return "short write passed";
    return "";
  });
  EXPECT_EQ(verdict, "");
  EXPECT_EQ(std::filesystem::file_size(path), 100u);
}

TEST_F(FLACBinding, FailedTellOrSeekFailsTheStartWithoutThrowing) {
  // A pipe has no positions: the library asks where the audio starts and must be told no.
  TScratchDir dir;
  const std::string path = dir.File("pipe.flac");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  TStartedEncoder started(path);
  EXPECT_NE(started.Status, FLAC__STREAM_ENCODER_INIT_STATUS_OK);
  EXPECT_EQ(TFLACEncoder::EncoderSeekCallback(nullptr, 0, started.Client()),
            FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR);
  FLAC__uint64 at = 0;
  EXPECT_EQ(TFLACEncoder::EncoderTellCallback(nullptr, &at, started.Client()),
            FLAC__STREAM_ENCODER_TELL_STATUS_ERROR);
}

TEST_F(FLACBinding, AnEncoderDestroyedUnfinishedWritesNothingMore) {
  TScratchDir dir;
  const std::string path = dir.File("abandoned.flac");
  uintmax_t before = 0;
  {
    TStartedEncoder started(path);
    ASSERT_EQ(started.Status, FLAC__STREAM_ENCODER_INIT_STATUS_OK);
    const std::vector<FLAC__int32> samples(2 * 100, 7);
    ASSERT_TRUE(started.Encoder.ProcessInterleaved(samples.data(), 100));
    before = std::filesystem::file_size(path);
  }
  EXPECT_EQ(std::filesystem::file_size(path), before);
}

}  // namespace
}  // namespace corvane
