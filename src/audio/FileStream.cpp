#include "FileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "ACSException.h"

namespace corvane {

TFileStream TFileStream::Open(const std::string& FileName, int Flags) {
  const int fd = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | Flags, 0666);
  if (fd < 0) {
    const int error = errno;
    throw EFileError("Cannot create file \"" + FileName + "\". " + std::strerror(error), FileName,
                     error);
  }
  return TFileStream(fd, FileName);
}

TFileStream TFileStream::Create(const std::string& FileName) {
  return Open(FileName, O_TRUNC);
}

TFileStream TFileStream::CreateNew(const std::string& FileName) {
  return Open(FileName, O_EXCL | O_NOFOLLOW);
}

TFileStream::TFileStream(int Fd, std::string FileName) : FFd(Fd), FFileName(std::move(FileName)) {}

TFileStream::TFileStream(TFileStream&& Other) noexcept
    : FFd(std::exchange(Other.FFd, -1)), FFileName(std::move(Other.FFileName)) {}

TFileStream& TFileStream::operator=(TFileStream&& Other) noexcept {
  if (this != &Other) {
    if (FFd >= 0) ::close(FFd);
    FFd = std::exchange(Other.FFd, -1);
    FFileName = std::move(Other.FFileName);
  }
  return *this;
}

TFileStream::~TFileStream() {
  if (FFd >= 0) ::close(FFd);
}

void TFileStream::Fail(const char* What) const {
  const int error = errno;
  throw EFileError(std::string(What) + " \"" + FFileName + "\". " + std::strerror(error), FFileName,
                   error);
}

void TFileStream::Write(const void* Data, int64_t Count) {
  const auto* bytes = static_cast<const char*>(Data);
  while (Count > 0) {
    const ssize_t written = ::write(FFd, bytes, static_cast<size_t>(Count));
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write file");
    }
    if (written == 0) {
      errno = ENOSPC;
      Fail("Cannot write file");
    }
    bytes += written;
    Count -= written;
  }
}

void TFileStream::Seek(int64_t Offset) {
  if (::lseek(FFd, static_cast<off_t>(Offset), SEEK_SET) < 0) Fail("Cannot seek in file");
}

int64_t TFileStream::Position() const {
  const off_t position = ::lseek(FFd, 0, SEEK_CUR);
  if (position < 0) Fail("Cannot seek in file");
  return position;
}

void TFileStream::Close() {
  if (FFd < 0) return;
  const int fd = std::exchange(FFd, -1);
  if (::close(fd) != 0) Fail("Cannot close file");
}

}  // namespace corvane
