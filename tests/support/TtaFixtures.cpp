#include "TtaFixtures.h"

#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "ApeFixtures.h"
#include "ProgramRun.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

const char* SignalName(TSignal Signal) {
  switch (Signal) {
    case TSignal::Silence:
      return "Silence";
    case TSignal::Tone:
      return "Tone";
    case TSignal::Noise:
      return "Noise";
    case TSignal::LoudNoise:
      return "LoudNoise";
    case TSignal::LoudTone:
      return "LoudTone";
    case TSignal::ClippedMusic:
      return "ClippedMusic";
    case TSignal::Square:
      return "Square";
  }
  return "Unknown";
}

}  // namespace

std::string TtaCaseName(const TTtaFixtureSpec& Spec) {
  return FormatCaseName(Spec.Format) + "_" + SignalName(Spec.Signal) + "_" +
         std::to_string(Spec.Frames);
}

std::vector<uint8_t> TtaFixturePcm(const TTtaFixtureSpec& Spec) {
  return MakePcm(Spec.Format, Spec.Frames, Spec.Signal, Spec.Seed);
}

std::string TtaFixture(const TTtaFixtureSpec& Spec) {
  const std::string path =
      FixtureDir() + "/" + TtaCaseName(Spec) + "-s" + std::to_string(Spec.Seed) + ".tta";
  if (std::filesystem::exists(path)) return path;
  // Made under names of this process's own and renamed into place, so tests running side by
  // side never see half a file.
  const std::string stem = path + "." + std::to_string(::getpid());
  const std::string wav = stem + ".wav";
  const std::string tta = stem + ".tmp.tta";
  WriteWav(wav, Spec.Format, TtaFixturePcm(Spec));
  const TProgramResult run = RunProgram(
      {"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav, "-c:a", "tta", tta});
  std::filesystem::remove(wav);
  if (run.ExitCode != 0 || !std::filesystem::exists(tta)) {
    std::filesystem::remove(tta);
    throw std::runtime_error("ffmpeg failed to make " + path + ": " + run.Err);
  }
  std::filesystem::rename(tta, path);
  return path;
}

}  // namespace corvane::test
