// The About window thanks the libraries the program really stands on: the ones the program and
// its decoder library are linked against, plus libFLAC, which the program loads at run time.
// When the build's libraries change, this test says which line has gone stale.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "AppTexts.h"

namespace corvane {
namespace {

// The project behind each shared library a binary of ours may need. The C and C++ runtimes
// and the sanitizers' are part of the toolchain, not projects to thank.
struct TLibraryProject {
  const char* SonamePrefix;
  const char* Project;  // empty: not thanked
};
constexpr std::array<TLibraryProject, 20> kProjects{{
    {"libQt6", "Qt"},
    {"libav", "FFmpeg"},
    {"libswresample", "FFmpeg"},
    {"libuchardet", "uchardet"},
    {"libFLAC", "libFLAC"},
    {"libwavpack", "WavPack"},
    {"libsndfile", "libsndfile"},
    {"libebur128", "libebur128"},
    {"libz.so", "zlib"},
    {"libc.so", ""},
    {"libm.so", ""},
    {"libstdc++", ""},
    {"libgcc_s", ""},
    {"ld-linux", ""},
    {"libpthread", ""},
    {"libdl", ""},
    {"librt", ""},
    {"libasan", ""},
    {"libubsan", ""},
    {"libtsan", ""},
}};

std::filesystem::path BinaryFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// The projects behind the libraries Binary names as needed, read with readelf.
std::set<std::string> LinkedProjects(const std::filesystem::path& Binary) {
  const std::string command = "readelf -d '" + Binary.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::set<std::string> projects;
  std::array<char, 512> line{};
  bool sawAny = false;
  while (fgets(line.data(), line.size(), pipe.get()) != nullptr) {
    const std::string text = line.data();
    const size_t open = text.find("Shared library: [");
    if (open == std::string::npos) continue;
    sawAny = true;
    const std::string soname = text.substr(open + 17, text.find(']', open) - open - 17);
    bool known = false;
    for (const TLibraryProject& entry : kProjects) {
      if (soname.rfind(entry.SonamePrefix, 0) != 0) continue;
      known = true;
      if (*entry.Project != '\0') projects.insert(entry.Project);
      break;
    }
    EXPECT_TRUE(known) << Binary << " needs " << soname
                       << ": thank its project in the About window and list it here";
  }
  EXPECT_TRUE(sawAny) << "readelf found no needed libraries in " << Binary;
  return projects;
}

std::set<std::string> ThankedProjects() {
  std::set<std::string> thanked;
  for (const char* line : texts::kAboutLines) {
    const std::string text = line;
    if (text.find("感谢") == std::string::npos) continue;
    for (const TLibraryProject& entry : kProjects) {
      if (*entry.Project != '\0' && text.find(entry.Project) != std::string::npos) {
        thanked.insert(entry.Project);
      }
    }
  }
  return thanked;
}

TEST(AboutTexts, ThankExactlyTheLibrariesTheProgramUses) {
  std::set<std::string> used = LinkedProjects(BinaryFolder() / "corvane");
  used.merge(LinkedProjects(BinaryFolder() / "libMACDll.so"));
  used.insert("libFLAC");  // loaded by name when the program starts, so never a needed entry
  EXPECT_EQ(ThankedProjects(), used);
}

}  // namespace
}  // namespace corvane
