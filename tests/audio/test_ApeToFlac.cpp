// Monkey's Audio to FLAC through the real source and sink, on the sink's own worker: the
// FLAC must decode to exactly the PCM the APE file was made from.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ApeFixtures.h"
#include "FLACBinding.h"
#include "FLACOut.h"
#include "FlacDecode.h"
#include "FrameworkDoubles.h"
#include "MACBinding.h"
#include "MACIn.h"
#include "ScratchDir.h"
#include "SinkRun.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::ApeFixture;
using test::ApeFixturePcm;
using test::TApeFixtureSpec;
using test::TPcmFormat;
using test::TSignal;

constexpr int64_t NormalFrameBlocks = test::kNormalFrameBlocks;

// A source and a sink wired as the window wires them, at the window's default level 5.
class ApeToFlac : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadMACDll());
    ASSERT_TRUE(LoadLibFLAC());
    Source = std::make_unique<TMACIn>();
    Sink = std::make_unique<TFLACOut>();
    Sink->SetInput(Source.get());
    Sink->SetMaxLPCOrder(8);
    Sink->SetMinResidualPartitionOrder(3);
    Sink->SetMaxResidualPartitionOrder(3);
    Run = std::make_unique<test::TSinkRun>(*Sink);
  }
  void TearDown() override {
    Run.reset();
    Sink.reset();
    Source.reset();
  }

  // Converts File (frames Start up to End) and returns "" or the run's error.
  std::string Convert(const std::string& File, int64_t Start = 0, int64_t End = -1) {
    Source->SetFileName(File);
    Source->SetStartSample(Start);
    Source->SetEndSample(End);
    Sink->SetFileName(Output);
    return Run->Run();
  }

  test::TScratchDir Dir;
  const std::string Output = Dir.File("out.flac");
  std::unique_ptr<TMACIn> Source;
  std::unique_ptr<TFLACOut> Sink;
  std::unique_ptr<test::TSinkRun> Run;
};

void ExpectFlacHolds(const std::string& Path, const TPcmFormat& Format,
                     const std::vector<uint8_t>& Pcm) {
  const test::TDecodedFlac flac = test::DecodeFlacFile(Path);
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_EQ(flac.BitsPerSample, Format.BitsPerSample);
  EXPECT_EQ(flac.Channels, Format.Channels);
  EXPECT_EQ(flac.SampleRate, Format.SampleRate);
  EXPECT_EQ(flac.TotalSamples, Pcm.size() / static_cast<size_t>(Format.FrameBytes()));
  EXPECT_TRUE(flac.Pcm == Pcm) << "decoded " << flac.Pcm.size() << " bytes, expected "
                               << Pcm.size();
}

class ApeToFlacFixture : public ApeToFlac, public ::testing::WithParamInterface<TApeFixtureSpec> {};

TEST_P(ApeToFlacFixture, WholeFileDecodesToTheApesPcm) {
  // The same files the source's own tests use, so the fixture cache serves both.
  const TApeFixtureSpec& spec = GetParam();
  const std::string error = Convert(ApeFixture(spec));
  ASSERT_EQ(error, "");
  ExpectFlacHolds(Output, spec.Format, ApeFixturePcm(spec));
}

INSTANTIATE_TEST_SUITE_P(All, ApeToFlacFixture, ::testing::ValuesIn(test::WholeFileFixtures()),
                         [](const auto& Info) { return test::FixtureCaseName(Info.param); });

// Ranges as cue-sheet tracks ask for them: inside one APE frame, across frame boundaries,
// up to the end, and a single frame.
TEST_F(ApeToFlac, SampleRangesDecodeToTheirSliceOfThePcm) {
  for (const TPcmFormat& format : {TPcmFormat{16, 2, 44100}, TPcmFormat{24, 2, 44100},
                                   TPcmFormat{8, 2, 44100}, TPcmFormat{16, 1, 44100}}) {
    const TApeFixtureSpec spec{format, 2 * NormalFrameBlocks + 555, TSignal::Tone, 2, 2};
    const std::string file = ApeFixture(spec);
    const std::vector<uint8_t> pcm = ApeFixturePcm(spec);
    const int64_t total = spec.Frames;
    const struct {
      int64_t Start, End;
    } ranges[] = {
        {0, 4608},
        {1234, 40000},
        {NormalFrameBlocks - 777, NormalFrameBlocks + 9999},
        {NormalFrameBlocks + 1, -1},
        {total - 1, total},
        {0, -1},
    };
    for (const auto& r : ranges) {
      SCOPED_TRACE(std::to_string(format.BitsPerSample) + "-bit " +
                   std::to_string(format.Channels) + "ch, frames " + std::to_string(r.Start) +
                   " to " + std::to_string(r.End));
      ASSERT_EQ(Convert(file, r.Start, r.End), "");
      const int64_t end = r.End < 0 ? total : r.End;
      const auto bytes = format.FrameBytes();
      ExpectFlacHolds(Output, format, {pcm.begin() + r.Start * bytes, pcm.begin() + end * bytes});
    }
  }
}

