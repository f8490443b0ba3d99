// corvane-cli's wall time on a CD image and on a pile of files, one job at a time and two at
// once, beside FFmpeg converting the whole image to FLAC at level 5 in the same run.
//
// The image holds 4 minutes of 16-bit stereo (Monkey's Audio normal level) in seven tracks
// described by a cue sheet; the pile is eight 1-minute files. Targets on 2 cores: the image
// with -j2 faster than ffmpeg on the whole image; the eight files with -j2 at least 1.8 times
// the throughput of one job on one core. Each contender runs Rounds times, alternating, and
// its best time counts; the load of the machine is printed before and after, since other work
// on it slows every contender.
//
// Usage: bench_cli [ROUNDS]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ApeFixtures.h"
#include "ProgramRun.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

// Track lengths in seconds: 240 in all.
constexpr int kTrackSeconds[] = {41, 28, 36, 33, 45, 22, 35};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

std::string CueTime(int Seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:00", Seconds / 60, Seconds % 60);
  return text;
}

std::string ImageSheet() {
  std::string text = "PERFORMER \"Bench\"\nTITLE \"Four minutes\"\nFILE \"image.ape\" WAVE\n";
  int start = 0;
  for (int t = 0; t < 7; ++t) {
    text += "  TRACK 0" + std::to_string(t + 1) + " AUDIO\n    TITLE \"Track " +
            std::to_string(t + 1) + "\"\n    INDEX 01 " + CueTime(start) + "\n";
    start += kTrackSeconds[t];
  }
  return text;
}

double Seconds(Clock::time_point From) {
  return std::chrono::duration<double>(Clock::now() - From).count();
}

// Runs Argv in Folder and returns its wall time; ends the benchmark when it fails.
double Timed(const std::vector<std::string>& Argv, const std::string& Folder) {
  const auto start = Clock::now();
  const test::TProgramResult result = test::RunProgram(Argv, {Folder, {}, false, nullptr});
  const double seconds = Seconds(start);
  if (result.ExitCode != 0) {
    std::fprintf(stderr, "failed: %s\n%s%s\n", Argv.front().c_str(), result.Out.c_str(),
                 result.Err.c_str());
    std::exit(1);
  }
  return seconds;
}

struct TContender {
  const char* Name;
  std::vector<std::string> Argv;
  double Best = 1e9;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const test::TPcmFormat format{16, 2, 44100};
  std::printf("Preparing the fixtures (jmac c2, cached in %s)...\n", test::FixtureDir().c_str());
  const std::string image = test::ApeFixture({format, 240 * 44100, test::TSignal::Tone, 2, 40});
  std::vector<std::string> songs;
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    songs.push_back(test::ApeFixture({format, 60 * 44100, test::TSignal::Tone, 2, 40 + seed}));
  }

  const test::TScratchDir dir;
  dir.Copy(image, "image.ape");
  { std::ofstream(dir.File("image.cue")) << ImageSheet(); }
  std::vector<std::string> songNames;
  for (size_t i = 0; i < songs.size(); ++i) {
    songNames.push_back("song" + std::to_string(i + 1) + ".ape");
    dir.Copy(songs[i], songNames.back());
  }
  const auto cli = [&](const char* Jobs, const char* Out, std::vector<std::string> Inputs) {
    std::vector<std::string> command = {CORVANE_CLI, "-q", "-l", "5", "--jobs", Jobs, "-o", Out};
    command.insert(command.end(), Inputs.begin(), Inputs.end());
    return command;
  };
  std::vector<TContender> contenders = {
      {"corvane-cli -j1, image (7 tracks)", cli("1", "image-j1", {"image.cue"})},
      {"corvane-cli -j2, image (7 tracks)", cli("2", "image-j2", {"image.cue"})},
      {"ffmpeg, whole image",
       {"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-y", "-i", "image.ape", "-c:a", "flac",
        "-compression_level", "5", "ffmpeg-image.flac"}},
      {"corvane-cli -j1, eight files", cli("1", "songs-j1", songNames)},
      {"corvane-cli -j2, eight files", cli("2", "songs-j2", songNames)},
  };
  // One job decodes ahead on every core already, so -j1 against -j2 no longer shows how jobs
  // spread over cores; -j1 held to one core does.
  std::vector<std::string> oneCore = {"/usr/bin/taskset", "-c", "0"};
  const std::vector<std::string> songsJ1 = cli("1", "songs-j1-one-core", songNames);
  oneCore.insert(oneCore.end(), songsJ1.begin(), songsJ1.end());
  contenders.push_back({"corvane-cli -j1 on one core, eight", oneCore});

  const std::string loadBefore = LoadAverage();
  for (int round = 0; round < rounds; ++round) {
    for (TContender& contender : contenders) {
      contender.Best = std::min(contender.Best, Timed(contender.Argv, dir.Path()));
    }
  }
  const std::string loadAfter = LoadAverage();

  std::printf(
      "APE (normal) -> FLAC level 5, wall time, best of %d; %ld cores; load %s before, %s after\n",
      rounds, sysconf(_SC_NPROCESSORS_ONLN), loadBefore.c_str(), loadAfter.c_str());
  for (const TContender& contender : contenders) {
    std::printf("  %-36s %7.3f s\n", contender.Name, contender.Best);
  }
  const double imageRatio = contenders[1].Best / contenders[2].Best;
  const double speedUp = contenders[3].Best / contenders[4].Best;
  const double overOneCore = contenders[5].Best / contenders[4].Best;
  std::printf("  image -j2 / ffmpeg:                  %7.3f   (target < 1)\n", imageRatio);
  std::printf("  eight files, throughput -j2 / -j1:   %7.3f   (-j1 uses every core too)\n",
              speedUp);
  std::printf("  eight files, -j2 / -j1 on one core:  %7.3f   (target >= 1.8)\n", overOneCore);
  return 0;
}
