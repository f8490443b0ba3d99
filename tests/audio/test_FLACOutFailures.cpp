// The FLAC sink: failed starts and runs, and runs that end before their input does.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>

#include "ACSException.h"
#include "ChildProcess.h"
#include "FLACOut.h"
#include "FLACOutTestSupport.h"
#include "FlacDecode.h"
#include "FrameworkDoubles.h"
#include "SinkRun.h"
#include "StagedFile.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// ---- Failed starts ----

struct TStartFailure {
  const char* Name;
  std::function<void(TPcmSource&, TFLACOut&, const TScratchDir&)> Arrange;
  std::function<std::string(const TFLACOut&)> Error;
  int ReadPasses;  // how many read passes the start opened (and must have closed)
};
std::ostream& operator<<(std::ostream& Out, const TStartFailure& Case) {
  return Out << Case.Name;
}

class FLACOutStartFailure : public FLACOut, public ::testing::WithParamInterface<TStartFailure> {};

TEST_P(FLACOutStartFailure, IsReportedAndLeavesNothingBehind) {
  const TStartFailure& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 3000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("failed.flac"));
  c.Arrange(source, out, Dir);
  TSinkRun watch(out);

  EXPECT_EQ(watch.Run(), c.Error(out));
  EXPECT_EQ(watch.Done(), 0);
  EXPECT_EQ(watch.Errors(), 1u);
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_EQ(source.EndReads, c.ReadPasses);
  EXPECT_FALSE(source.Busy());
  EXPECT_FALSE(Exists(out.FileName()));
  EXPECT_FALSE(IsOpenHere(out.FileName()));
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FLACOutStartFailure,
    ::testing::Values(
        TStartFailure{"NoFileName",
                      [](TPcmSource&, TFLACOut& Out, const TScratchDir&) { Out.SetFileName(""); },
                      [](const TFLACOut&) { return std::string("File name is not assigned."); }, 0},
        TStartFailure{"MissingFolder",
                      [](TPcmSource&, TFLACOut& Out, const TScratchDir& Dir) {
                        Out.SetFileName(Dir.File("no/such/folder/a.flac"));
                      },
                      [](const TFLACOut& Out) {
                        return "Cannot create file \"" + Out.FileName() +
                               "\". No such file or directory";
                      },
                      0},
        TStartFailure{"SourceCannotOpen",
                      [](TPcmSource& Source, TFLACOut&, const TScratchDir&) {
                        Source.BeginReadError = "Cannot open the source.";
                      },
                      [](const TFLACOut&) { return std::string("Cannot open the source."); }, 0},
        TStartFailure{"UnsupportedDepth",
                      [](TPcmSource& Source, TFLACOut&, const TScratchDir&) {
                        Source.Format.BitsPerSample = 12;
                      },
                      [](const TFLACOut&) { return std::string("Cannot encode 12-bit samples."); },
                      1},
        TStartFailure{
            "TooManyChannels",
            [](TPcmSource& Source, TFLACOut&, const TScratchDir&) { Source.Format.Channels = 9; },
            [](const TFLACOut&) {
              return std::string(
                  "Failed to initialize FLAC encoder. libFLAC: "
                  "FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_NUMBER_OF_CHANNELS");
            },
            1},
        TStartFailure{"PrecisionTheLibraryRefuses",
                      [](TPcmSource& Source, TFLACOut& Out, const TScratchDir&) {
                        Source.Format.BitsPerSample = 8;
                        Out.SetQLPCoeffPrecision(16);
                      },
                      [](const TFLACOut&) {
                        return std::string(
                            "Failed to initialize FLAC encoder. libFLAC: "
                            "FLAC__STREAM_ENCODER_INIT_STATUS_INVALID_QLP_COEFF_PRECISION");
                      },
                      1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FLACOut, UnwritableFolderFailsTheStart) {
  // Root ignores permissions, so the attempt runs as an ordinary user in a child.
  std::filesystem::permissions(Dir.Path(), std::filesystem::perms::all);
  const std::string folder = Dir.File("readonly");
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(
      folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                  std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const std::string path = folder + "/a.flac";
  const std::string verdict = test::RunInChild({.DropRoot = true}, [&]() -> std::string {
    const TPcmFormat format{16, 2, 44100};
    TPcmSource source(format, MakeTestPcm(format, 3000));
    TFLACOut out;
    out.SetInput(&source);
    out.SetFileName(path);
    TSinkRun watch(out);
    const std::string error = watch.Run();
    const std::string expected = "Cannot create file \"" + path + "\". Permission denied";
    if (error != expected) return "got \"" + error + "\"";
    if (source.Busy() || source.BeginReads != source.EndReads) return "read pass left open";
    return "";
  });
  EXPECT_EQ(verdict, "");
  EXPECT_FALSE(Exists(path));
}

// ---- Failed runs ----

TEST_F(FLACOut, SourceFailingMidRunLeavesTheOlderFileAlone) {
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 10 * 4608));
  source.FailAfter = 3 * 4608 * 4 + 100;
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("broken.flac"));
  test::WriteFileBytes(out.FileName(), kOldFile);
  TSinkRun watch(out);
  EXPECT_EQ(watch.Run(), "The source broke.");
  EXPECT_EQ(watch.Done(), 0);
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_EQ(test::ReadFileBytes(out.FileName()), kOldFile);
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

