#include "WavFile.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace corvane::test {
namespace {

void Put(std::string& Out, uint32_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out += static_cast<char>(Value >> (8 * i));
}

}  // namespace

void WriteWav(const std::string& Path, const TPcmFormat& Format,
              const std::vector<uint8_t>& Pcm) {
  std::string header = "RIFF";
  Put(header, static_cast<uint32_t>(36 + Pcm.size()), 4);
  header += "WAVEfmt ";
  Put(header, 16, 4);
  Put(header, 1, 2);
  Put(header, static_cast<uint32_t>(Format.Channels), 2);
  Put(header, static_cast<uint32_t>(Format.SampleRate), 4);
  Put(header, static_cast<uint32_t>(Format.SampleRate * Format.FrameBytes()), 4);
  Put(header, static_cast<uint32_t>(Format.FrameBytes()), 2);
  Put(header, static_cast<uint32_t>(Format.BitsPerSample), 2);
  header += "data";
  Put(header, static_cast<uint32_t>(Pcm.size()), 4);
  std::ofstream file(Path, std::ios::binary | std::ios::trunc);
  file.write(header.data(), static_cast<std::streamsize>(header.size()));
  file.write(reinterpret_cast<const char*>(Pcm.data()), static_cast<std::streamsize>(Pcm.size()));
  if (!file) throw std::runtime_error("cannot write " + Path);
}

std::vector<uint8_t> ReadFileBytes(const std::string& Path) {
  std::ifstream file(Path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + Path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& Path, const std::vector<uint8_t>& Bytes) {
  std::ofstream file(Path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + Path);
}

}  // namespace corvane::test