TEST_F(ApeToFlac, FilesFromTheReferenceEncoderConvert) {
  const std::string data = CORVANE_SHARED_TESTDATA;
  if (!std::filesystem::exists(data)) GTEST_SKIP() << "no shared test data";
  for (const char* name : {"mac-396.ape", "mac-399.ape"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Convert(data + "/" + name), "");
    ExpectFlacHolds(Output, {16, 2, 44100}, std::vector<uint8_t>(649984, 0));
  }
}

// Taggers store cover art as a binary item of the APE tag; the audio in front of it converts.
TEST_F(ApeToFlac, ApeWithCoverArtInItsTagConverts) {
  const TApeFixtureSpec spec{{16, 2, 44100}, 2 * NormalFrameBlocks + 555, TSignal::Tone, 3, 4};
  std::vector<uint8_t> file = test::ReadFileBytes(ApeFixture(spec));
  std::vector<uint8_t> item;
  const auto le32 = [](std::vector<uint8_t>& To, uint32_t Value) {
    for (int i = 0; i < 4; ++i) To.push_back(static_cast<uint8_t>(Value >> (8 * i)));
  };
  const std::string key = "Cover Art (Front)";
  std::vector<uint8_t> value = {'f', 'r', 'o', 'n', 't', '.', 'j', 'p', 'g', 0, 0xff, 0xd8};
  value.resize(20000, 0x5a);
  le32(item, static_cast<uint32_t>(value.size()));
  le32(item, 2);  // a binary item
  item.insert(item.end(), key.begin(), key.end());
  item.push_back(0);
  item.insert(item.end(), value.begin(), value.end());
  for (const bool footer : {false, true}) {
    if (footer) file.insert(file.end(), item.begin(), item.end());
    for (char c : std::string("APETAGEX")) file.push_back(static_cast<uint8_t>(c));
    for (uint32_t field : {2000u, static_cast<uint32_t>(item.size() + 32), 1u,
                           0x80000000u | (footer ? 0u : 0x20000000u), 0u, 0u}) {
      le32(file, field);
    }
  }
  test::WriteFileBytes(Dir.File("cover.ape"), file);
  ASSERT_EQ(Convert(Dir.File("cover.ape")), "");
  ExpectFlacHolds(Output, spec.Format, ApeFixturePcm(spec));
}

TEST_F(ApeToFlac, ApeWhoseDataEndsEarlyLeavesNoFlacThatLooksComplete) {
  const std::string data = CORVANE_SHARED_TESTDATA;
  if (!std::filesystem::exists(data)) GTEST_SKIP() << "no shared test data";
  EXPECT_NE(Convert(data + "/mac-390-hdr.ape"), "");
  EXPECT_FALSE(std::filesystem::exists(Output));
  EXPECT_FALSE(Source->Busy());
  EXPECT_EQ(Sink->Status(), osIdle);
}

// ---- Runs interrupted while the source decodes ahead ----

enum class TInterruption {
  None,             // runs to the end
  Stop,             // stopped at 30%, then converted again whole
  Pause,            // paused at 30% while the read-ahead fills, then resumed
  SinkDestroyed,    // the window closes mid-batch: the sink goes while paused
  SourceDestroyed,  // the source goes between two blocks
  DamagedFrame,     // the sixth APE frame fails its check
};

struct TMidRunCase {
  const char* Name;
  TInterruption What;
  int Threads;    // the source's decoding threads
  int LoopDelay;  // the window's slider: 11 at its lowest, 1 at its highest
};

void PrintTo(const TMidRunCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

// The test thread plays the user-interface thread: OnProgress and OnDone run on it.
class ApeToFlacMidRun : public ::testing::TestWithParam<TMidRunCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadMACDll());
    ASSERT_TRUE(LoadLibFLAC());
    Source = std::make_unique<TMACIn>();
    Source->SetDecodeThreads(GetParam().Threads);
    Source->SetFileName(File);
    Sink = MakeSink();
  }
  void TearDown() override {
    Sink.reset();
    Source.reset();
  }

  std::unique_ptr<TFLACOut> MakeSink() {
    auto sink = std::make_unique<TFLACOut>();
    sink->SetMainThreadHandoff(&Handoff);
    sink->SetInput(Source.get());
    sink->SetFileName(Output);
    sink->SetLoopDelay(GetParam().LoopDelay);
    sink->SetOnDone([this](TACSOutput&) { ++Ended; });
    // A failure of a cycle is reported on the worker.
    sink->SetOnThreadException([this](TACSOutput&, const std::exception& E) {
      std::lock_guard lock(Mutex);
      Error = E.what();
      ++Ended;
    });
    return sink;
  }
  // Serves the run started last until it has ended; "" or its error.
  std::string WaitForEnd() {
    const int run = ++Started;
    EXPECT_TRUE(Handoff.PumpUntil([&] { return Ended >= run; }, std::chrono::seconds(300)));
    std::lock_guard lock(Mutex);
    return Error;
  }

  const TApeFixtureSpec Spec{{16, 2, 44100}, 8 * NormalFrameBlocks + 777, TSignal::Noise, 2, 31};
  const std::string File = ApeFixture(Spec);
  test::TScratchDir Dir;
  const std::string Output = Dir.File("out.flac");
  test::TTestHandoff Handoff;
  std::unique_ptr<TMACIn> Source;
  std::unique_ptr<TFLACOut> Sink;
  std::atomic<int> Ended{0};  // runs done or failed
  int Started = 0;
  std::mutex Mutex;
  std::string Error;
};

