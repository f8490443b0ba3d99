#include "File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace corvane {

TFileError FileErrorOf(const std::string& What, const std::string& FileName, int Code) {
  return {Code, FileName, What + " \"" + FileName + "\". " + std::strerror(Code)};
}

TFile TFile::Open(const std::string& FileName, int Flags, unsigned Mode, const char* What) {
  const int fd = ::open(FileName.c_str(), Flags | O_CLOEXEC, static_cast<mode_t>(Mode));
  const int error = errno;
  TFile file(fd, FileName);
  if (fd < 0) file.Fail(What, error);
  return file;
}

TFile TFile::OpenRead(const std::string& FileName, bool FollowLinks) {
  // Non-blocking only for the open itself: a pipe without a writer would hold it for ever.
  // Reads of a regular file are not affected.
  return Open(FileName, (FollowLinks ? O_RDONLY : O_RDONLY | O_NOFOLLOW) | O_NONBLOCK, 0,
              "Cannot open file");
}

TFile TFile::OpenReadWrite(const std::string& FileName) {
  return Open(FileName, O_RDWR, 0, "Cannot open file");
}

TFile TFile::Create(const std::string& FileName) {
  return Open(FileName, O_RDWR | O_CREAT | O_TRUNC, 0666, kCannotCreateFile);
}

TFile TFile::CreateNew(const std::string& FileName) {
  return Open(FileName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666, kCannotCreateFile);
}

TFile TFile::CreateNew(const std::string& FileName, unsigned Mode) {
  TFile file = Open(FileName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600, kCannotCreateFile);
  // The umask must not narrow the bits asked for, so they are set on the open file.
  if (file.IsOpen() && ::fchmod(file.FFd, static_cast<mode_t>(Mode)) != 0) {
    file.Fail(kCannotCreateFile);
    ::close(std::exchange(file.FFd, -1));
    ::unlink(FileName.c_str());
  }
  return file;
}

TFile::TFile(TFile&& Other) noexcept
    : FFd(std::exchange(Other.FFd, -1)),
      FFileName(std::move(Other.FFileName)),
      FError(std::move(Other.FError)) {}

TFile& TFile::operator=(TFile&& Other) noexcept {
  if (this != &Other) {
    if (FFd >= 0) ::close(FFd);
    FFd = std::exchange(Other.FFd, -1);
    FFileName = std::move(Other.FFileName);
    FError = std::move(Other.FError);
  }
  return *this;
}

TFile::~TFile() {
  if (FFd >= 0) ::close(FFd);
}

bool TFile::Fail(const char* What) const {
  return Fail(What, errno);
}

bool TFile::Fail(const char* What, int Code) const {
  try {
    FError = FileErrorOf(What, FFileName, Code);
  } catch (...) {
    // No memory for the message: the cause is still known.
    FError.Code = Code;
  }
  return false;
}

int64_t TFile::Size() const {
  struct stat info {};
  if (::fstat(FFd, &info) != 0) {
    Fail(kCannotReadFile);
    return -1;
  }
  return info.st_size;
}

int64_t TFile::ReadAt(int64_t Offset, void* Data, int64_t Count) const {
  if (Offset < 0 || Count < 0) {
    Fail(kCannotReadFile, EINVAL);
    return -1;
  }
  auto* bytes = static_cast<char*>(Data);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t got = ::pread(FFd, bytes + done, static_cast<size_t>(Count - done),
                                static_cast<off_t>(Offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      {
        Fail(kCannotReadFile);
        return -1;
      }
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool TFile::ReadExact(int64_t Offset, void* Data, int64_t Count) const {
  return ReadAt(Offset, Data, Count) == Count;
}

int64_t TFile::WriteAt(int64_t Offset, const void* Data, int64_t Count) {
  if (Offset < 0 || Count < 0) {
    Fail(kCannotWriteFile, EINVAL);
    return 0;
  }
  const auto* bytes = static_cast<const char*>(Data);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t put = ::pwrite(FFd, bytes + done, static_cast<size_t>(Count - done),
                                 static_cast<off_t>(Offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      Fail(kCannotWriteFile, put == 0 ? ENOSPC : errno);
      break;
    }
    done += put;
  }
  return done;
}

bool TFile::Write(const void* Data, int64_t Count) {
  if (Count < 0) return Fail(kCannotWriteFile, EINVAL);
  const auto* bytes = static_cast<const char*>(Data);
  while (Count > 0) {
    const ssize_t written = ::write(FFd, bytes, static_cast<size_t>(Count));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(kCannotWriteFile, written == 0 ? ENOSPC : errno);
    bytes += written;
    Count -= written;
  }
  return true;
}

bool TFile::Seek(int64_t Offset) {
  if (::lseek(FFd, static_cast<off_t>(Offset), SEEK_SET) < 0) return Fail("Cannot seek in file");
  return true;
}

int64_t TFile::Position() const {
  const off_t position = ::lseek(FFd, 0, SEEK_CUR);
  if (position < 0) {
    Fail("Cannot seek in file");
    return -1;
  }
  return position;
}

bool TFile::Sync() {
  if (::fsync(FFd) != 0) return Fail(kCannotWriteFile);
  return true;
}

bool TFile::Close() {
  if (FFd < 0) return true;
  if (::close(std::exchange(FFd, -1)) != 0) return Fail("Cannot close file");
  return true;
}

void SyncFolderOf(const std::string& FileName) {
  const size_t slash = FileName.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : FileName.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace corvane
