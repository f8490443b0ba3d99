#include "EncodedFixtures.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "ApeFixtures.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

std::string ReplaceAll(std::string Text, const std::string& What, const std::string& With) {
  for (size_t at = Text.find(What); at != std::string::npos;
       at = Text.find(What, at + With.size())) {
    Text.replace(at, What.size(), With);
  }
  return Text;
}

}  // namespace

std::string EncodedFixture(const std::string& Name, const std::string& Extension,
                           const std::string& Command, const TPcmFormat& Format,
                           const std::vector<uint8_t>& Pcm) {
  char key[17];
  std::snprintf(key, sizeof key, "%016zx", std::hash<std::string>{}(Command));
  const std::string path = FixtureDir() + "/" + Name + "-" + key + Extension;
  if (std::filesystem::exists(path)) return path;
  // Made under names of this process's own and renamed into place (the correction file
  // first), so tests running side by side never see half a fixture.
  const std::string stem = path + "." + std::to_string(::getpid());
  const std::string wav = stem + ".wav";
  const std::string out = stem + ".tmp" + Extension;
  WriteWav(wav, Format, Pcm);
  const std::string command =
      ReplaceAll(ReplaceAll(Command, "{in}", "'" + wav + "'"), "{out}", "'" + out + "'") +
      " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  std::filesystem::remove(wav);
  if (status != 0 || !std::filesystem::exists(out)) {
    std::filesystem::remove(out);
    std::filesystem::remove(out + "c");
    throw std::runtime_error("\"" + Command + "\" failed to make " + path);
  }
  if (std::filesystem::exists(out + "c")) std::filesystem::rename(out + "c", path + "c");
  std::filesystem::rename(out, path);
  return path;
}

}  // namespace corvane::test
