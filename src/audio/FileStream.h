#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// A file opened for reading and writing, with 64-bit offsets. Every failure throws EFileError
// with the file and the system's reason; a write that stores fewer bytes than asked is a
// failure, never a silent truncation.
class TFileStream {
 public:
  // Creates FileName, replacing an existing file ("Cannot create file ..." on failure).
  static TFileStream Create(const std::string& FileName);
  // Creates FileName only if nothing stands at that name: never an existing file, never
  // through a symbolic link. Fails with EEXIST when the name is taken.
  static TFileStream CreateNew(const std::string& FileName);

  TFileStream(TFileStream&& Other) noexcept;
  TFileStream& operator=(TFileStream&& Other) noexcept;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  ~TFileStream();

  void Write(const void* Data, int64_t Count);
  void Seek(int64_t Offset);
  int64_t Position() const;
  const std::string& FileName() const { return FFileName; }
  // Closes the file, reporting a failure of the close itself (a delayed write error).
  void Close();

 private:
  TFileStream(int Fd, std::string FileName);
  static TFileStream Open(const std::string& FileName, int Flags);
  [[noreturn]] void Fail(const char* What) const;

  int FFd = -1;
  std::string FFileName;
};

}  // namespace corvane