// The disk fills up (a file-size limit in a child) at different points of the run; the file an
// earlier run finished survives every failure byte for byte.
TEST_F(FLACOut, FullDiskFailsTheRunWhereverItHitsAndSaysSo) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 20 * 4608 + 999, test::TSignal::Noise);
  const std::string path = Dir.File("full.flac");
  const auto encode = [&](int64_t Limit) {
    return test::RunInChild({.FileSizeLimit = Limit}, [&]() -> std::string {
      TPcmSource source(format, pcm);
      TFLACOut out;
      out.SetInput(&source);
      out.SetFileName(path);
      TSinkRun watch(out);
      const std::string error = watch.Run();
      if (watch.Done() != 0 && !error.empty()) return "reported done after: " + error;
      if (source.Busy() || source.BeginReads != source.EndReads) return "read pass left open";
      if (IsOpenHere(path)) return "file left open";
      return error.empty() ? "done" : error;
    });
  };
  ASSERT_EQ(encode(-1), "done");
  const std::vector<uint8_t> finished = test::ReadFileBytes(path);
  const auto size = static_cast<int64_t>(finished.size());

  EXPECT_EQ(encode(size), "done");  // exactly enough room
  ASSERT_TRUE(test::DecodeFlacFile(path).Ok);
  const struct {
    int64_t Limit;
    const char* Error;
  } cases[] = {
      {0, "Failed to initialize FLAC encoder."},  // not even the header fits
      {size / 2, "Failed to encode data."},       // in the middle of the frames
      {size - 1, "Failed to encode data."},       // the last frame, written while finishing
  };
  // The fixed text, then which file and why.
  const std::string cause = " Cannot write file \"" + TStagedFile::TemporaryPrefix(path);
  for (const auto& c : cases) {
    const std::string error = encode(c.Limit);
    EXPECT_EQ(error.substr(0, std::strlen(c.Error) + cause.size()), c.Error + cause) << c.Limit;
    EXPECT_TRUE(error.ends_with("\". File too large")) << error;
    EXPECT_EQ(test::ReadFileBytes(path), finished) << "limit " << c.Limit;
    EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>()) << "limit " << c.Limit;
  }
}

// ---- Ends before the input does ----

TEST_F(FLACOut, StopLeavesNothingUnderTheFileName) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 30 * 44100, test::TSignal::Tone);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("stopped.flac"));
  test::WriteFileBytes(out.FileName(), kOldFile);
  std::atomic<bool> written{false};
  out.SetOnProgress([&](TACSOutput& Sender) {
    if (Sender.Progress() < 30) return;
    written = !Leftovers(Dir.Path()).empty();
    Sender.Stop();
  });
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");  // a stop is no failure
  EXPECT_TRUE(written);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_EQ(test::ReadFileBytes(out.FileName()), kOldFile);
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
  EXPECT_EQ(out.FinishedFile(), "");
}

TEST_F(FLACOut, DestroyedMidRunRemovesItsFileAndJoins) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 30 * 44100, test::TSignal::Tone);
  TPcmSource source(format, pcm);
  const std::string path = Dir.File("destroyed.flac");
  std::mutex mutex;
  std::condition_variable paused;
  bool isPaused = false;
  {
    auto out = std::make_unique<TFLACOut>();
    out->SetInput(&source);
    out->SetFileName(path);
    out->SetOnProgress([&](TACSOutput& Sender) {
      if (Sender.Progress() < 30) return;
      Sender.Pause();
      std::lock_guard lock(mutex);
      isPaused = true;
      paused.notify_all();
    });
    out->Start();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(paused.wait_for(lock, 60s, [&] { return isPaused; }));
    EXPECT_EQ(Leftovers(Dir.Path()).size(), 1u);
  }
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

TEST_F(FLACOut, SourceDestroyedMidRunEndsTheData) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 20 * 44100, test::TSignal::Tone);
  auto source = std::make_unique<TPcmSource>(format, pcm);
  TFLACOut out;
  out.SetInput(source.get());
  out.SetFileName(Dir.File("orphan.flac"));
  // Runs on the worker between two blocks, where nothing is reading.
  out.SetOnProgress([&](TACSOutput& Sender) {
    if (Sender.Progress() >= 30 && source) source.reset();
  });
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_EQ(out.Input(), nullptr);
  const test::TDecodedFlac flac = test::DecodeFlacFile(out.FileName());
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_GT(flac.Pcm.size(), 0u);
  EXPECT_TRUE(std::equal(flac.Pcm.begin(), flac.Pcm.end(), pcm.begin()));
}

}  // namespace
}  // namespace corvane
