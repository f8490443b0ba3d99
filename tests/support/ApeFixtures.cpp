#include "ApeFixtures.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "WavFile.h"

namespace corvane::test {
namespace {

const char* SignalName(TSignal Signal) {
  switch (Signal) {
    case TSignal::Silence:
      return "silence";
    case TSignal::Tone:
      return "tone";
    case TSignal::Noise:
      return "noise";
    case TSignal::LoudNoise:
      return "loudnoise";
    case TSignal::LoudTone:
      return "loudtone";
    case TSignal::ClippedMusic:
      return "clipped";
    case TSignal::Square:
      return "square";
  }
  return "unknown";
}

std::string FixtureName(const TApeFixtureSpec& Spec) {
  return std::string(SignalName(Spec.Signal)) + "-" + std::to_string(Spec.Format.BitsPerSample) +
         "b" + std::to_string(Spec.Format.Channels) + "c" +
         std::to_string(Spec.Format.SampleRate) + "-" + std::to_string(Spec.Frames) + "f-s" +
         std::to_string(Spec.Seed) + "-c" + std::to_string(Spec.Level);
}

}  // namespace

uint32_t TApeBytes::Le(size_t At, int Size) const {
  uint32_t value = 0;
  for (int i = Size - 1; i >= 0; --i) value = (value << 8) | Bytes.at(At + static_cast<size_t>(i));
  return value;
}

void TApeBytes::SetLe(size_t At, uint32_t Value, int Size) {
  for (int i = 0; i < Size; ++i) {
    Bytes.at(At + static_cast<size_t>(i)) = static_cast<uint8_t>(Value >> (8 * i));
  }
}

std::vector<TApeFixtureSpec> WholeFileFixtures() {
  std::vector<TApeFixtureSpec> all;
  for (const TPcmFormat& format : {TPcmFormat{16, 2, 44100}, TPcmFormat{16, 1, 44100},
                                   TPcmFormat{8, 2, 44100}, TPcmFormat{24, 2, 44100}}) {
    for (int level = 1; level <= 5; ++level) {
      for (TSignal signal : {TSignal::Silence, TSignal::Tone, TSignal::Noise}) {
        all.push_back({format, kNormalFrameBlocks + 26281, signal, level, 11});
      }
    }
  }
  return all;
}

std::vector<TApeFixtureSpec> LoudFixtures() {
  constexpr int64_t second = 44100;
  return {
      {{24, 2, 44100}, 60 * second, TSignal::LoudNoise, 5, 3},
      {{24, 2, 44100}, 30 * second, TSignal::ClippedMusic, 4, 3},
      {{24, 1, 44100}, 60 * second, TSignal::LoudTone, 5, 3},
      {{24, 1, 44100}, 30 * second, TSignal::LoudNoise, 4, 3},
      {{16, 2, 44100}, 60 * second, TSignal::Square, 5, 3},
      {{16, 1, 44100}, 60 * second, TSignal::LoudTone, 5, 3},
  };
}

std::string FixtureCaseName(const TApeFixtureSpec& Spec) {
  const char* signal = "";
  switch (Spec.Signal) {
    case TSignal::Silence:
      signal = "Silence";
      break;
    case TSignal::Tone:
      signal = "Tone";
      break;
    case TSignal::Noise:
      signal = "Noise";
      break;
    case TSignal::LoudNoise:
      signal = "LoudNoise";
      break;
    case TSignal::LoudTone:
      signal = "LoudTone";
      break;
    case TSignal::ClippedMusic:
      signal = "ClippedMusic";
      break;
    case TSignal::Square:
      signal = "Square";
      break;
  }
  return FormatCaseName(Spec.Format) + "_c" + std::to_string(Spec.Level) + "_" + signal;
}

void PrintTo(const TApeFixtureSpec& Spec, std::ostream* Out) { *Out << FixtureCaseName(Spec); }

std::string FixtureDir() {
  const std::string dir = CORVANE_FIXTURE_DIR;
  std::filesystem::create_directories(dir);
  return dir;
}

std::vector<uint8_t> ApeFixturePcm(const TApeFixtureSpec& Spec) {
  return MakePcm(Spec.Format, Spec.Frames, Spec.Signal, Spec.Seed);
}

std::string ApeFixture(const TApeFixtureSpec& Spec) {
  const std::string path = FixtureDir() + "/" + FixtureName(Spec) + ".ape";
  if (std::filesystem::exists(path)) return path;
  return ApeFixtureFromPcm(FixtureName(Spec), Spec.Format, ApeFixturePcm(Spec), Spec.Level);
}

std::string ApeFixtureFromPcm(const std::string& Name, const TPcmFormat& Format,
                              const std::vector<uint8_t>& Pcm, int Level) {
  const std::string path = FixtureDir() + "/" + Name + ".ape";
  if (std::filesystem::exists(path)) return path;
  // Made under names of this process's own and renamed into place, so tests running side by
  // side never see half a file.
  const std::string stem = path + "." + std::to_string(::getpid());
  const std::string wav = stem + ".wav";
  const std::string ape = stem + ".tmp.ape";
  WriteWav(wav, Format, Pcm);
  const std::string command = "jmac c" + std::to_string(Level) + " '" + wav + "' '" + ape +
                              "' >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  std::filesystem::remove(wav);
  if (status != 0 || !std::filesystem::exists(ape)) {
    std::filesystem::remove(ape);
    throw std::runtime_error("jmac failed to make " + path);
  }
  std::filesystem::rename(ape, path);
  return path;
}

}  // namespace corvane::test
