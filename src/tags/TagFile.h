#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// A file descriptor owned by the tag readers and writer, with 64-bit positioned reads and
// writes. Nothing here throws: callers decide whether a failure is an error or just "no tag".
// errno is left as the failing call set it.
class TTagFile {
 public:
  TTagFile() = default;
  static TTagFile OpenRead(const std::string& FileName);
  // Opens an existing file for rewriting in place: never creates or truncates it.
  static TTagFile OpenReadWrite(const std::string& FileName);
  // Creates FileName with the given permission bits; fails when the name already exists, so a
  // planted symbolic link or a read-only leftover is never written through.
  static TTagFile CreateNew(const std::string& FileName, unsigned Mode);

  TTagFile(TTagFile&& Other) noexcept;
  TTagFile& operator=(TTagFile&& Other) noexcept;
  TTagFile(const TTagFile&) = delete;
  TTagFile& operator=(const TTagFile&) = delete;
  ~TTagFile();

  bool IsOpen() const { return FFd >= 0; }
  int Fd() const { return FFd; }
  // The file's size in bytes, -1 on failure.
  int64_t Size() const;
  // Reads up to Count bytes at Offset; returns the number read (fewer only at the end of the
  // file), or -1 on failure.
  int64_t ReadAt(int64_t Offset, void* Data, int64_t Count) const;
  // Reads exactly Count bytes at Offset; false on failure or at the end of the file.
  bool ReadExact(int64_t Offset, void* Data, int64_t Count) const;
  // Writes all Count bytes at Offset; returns the number written before a failure (Count
  // when all went well).
  int64_t WriteAt(int64_t Offset, const void* Data, int64_t Count);
  bool Sync();
  // Closes the file, reporting a failure of the close itself (a delayed write error).
  bool Close();

 private:
  explicit TTagFile(int Fd) : FFd(Fd) {}
  int FFd = -1;
};

}  // namespace corvane
