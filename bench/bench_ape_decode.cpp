// Decoding speed and memory of the Monkey's Audio source. Ten minutes of 16-bit stereo at the
// normal, extra high and insane levels (and of 24-bit stereo at extra high) are decoded by
// TMACIn and, in the same run, by `ffmpeg -threads 1 -i F -f null -`; TMACIn should take at
// most as long. The ratio compares processor time (user and system), which other work on a
// shared machine disturbs far less than wall time; both are printed. TMACIn checks every APE
// frame's CRC, which plain ffmpeg does not, so ffmpeg with `-err_detect crccheck` is shown
// beside them. Then one minute and
// sixty minutes are decoded by TMACIn alone: its peak memory must not grow with the file
// (target: within 4 MiB). Every decode runs in a child process of its own, timed and measured
// (peak resident set) the same way for every contender.
//
// Usage: bench_ape_decode                    the whole benchmark
//        bench_ape_decode --decode F         one decode of F through TMACIn (a child's part)
//        bench_ape_decode --fixture MIN LEVEL BITS  makes one fixture (a child's part)

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ApeFixtures.h"
#include "ChildRun.h"
#include "MACBinding.h"
#include "MACIn.h"

extern char** environ;

namespace {

using namespace corvane;

constexpr int Rounds = 3;  // best of, for every contender alike

// Reads the whole of File through TMACIn as the FLAC sink would, in blocks of 4608 frames.
int DecodeOnce(const char* File) {
  if (!LoadMACDll()) {
    std::fprintf(stderr, "libMACDll.so could not be loaded\n");
    return 1;
  }
  try {
    TMACIn source;
    source.SetFileName(File);
    source.BeginRead();
    std::vector<uint8_t> block(4608 * 4);
    int64_t total = 0;
    for (int64_t got;
         (got = source.ReadData(block.data(), static_cast<int64_t>(block.size()))) > 0;) {
      total += got;
    }
    const bool complete = total == source.Size();
    source.EndRead();
    if (!complete) {
      std::fprintf(stderr, "%s: %lld bytes decoded, %lld expected\n", File,
                   static_cast<long long>(total), static_cast<long long>(source.Size()));
      return 1;
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s: %s\n", File, E.what());
    return 1;
  }
  return 0;
}

using bench::KeepBest;
using bench::RunChild;
using bench::TRun;

TRun Best(const std::vector<std::string>& Arguments) {
  TRun best = RunChild(Arguments);
  for (int i = 1; i < Rounds; ++i) KeepBest(best, RunChild(Arguments));
  return best;
}

test::TApeFixtureSpec FixtureSpec(int Minutes, int Level, int Bits) {
  return {{Bits, 2, 44100}, int64_t{Minutes} * 60 * 44100, test::TSignal::Tone, Level, 1};
}

// The fixture's file. It is made in a child process: making it holds the whole PCM in
// memory, and a child's peak resident set starts from its parent's.
std::string Fixture(const std::string& Self, int Minutes, int Level, int Bits = 16) {
  RunChild(
      {Self, "--fixture", std::to_string(Minutes), std::to_string(Level), std::to_string(Bits)});
  return test::ApeFixture(FixtureSpec(Minutes, Level, Bits));  // cached now: returns at once
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) return DecodeOnce(argv[2]);
  if (argc == 5 && std::strcmp(argv[1], "--fixture") == 0) {
    test::ApeFixture(FixtureSpec(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])));
    return 0;
  }
  // The child runs this same program, whatever name it was started by.
  const std::string me = "/proc/self/exe";

  std::printf("Fixtures (made on the first run, then cached) ...\n");
  std::fflush(stdout);
  struct TCase {
    const char* Name;
    std::string File;
  };
  const std::vector<TCase> cases = {{"16-bit c2", Fixture(me, 10, 2)},
                                    {"16-bit c4", Fixture(me, 10, 4)},
                                    {"16-bit c5", Fixture(me, 10, 5)},
                                    {"24-bit c4", Fixture(me, 10, 4, 24)}};
  const std::string normal1 = Fixture(me, 1, 2);
  const std::string normal60 = Fixture(me, 60, 2);

  bool withinTarget = true;
  std::printf("\nDecoding 10 minutes of stereo (best of %d):\n", Rounds);
  std::printf("%-10s %8s %8s %10s %10s %7s %12s\n", "", "CPU s", "", "wall s", "", "ratio",
              "CPU s");
  std::printf("%-10s %8s %8s %10s %10s %7s %12s\n", "file", "TMACIn", "ffmpeg", "TMACIn", "ffmpeg",
              "(CPU)", "ffmpeg+CRC");
  for (const TCase& c : cases) {
    const std::vector<std::string> ourCommand = {me, "--decode", c.File};
    const std::vector<std::string> theirCommand = {
        "ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-i", c.File, "-f", "null", "-"};
    // TMACIn checks every APE frame's CRC; so does this one, for a like-for-like figure.
    std::vector<std::string> checkingCommand = theirCommand;
    checkingCommand.insert(checkingCommand.begin() + 6, {"-err_detect", "crccheck"});
    // Taken in turns, so a burst of load elsewhere hits all alike.
    TRun ours = RunChild(ourCommand);
    TRun theirs = RunChild(theirCommand);
    TRun checking = RunChild(checkingCommand);
    for (int i = 1; i < Rounds; ++i) {
      KeepBest(ours, RunChild(ourCommand));
      KeepBest(theirs, RunChild(theirCommand));
      KeepBest(checking, RunChild(checkingCommand));
    }
    const double ratio = ours.Cpu / theirs.Cpu;
    withinTarget = withinTarget && ratio <= 1.00;
    std::printf("%-10s %8.3f %8.3f %10.3f %10.3f %7.3f %12.3f\n", c.Name, ours.Cpu, theirs.Cpu,
                ours.Seconds, theirs.Seconds, ratio, checking.Cpu);
    std::fflush(stdout);
  }

  std::printf("\nPeak memory of one TMACIn decode (normal level):\n");
  const TRun shortRun = Best({me, "--decode", normal1});
  const TRun longRun = Best({me, "--decode", normal60});
  const double growth = longRun.PeakMiB - shortRun.PeakMiB;
  std::printf("%-12s %10.1f MiB\n%-12s %10.1f MiB\n%-12s %10.1f MiB (target at most 4)\n",
              "1 minute", shortRun.PeakMiB, "60 minutes", longRun.PeakMiB, "growth", growth);
  withinTarget = withinTarget && growth <= 4.0;
  std::printf("\n%s\n", withinTarget ? "within target" : "OUTSIDE TARGET");
  return withinTarget ? 0 : 2;
}