TEST_P(ApeToFlacMidRun, EndsAsTheUserAskedAndLeavesTheSourceReusable) {
  const TMidRunCase& c = GetParam();
  const std::vector<uint8_t> pcm = ApeFixturePcm(Spec);
  bool acted = false;
  bool paused = false;
  Sink->SetOnProgress([&](TACSOutput& Sender) {
    if (acted || Sender.Progress() < 30) return;
    acted = true;
    switch (c.What) {
      case TInterruption::Stop:
        Sender.Stop();
        break;
      case TInterruption::Pause:
      case TInterruption::SinkDestroyed:
        Sender.Pause();
        paused = true;
        break;
      case TInterruption::SourceDestroyed:
        Source.reset();
        break;
      default:
        break;
    }
  });
  if (c.What == TInterruption::DamagedFrame) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(File);
    // The seek table follows the 52-byte descriptor and the 24-byte header.
    const auto offset = [&bytes](size_t Frame) {
      const size_t at = 52 + 24 + 4 * Frame;
      return static_cast<size_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                 (static_cast<uint32_t>(bytes[at + 3]) << 24));
    };
    bytes[(offset(5) + offset(6)) / 2] ^= 0x10;
    test::WriteFileBytes(Dir.File("damaged.ape"), bytes);
    Source->SetFileName(Dir.File("damaged.ape"));
  }
  Sink->Start();

  switch (c.What) {
    case TInterruption::None:
      ASSERT_EQ(WaitForEnd(), "");
      ExpectFlacHolds(Output, Spec.Format, pcm);
      return;
    case TInterruption::Stop:
      ASSERT_EQ(WaitForEnd(), "");
      EXPECT_FALSE(std::filesystem::exists(Output));
      break;
    case TInterruption::Pause:
      ASSERT_TRUE(Handoff.PumpUntil([&] { return paused; }, std::chrono::seconds(300)));
      // Long enough for the read-ahead to fill up and wait for its reader.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      EXPECT_EQ(Sink->Status(), osPaused);
      Sink->Resume();
      ASSERT_EQ(WaitForEnd(), "");
      ExpectFlacHolds(Output, Spec.Format, pcm);
      break;
    case TInterruption::SinkDestroyed:
      ASSERT_TRUE(Handoff.PumpUntil([&] { return paused; }, std::chrono::seconds(300)));
      Sink.reset();
      EXPECT_FALSE(std::filesystem::exists(Output));
      EXPECT_FALSE(Source->Busy());
      EXPECT_EQ(Source->OpenCount(), 0);
      Sink = MakeSink();
      break;
    case TInterruption::SourceDestroyed: {
      ASSERT_EQ(WaitForEnd(), "");
      // The data ended where the source went: a beginning of the audio, exact.
      const test::TDecodedFlac flac = test::DecodeFlacFile(Output);
      ASSERT_TRUE(flac.Ok) << flac.Error;
      EXPECT_GT(flac.Pcm.size(), pcm.size() / 4);
      EXPECT_LT(flac.Pcm.size(), pcm.size());
      EXPECT_TRUE(std::equal(flac.Pcm.begin(), flac.Pcm.end(), pcm.begin()));
      return;
    }
    case TInterruption::DamagedFrame:
      EXPECT_EQ(WaitForEnd(), "MACDll error: decompressing frame");
      EXPECT_FALSE(std::filesystem::exists(Output));
      EXPECT_FALSE(Source->Busy());
      Error.clear();  // the worker has reported and parked
      Source->SetFileName(File);
      break;
  }
  // The same source converts the whole file afterwards.
  Sink->SetOnProgress(nullptr);
  Sink->Start();
  ASSERT_EQ(WaitForEnd(), "");
  ExpectFlacHolds(Output, Spec.Format, pcm);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApeToFlacMidRun,
    ::testing::Values(TMidRunCase{"OneThreadSliderLow", TInterruption::None, 1, 11},
                      TMidRunCase{"Stop", TInterruption::Stop, 2, 1},
                      TMidRunCase{"PauseTwoThreads", TInterruption::Pause, 2, 1},
                      TMidRunCase{"PauseOneThreadSliderLow", TInterruption::Pause, 1, 11},
                      TMidRunCase{"SinkDestroyedWhilePaused", TInterruption::SinkDestroyed, 2, 1},
                      TMidRunCase{"SourceDestroyed", TInterruption::SourceDestroyed, 2, 1},
                      TMidRunCase{"DamagedFrameSerial", TInterruption::DamagedFrame, 0, 1},
                      TMidRunCase{"DamagedFrameThreeThreads", TInterruption::DamagedFrame, 3, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
