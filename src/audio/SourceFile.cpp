#include "SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "SourceError.h"

namespace corvane {

TFile OpenSourceFile(const std::string& FileName) {
  // Opened without blocking, so that a pipe without a writer is refused here instead of
  // holding the caller.
  TFile file = TFile::OpenRead(FileName);
  if (!file.IsOpen()) {
    throw ESourceError(file.Error().Message, TSourceFault::Unreadable, FileName);
  }
  struct stat status {};
  if (::fstat(file.Fd(), &status) != 0) {
    throw ESourceError(FileErrorOf("Cannot open file", FileName, errno).Message,
                       TSourceFault::Unreadable, FileName);
  }
  if (!S_ISREG(status.st_mode)) {
    throw ESourceError("\"" + FileName + "\" is not a regular file.", TSourceFault::Unreadable,
                       FileName);
  }
  // The decoders' reads expect a blocking descriptor.
  const int flags = ::fcntl(file.Fd(), F_GETFL);
  if (flags < 0 || ::fcntl(file.Fd(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    throw ESourceError(FileErrorOf("Cannot open file", FileName, errno).Message,
                       TSourceFault::Unreadable, FileName);
  }
  return file;
}

}  // namespace corvane
