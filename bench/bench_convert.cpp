// Monkey's Audio to FLAC level 5 by TMACIn and TFLACOut, the source decoding ahead on every
// core while the sink's worker encodes, against outside tools in the same run: ten minutes of
// 16-bit stereo at the normal, extra high and insane levels, and of 24-bit 96 kHz stereo at
// the normal level.
//
// For each file: our wall time; the one-core sequential time, `ffmpeg -threads 1 -i F -f null
// -` plus `flac -5` on the same PCM as a WAV file; and FFmpeg's own conversion in one process,
// `ffmpeg -threads 1 -i F -c:a flac -compression_level 5`. Targets: ours at most 0.60 of the
// sequential time and below FFmpeg's conversion. The encoder's share of the sequential time is
// printed beside them: libFLAC encodes on one thread, so our time cannot fall below flac's.
// Then one and sixty minutes are converted by us alone: peak memory at most 64 MiB, the same
// for both (within 4 MiB).
//
// Every contender runs as a child process of its own, timed and measured the same way, and in
// turns, so a burst of load elsewhere hits all alike; the best of three rounds counts. The
// load average is printed at the start and the end: the machine may be shared.
//
// Last, the cost of what a conversion does besides encoding, in processor seconds over ten
// minutes of 16-bit stereo: the CRC32 and AccurateRip checksums (target: at most 3% more),
// ReplayGain's loudness (at most 3% more), and libFLAC's verify (reported).
//
// Usage: bench_convert                             the whole benchmark
//        bench_convert --besides                   only the cost of what is done besides
//        bench_convert --convert APE FLAC [THREADS [MODE]]  one conversion by us (a child's
//                      part); MODE: plain (default), checksums, replaygain, verify
//        bench_convert --prepare MIN LEVEL BITS RATE [WAV]  makes a fixture (and its WAV)
//        bench_convert --verify APE FLAC MIN LEVEL BITS RATE  checks our FLAC against the PCM

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ApeFixtures.h"
#include "ChildRun.h"
#include "FLACBinding.h"
#include "FLACOut.h"
#include "FlacDecode.h"
#include "MACBinding.h"
#include "MACIn.h"
#include "ScratchDir.h"
#include "TrackMeasures.h"
#include "WavFile.h"

extern char** environ;

