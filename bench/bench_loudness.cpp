// Cost of the loudness meter that runs on every sample while a track converts. Five minutes of
// 16-bit stereo noise at 44.1 kHz go through TLoudnessMeter in blocks of 4608 frames, as the
// FLAC sink hands them on; the processor time per minute of audio is printed, best of three.
// Beside it, from the same WAV file: `ffmpeg -af ebur128` (the outside meter, which decodes the
// file and resamples it to 48 kHz as well) and `flac -5` (the encode the meter rides along
// with), each in a child process of its own.
//
// Usage: bench_loudness

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "LoudnessMeter.h"
#include "PcmSignal.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace {

using namespace corvane;

constexpr int Rounds = 3;
constexpr double Minutes = 5;
constexpr size_t BlockFrames = 4608;

double CpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Processor seconds one meter spends on Pcm.
double MeterOnce(const test::TPcmFormat& Format, const std::vector<uint8_t>& Pcm,
                 double* Loudness) {
  const double start = CpuSeconds();
  loudness::TLoudnessMeter meter(Format.SampleRate, Format.Channels, Format.BitsPerSample);
  const size_t block = BlockFrames * static_cast<size_t>(Format.FrameBytes());
  for (size_t at = 0; at < Pcm.size(); at += block) {
    meter.Add(Pcm.data() + at, std::min(block, Pcm.size() - at));
  }
  *Loudness = meter.IntegratedLoudness();
  return CpuSeconds() - start;
}

bench::TRun Best(const std::vector<std::string>& Arguments) {
  bench::TRun best = bench::RunChild(Arguments, true);
  for (int i = 1; i < Rounds; ++i) bench::KeepBest(best, bench::RunChild(Arguments, true));
  return best;
}

void PrintRow(const char* Name, double Cpu) {
  std::printf("%-24s %10.3f %14.4f %12.0fx\n", Name, Cpu, Cpu / Minutes, Minutes * 60 / Cpu);
  std::fflush(stdout);
}

}  // namespace

int main() {
  const test::TPcmFormat format{16, 2, 44100};
  const auto frames = static_cast<int64_t>(Minutes * 60 * format.SampleRate);
  const std::vector<uint8_t> pcm = test::MakePcm(format, frames, test::TSignal::Noise, 1);

  std::printf("%.0f minutes of 16-bit stereo noise at 44.1 kHz, best of %d\n", Minutes, Rounds);
  std::printf("%-24s %10s %14s %13s\n", "", "CPU s", "CPU s/minute", "real time");
  double loudness = 0;
  double ours = MeterOnce(format, pcm, &loudness);
  for (int i = 1; i < Rounds; ++i) ours = std::min(ours, MeterOnce(format, pcm, &loudness));
  PrintRow("TLoudnessMeter", ours);

  test::TScratchDir dir;
  const std::string wav = dir.File("noise.wav");
  test::WriteWav(wav, format, pcm);
  double flacCpu = 0;
  if (::access("/usr/bin/ffmpeg", X_OK) == 0) {
    PrintRow("ffmpeg -af ebur128", Best({"/usr/bin/ffmpeg", "-nostdin", "-nostats", "-threads", "1",
                                         "-i", wav, "-af", "ebur128", "-f", "null", "-"})
                                       .Cpu);
    PrintRow("ffmpeg (decode only)", Best({"/usr/bin/ffmpeg", "-nostdin", "-nostats", "-threads",
                                           "1", "-i", wav, "-f", "null", "-"})
                                         .Cpu);
  }
  if (::access("/usr/bin/flac", X_OK) == 0) {
    flacCpu = Best({"/usr/bin/flac", "-5", "-s", "-f", "-o", dir.File("noise.flac"), wav}).Cpu;
    PrintRow("flac -5 (encode)", flacCpu);
  }
  std::printf("\nintegrated loudness %.2f LUFS\n", loudness);
  if (flacCpu > 0) {
    std::printf("meter / flac -5: %.1f %% (target at most 3 %%)\n", 100 * ours / flacCpu);
  }
  return 0;
}
