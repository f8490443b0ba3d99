#include "TtaFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "TtaError.h"

namespace corvane::ttadec {

TTtaFile::TTtaFile(const std::string& FileName) : FFile(TFile::OpenRead(FileName)) {
  if (!FFile.IsOpen()) throw ETtaError(TTtaFault::Unreadable, FFile.Error().Message);
  struct stat status {};
  if (::fstat(FFile.Fd(), &status) != 0) {
    throw ETtaError(TTtaFault::Unreadable, FileErrorOf(kCannotReadFile, FileName, errno).Message);
  }
  if (!S_ISREG(status.st_mode)) {
    throw ETtaError(TTtaFault::Unreadable, "\"" + FileName + "\" is not a regular file");
  }
  FSize = status.st_size;
}

bool TTtaFile::Read(int64_t Offset, void* Dest, int64_t Count) const {
  if (Offset < 0 || Count < 0 || Offset > FSize || Count > FSize - Offset) return false;
  const int64_t got = FFile.ReadAt(Offset, Dest, Count);
  if (got < 0) throw ETtaError(TTtaFault::Unreadable, FFile.Error().Message);
  return got == Count;
}

}  // namespace corvane::ttadec
