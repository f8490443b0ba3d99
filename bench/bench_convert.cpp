// Ten minutes of 16-bit stereo Monkey's Audio (normal level) converted to FLAC at level 5 by
// TMACIn and TFLACOut on the sink's worker, against the two halves done by outside tools:
// FFmpeg decoding the APE and flac encoding the same PCM from a WAV file. The conversion
// should cost at most 5% more than the two together.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "ApeFixtures.h"
#include "FLACBinding.h"
#include "FLACOut.h"
#include "FlacDecode.h"
#include "MACDll.h"
#include "MACIn.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int Rounds = 3;  // best of, for every contender alike

double Seconds(Clock::time_point From) {
  return std::chrono::duration<double>(Clock::now() - From).count();
}

double TimeCommand(const std::string& Command) {
  const auto start = Clock::now();
  if (std::system(Command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", Command.c_str());
    std::exit(1);
  }
  return Seconds(start);
}

// One conversion through the program's own source and sink; the seconds it took.
double TimeOurs(const std::string& Ape, const std::string& Flac) {
  TMACIn source;
  TFLACOut sink;
  // Level 5 as the window sets it.
  sink.SetMaxLPCOrder(8);
  sink.SetBlockSize(4608);
  sink.SetMinResidualPartitionOrder(3);
  sink.SetMaxResidualPartitionOrder(3);
  sink.SetEnableMidSideStereo(true);
  sink.SetEnableLooseMidSideStereo(false);
  sink.SetBestModelSearch(false);
  sink.SetInput(&source);
  source.SetFileName(Ape);
  sink.SetFileName(Flac);

  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::string error;
  sink.SetOnDone([&](TACSOutput&) {
    std::lock_guard lock(mutex);
    done = true;
    ended.notify_all();
  });
  sink.SetOnThreadException([&](TACSOutput&, const std::exception& E) {
    std::lock_guard lock(mutex);
    done = true;
    error = E.what();
    ended.notify_all();
  });
  const auto start = Clock::now();
  sink.Start();
  std::unique_lock lock(mutex);
  ended.wait(lock, [&] { return done; });
  const double seconds = Seconds(start);
  if (!error.empty()) {
    std::fprintf(stderr, "conversion failed: %s\n", error.c_str());
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main() {
  if (!LoadMACDll() || !LoadLibFLAC()) {
    std::fprintf(stderr, "libMACDll.so or libFLAC is missing\n");
    return 1;
  }
  const test::TApeFixtureSpec spec{{16, 2, 44100}, 600 * 44100, test::TSignal::Tone, 2, 1};
  std::printf("Preparing a 10-minute APE (jmac c2, cached in %s)...\n", test::FixtureDir().c_str());
  const std::string ape = test::ApeFixture(spec);
  test::TScratchDir dir;
  const std::string wav = dir.File("in.wav");
  test::WriteWav(wav, spec.Format, test::ApeFixturePcm(spec));
  const std::string ours = dir.File("ours.flac");

  double best[3] = {1e9, 1e9, 1e9};
  for (int round = 0; round < Rounds; ++round) {
    best[0] = std::min(best[0], TimeOurs(ape, ours));
    best[1] = std::min(best[1], TimeCommand("ffmpeg -nostdin -v error -i '" + ape + "' -f null -"));
    best[2] = std::min(best[2], TimeCommand("flac -s -f -5 -b 4608 -r 3,3 --no-padding "
                                            "--no-seektable -o '" +
                                            dir.File("theirs.flac") + "' '" + wav + "'"));
  }

  const test::TDecodedFlac check = test::DecodeFlacFile(ours);
  if (!check.Ok || check.Pcm != test::ApeFixturePcm(spec)) {
    std::fprintf(stderr, "our FLAC does not hold the APE's PCM: %s\n", check.Error.c_str());
    return 1;
  }

  const double theirs = best[1] + best[2];
  std::printf("APE -> FLAC, 600 s of 16-bit stereo, level 5 (best of %d)\n", Rounds);
  std::printf("  TMACIn + TFLACOut:          %7.3f s   (%s, %ju bytes)\n", best[0],
              "decodes to the APE's PCM", std::filesystem::file_size(ours));
  std::printf("  ffmpeg decode (-f null):    %7.3f s\n", best[1]);
  std::printf("  flac encode (same settings):%7.3f s   (%ju bytes)\n", best[2],
              std::filesystem::file_size(dir.File("theirs.flac")));
  std::printf("  their sum:                  %7.3f s\n", theirs);
  std::printf("  ratio ours / sum:           %7.3f   (target <= 1.05)\n", best[0] / theirs);
  return 0;
}