namespace {

using namespace corvane;

constexpr int Rounds = 3;

test::TApeFixtureSpec Spec(int Minutes, int Level, int Bits, int Rate) {
  return {{Bits, 2, Rate}, int64_t{Minutes} * 60 * Rate, test::TSignal::Tone, Level, 1};
}

// One conversion through the program's own source and sink, at level 5 as the window sets it,
// measuring or verifying as Mode says.
int ConvertOnce(const char* Ape, const char* Flac, int Threads, const std::string& Mode) {
  if (!LoadMACDll() || !LoadLibFLAC()) {
    std::fprintf(stderr, "libMACDll.so or libFLAC is missing\n");
    return 1;
  }
  TMACIn source;
  if (Threads >= 0) source.SetDecodeThreads(Threads);
  TFLACOut sink;
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
  sink.SetVerify(Mode == "verify");
  if (Mode == "checksums" || Mode == "replaygain") {
    // The whole file as the only track of a disc: both ends are skipped, as on a real disc.
    const TDiscTrackPlace place{true, true, source.FileFrames()};
    sink.SetPcmTap(std::make_shared<TTrackMeasures>(place, Mode == "replaygain"));
  }

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
  sink.Start();
  std::unique_lock lock(mutex);
  ended.wait(lock, [&] { return done; });
  if (!error.empty()) {
    std::fprintf(stderr, "conversion failed: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int Prepare(int Minutes, int Level, int Bits, int Rate, const char* Wav) {
  const test::TApeFixtureSpec spec = Spec(Minutes, Level, Bits, Rate);
  test::ApeFixture(spec);
  if (Wav != nullptr) test::WriteWav(Wav, spec.Format, test::ApeFixturePcm(spec));
  return 0;
}

int Verify(const char* Flac, const test::TApeFixtureSpec& Spec) {
  if (!LoadLibFLAC()) return 1;
  const test::TDecodedFlac flac = test::DecodeFlacFile(Flac);
  if (!flac.Ok || flac.Pcm != test::ApeFixturePcm(Spec)) {
    std::fprintf(stderr, "our FLAC does not hold the APE's PCM: %s\n", flac.Error.c_str());
    return 1;
  }
  return 0;
}

using bench::KeepBest;
using bench::RunChild;
using bench::TRun;

void PrintLoad(const char* When) {
  double load[3] = {0, 0, 0};
  ::getloadavg(load, 3);
  std::printf("Load average %s: %.2f %.2f %.2f (%d cores)\n", When, load[0], load[1], load[2],
              TMACIn::AllCores());
  std::fflush(stdout);
}

struct TCase {
  const char* Name;
  int Level;
  int Bits;
  int Rate;
};

std::vector<std::string> SpecArguments(int Minutes, const TCase& Case) {
  return {std::to_string(Minutes), std::to_string(Case.Level), std::to_string(Case.Bits),
          std::to_string(Case.Rate)};
}

// The processor time of what a conversion does besides encoding, each mode against the plain
// one, on ten minutes of 16-bit stereo at the normal level; true when within target.
bool MeasureBesides(const std::string& Me, const std::string& Output) {
  std::printf(
      "\nWhat a conversion does besides encoding (16-bit c2, 10 minutes); CPU seconds, "
      "best of %d\n",
      Rounds + 2);
  std::vector<std::string> prepare = {Me, "--prepare"};
  const std::vector<std::string> spec = SpecArguments(10, {"16-bit c2", 2, 16, 44100});
  prepare.insert(prepare.end(), spec.begin(), spec.end());
  RunChild(prepare);
  const std::string ape = test::ApeFixture(Spec(10, 2, 16, 44100));
  const char* modes[] = {"plain", "checksums", "replaygain", "verify"};
  // In turns, so a burst of load elsewhere hits every mode alike.
  std::vector<TRun> best(4);
  for (int round = 0; round < Rounds + 2; ++round) {
    for (size_t m = 0; m < 4; ++m) {
      const TRun run = RunChild({Me, "--convert", ape, Output, "-1", modes[m]});
      if (round == 0) {
        best[m] = run;
      } else {
        KeepBest(best[m], run);
      }
    }
  }
  const double plain = best[0].Cpu;
  const double checksums = best[1].Cpu / plain;
  const double loudness = best[2].Cpu / plain;
  std::printf("%-22s %8.3f s\n", "plain", plain);
  std::printf("%-22s %8.3f s  x%.3f (target <= 1.03)\n", "+ CRC32, AccurateRip", best[1].Cpu,
              checksums);
  std::printf("%-22s %8.3f s  x%.3f (target <= 1.03)\n", "+ ReplayGain", best[2].Cpu, loudness);
  std::printf("%-22s %8.3f s  x%.3f (reported)\n", "+ verify", best[3].Cpu, best[3].Cpu / plain);
  std::fflush(stdout);
  return checksums <= 1.03 && loudness <= 1.03;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--convert") == 0) {
    return ConvertOnce(argv[2], argv[3], argc >= 5 ? std::atoi(argv[4]) : -1,
                       argc >= 6 ? argv[5] : "plain");
  }
  if ((argc == 6 || argc == 7) && std::strcmp(argv[1], "--prepare") == 0) {
    return Prepare(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                   argc == 7 ? argv[6] : nullptr);
  }
  if (argc == 8 && std::strcmp(argv[1], "--verify") == 0) {
    return Verify(argv[3], Spec(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                                std::atoi(argv[7])));
  }
  if (argc == 2 && std::strcmp(argv[1], "--besides") == 0) {
    test::TScratchDir dir;
    PrintLoad("at the start");
    const bool met = MeasureBesides("/proc/self/exe", dir.File("ours.flac"));
    PrintLoad("at the end");
    std::printf("%s\n", met ? "within target" : "OUTSIDE TARGET");
    return met ? 0 : 2;
  }
  // Children run this same program, whatever name it was started by; fixtures and PCM are
  // made in children too, so that no child's peak memory starts from a large parent.
  const std::string me = "/proc/self/exe";
  test::TScratchDir dir;
  const std::string wav = dir.File("in.wav");
  const std::string ours = dir.File("ours.flac");
  const std::string theirs = dir.File("theirs.flac");

  PrintLoad("at the start");
  const std::vector<TCase> cases = {{"16-bit c2", 2, 16, 44100},
                                    {"16-bit c4", 4, 16, 44100},
                                    {"16-bit c5", 5, 16, 44100},
                                    {"24/96 c2", 2, 24, 96000}};
  bool withinTarget = true;
  std::printf("\nAPE -> FLAC level 5, 10 minutes of stereo; wall seconds, best of %d\n", Rounds);
  std::printf("%-10s %7s %7s %7s %7s %7s %7s %7s %8s %7s\n", "", "ours", "ffmpeg", "flac", "seq.",
              "ours/", "flac/", "ffmpeg", "ours", "ours");
  std::printf("%-10s %7s %7s %7s %7s %7s %7s %7s %8s %7s\n", "file", "", "decode", "encode", "sum",
              "seq.", "seq.", "conv.", "CPU s", "MiB");
  for (const TCase& c : cases) {
    std::vector<std::string> prepare = {me, "--prepare"};
    const std::vector<std::string> spec = SpecArguments(10, c);
    prepare.insert(prepare.end(), spec.begin(), spec.end());
    prepare.push_back(wav);
    RunChild(prepare);
    const std::string ape = test::ApeFixture(Spec(10, c.Level, c.Bits, c.Rate));  // cached now

    const std::vector<std::string> ourCommand = {me, "--convert", ape, ours};
    const std::vector<std::string> decodeCommand = {
        "ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-i", ape, "-f", "null", "-"};
    const std::vector<std::string> encodeCommand = {"flac", "-s", "-f", "-5", "-o", theirs, wav};
    const std::vector<std::string> convertCommand = {
        "ffmpeg", "-nostdin",           "-v", "error", "-threads", "1", "-i", ape, "-c:a",
        "flac",   "-compression_level", "5",  "-y",    theirs};
    // flac warns that a plain WAV header describes 24-bit samples, as jmac needs it to.
    TRun mine = RunChild(ourCommand);
    TRun decode = RunChild(decodeCommand);
    TRun encode = RunChild(encodeCommand, true);
    TRun convert = RunChild(convertCommand);
    for (int i = 1; i < Rounds; ++i) {
      KeepBest(mine, RunChild(ourCommand));
      KeepBest(decode, RunChild(decodeCommand));
      KeepBest(encode, RunChild(encodeCommand, true));
      KeepBest(convert, RunChild(convertCommand));
    }
    std::vector<std::string> verify = {me, "--verify", ape, ours};
    verify.insert(verify.end(), spec.begin(), spec.end());
    RunChild(verify);
    std::filesystem::remove(wav);

    const double sequential = decode.Seconds + encode.Seconds;
    const double ratio = mine.Seconds / sequential;
    const bool met = ratio <= 0.60 && mine.Seconds < convert.Seconds && mine.PeakMiB <= 64.0;
    withinTarget = withinTarget && met;
    std::printf("%-10s %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %8.3f %7.1f%s\n", c.Name,
                mine.Seconds, decode.Seconds, encode.Seconds, sequential, ratio,
                encode.Seconds / sequential, convert.Seconds, mine.Cpu, mine.PeakMiB,
                met ? "" : "  <- outside target");
    std::fflush(stdout);
  }
  std::printf("targets: ours/seq. <= 0.60, ours < ffmpeg conv., peak <= 64 MiB\n");

  std::printf("\nPeak memory of one conversion by us (16-bit c2):\n");
  const TCase normal = cases.front();
  double peak[2] = {0, 0};
  const int minutes[2] = {1, 60};
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> prepare = {me, "--prepare"};
    const std::vector<std::string> spec = SpecArguments(minutes[i], normal);
    prepare.insert(prepare.end(), spec.begin(), spec.end());
    RunChild(prepare);
    const std::string ape = test::ApeFixture(Spec(minutes[i], 2, 16, 44100));
    TRun run = RunChild({me, "--convert", ape, ours});
    for (int r = 1; r < Rounds; ++r) KeepBest(run, RunChild({me, "--convert", ape, ours}));
    peak[i] = run.PeakMiB;
    std::printf("%2d minutes %8.1f MiB  (%.3f s)\n", minutes[i], run.PeakMiB, run.Seconds);
  }
  const double growth = peak[1] - peak[0];
  std::printf("growth     %8.1f MiB  (targets: at most 64 MiB, growth at most 4)\n", growth);
  withinTarget = withinTarget && peak[1] <= 64.0 && growth <= 4.0;

  withinTarget = MeasureBesides(me, ours) && withinTarget;

  std::printf("\n");
  PrintLoad("at the end");
  std::printf("%s\n", withinTarget ? "within target" : "OUTSIDE TARGET");
  return withinTarget ? 0 : 2;
}
