#include "ScratchFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace corvane::fuzz {
namespace {

// Plain arrays: the exit handler runs after static strings are gone.
char GName[512];
char GTempName[520];

void RemoveScratchFiles() {
  ::unlink(GName);
  ::unlink(GTempName);
}

const char* Name() {
  static const bool made = [] {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0') folder = "/tmp";
    std::snprintf(GName, sizeof GName, "%s/corvane-fuzz-%d.bin", folder,
                  static_cast<int>(::getpid()));
    std::snprintf(GTempName, sizeof GTempName, "%s~", GName);
    std::atexit(RemoveScratchFiles);
    return true;
  }();
  (void)made;
  return GName;
}

}  // namespace

const std::string& WriteScratchFile(const uint8_t* Data, size_t Size) {
  static const std::string name = Name();
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  for (size_t done = 0; done < Size;) {
    const ssize_t put = ::write(fd, Data + done, Size - done);
    if (put <= 0) std::abort();
    done += static_cast<size_t>(put);
  }
  ::close(fd);
  return name;
}

}  // namespace corvane::fuzz
