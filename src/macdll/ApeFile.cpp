#include "ApeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "ApeError.h"
#include "MACDllApi.h"

namespace corvane::macdll {

TApeFile::TApeFile(const char* FileName) {
  if (FileName == nullptr || *FileName == '\0') throw TMacError{MAC_ERROR_IO_READ};
  // O_NONBLOCK: opening a pipe must not wait for a writer; it is refused below.
  FDescriptor = ::open(FileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (FDescriptor < 0) throw TMacError{MAC_ERROR_IO_READ};
  struct stat status {};
  if (::fstat(FDescriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(FDescriptor);
    throw TMacError{MAC_ERROR_IO_READ};
  }
  FSize = status.st_size;
}

TApeFile::~TApeFile() {
  ::close(FDescriptor);
}

bool TApeFile::ReadAt(int64_t Offset, void* Dest, int64_t Count) const {
  if (Offset < 0 || Count < 0 || Offset > FSize || Count > FSize - Offset) return false;
  auto* out = static_cast<uint8_t*>(Dest);
  while (Count > 0) {
    const ssize_t got = ::pread(FDescriptor, out, static_cast<size_t>(Count), Offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // the file shrank under us, or the disk failed
    out += got;
    Offset += got;
    Count -= got;
  }
  return true;
}

std::vector<uint8_t> TApeFile::ReadUpTo(int64_t Offset, int64_t Count) const {
  if (Offset < 0 || Offset >= FSize || Count <= 0) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min(Count, FSize - Offset)));
  if (!ReadAt(Offset, bytes.data(), static_cast<int64_t>(bytes.size()))) return {};
  return bytes;
}

}  // namespace corvane::macdll
