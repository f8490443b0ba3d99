#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::macdll {

// Read access to one file by offset. Reads never pass the size found at open.
class TApeFile {
 public:
  // Throws TMacError(MAC_ERROR_IO_READ) when the file cannot be opened or is not a regular file.
  explicit TApeFile(const char* FileName);
  TApeFile(const TApeFile&) = delete;
  TApeFile& operator=(const TApeFile&) = delete;
  ~TApeFile();

  int64_t Size() const { return FSize; }
  // Reads Count bytes at Offset into Dest; false when they are not all in the file or a read
  // fails.
  bool ReadAt(int64_t Offset, void* Dest, int64_t Count) const;
  // Count bytes at Offset, or as many of them as the file holds.
  std::vector<uint8_t> ReadUpTo(int64_t Offset, int64_t Count) const;

 private:
  int FDescriptor = -1;
  int64_t FSize = 0;
};

}  // namespace corvane::macdll
