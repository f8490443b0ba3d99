#include "TagFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace corvane {

TTagFile TTagFile::OpenRead(const std::string& FileName) {
  return TTagFile(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
}

TTagFile TTagFile::OpenReadWrite(const std::string& FileName) {
  return TTagFile(::open(FileName.c_str(), O_RDWR | O_CLOEXEC));
}

TTagFile TTagFile::CreateNew(const std::string& FileName, unsigned Mode) {
  TTagFile file(::open(FileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  // The umask must not narrow the bits asked for, so set them on the open file.
  if (file.IsOpen() && ::fchmod(file.FFd, static_cast<mode_t>(Mode)) != 0) {
    const int error = errno;
    file.Close();
    ::unlink(FileName.c_str());
    errno = error;
    return TTagFile();
  }
  return file;
}

TTagFile::TTagFile(TTagFile&& Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}

TTagFile& TTagFile::operator=(TTagFile&& Other) noexcept {
  if (this != &Other) {
    if (FFd >= 0) ::close(FFd);
    FFd = std::exchange(Other.FFd, -1);
  }
  return *this;
}

TTagFile::~TTagFile() {
  if (FFd >= 0) ::close(FFd);
}

int64_t TTagFile::Size() const {
  struct stat info {};
  if (FFd < 0 || ::fstat(FFd, &info) != 0) return -1;
  return info.st_size;
}

int64_t TTagFile::ReadAt(int64_t Offset, void* Data, int64_t Count) const {
  if (FFd < 0 || Offset < 0 || Count < 0) {
    errno = EINVAL;
    return -1;
  }
  auto* bytes = static_cast<char*>(Data);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t got = ::pread(FFd, bytes + done, static_cast<size_t>(Count - done),
                                static_cast<off_t>(Offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool TTagFile::ReadExact(int64_t Offset, void* Data, int64_t Count) const {
  return ReadAt(Offset, Data, Count) == Count;
}

int64_t TTagFile::WriteAt(int64_t Offset, const void* Data, int64_t Count) {
  if (FFd < 0 || Offset < 0 || Count < 0) {
    errno = EINVAL;
    return 0;
  }
  const auto* bytes = static_cast<const char*>(Data);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t put = ::pwrite(FFd, bytes + done, static_cast<size_t>(Count - done),
                                 static_cast<off_t>(Offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (put == 0) {
      errno = ENOSPC;
      break;
    }
    done += put;
  }
  return done;
}

bool TTagFile::Sync() {
  return FFd >= 0 && ::fsync(FFd) == 0;
}

bool TTagFile::Close() {
  if (FFd < 0) return true;
  return ::close(std::exchange(FFd, -1)) == 0;
}

}  // namespace corvane
