#pragma once

#include <cstdint>
#include <string>

#include "File.h"

namespace corvane::ttadec {

// The file being decoded, read by offset, so that reads never depend on a position another
// read left behind.
class TTtaFile {
 public:
  // Throws ETtaError(Unreadable) when FileName cannot be opened or is not a regular file: a
  // pipe or a device has no seek table to trust and no end to find the tags by.
  explicit TTtaFile(const std::string& FileName);

  const std::string& FileName() const { return FFile.FileName(); }
  // The size found at open.
  int64_t Size() const { return FSize; }
  // Reads Count bytes at Offset into Dest; false when the file ends before them. Throws
  // ETtaError(Unreadable) when the system fails the read.
  bool Read(int64_t Offset, void* Dest, int64_t Count) const;

 private:
  TFile FFile;
  int64_t FSize = 0;
};

}  // namespace corvane::ttadec
