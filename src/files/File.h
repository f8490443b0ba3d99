#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace corvane {

// What a failed file operation leaves for the user: the system's error number (so the
// program can put the cause in the user's own words) and a message that names the file and
// ends with the system's text ("Cannot open file "/music/a.ape". Permission denied").
struct TFileError {
  int Code = 0;
  std::string FileName;
  std::string Message;
};
// What names a failed operation in its error.
inline constexpr const char* kCannotCreateFile = "Cannot create file";
inline constexpr const char* kCannotReadFile = "Cannot read file";
inline constexpr const char* kCannotWriteFile = "Cannot write file";

// The error of an operation that failed with the system's error number Code on FileName:
// What names the operation (kCannotWriteFile).
TFileError FileErrorOf(const std::string& What, const std::string& FileName, int Code);

// A file opened by name, for the tag readers and writer (positioned 64-bit reads and writes)
// and for the encoder's output (writes at the current position, seek and tell). Nothing here
// throws: every call says by its result whether it worked, and the last failure stays in
// Error() with its cause, so each layer reports it in its own way (the audio layer throws
// it, the tag layer returns it in a status).
class TFile {
 public:
  TFile() = default;
  // Without FollowLinks a symbolic link at FileName is refused (ELOOP): for reopening a file
  // of the program's own, which nobody may swap for a link.
  static TFile OpenRead(const std::string& FileName, bool FollowLinks = true);
  // Opens an existing file for rewriting in place: never creates or truncates it.
  static TFile OpenReadWrite(const std::string& FileName);
  // Creates FileName for reading and writing, replacing an existing file.
  static TFile Create(const std::string& FileName);
  // Creates FileName only if nothing stands at that name: never over an existing file, never
  // through a symbolic link (the error is EEXIST then). Without Mode the umask decides the
  // permission bits; Mode is taken as it stands.
  static TFile CreateNew(const std::string& FileName);
  static TFile CreateNew(const std::string& FileName, unsigned Mode);

  TFile(TFile&& Other) noexcept;
  TFile& operator=(TFile&& Other) noexcept;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  ~TFile();

  bool IsOpen() const { return FFd >= 0; }
  int Fd() const { return FFd; }
  const std::string& FileName() const { return FFileName; }
  // The last failure; Code 0 when there was none.
  const TFileError& Error() const { return FError; }

  // The file's size in bytes, -1 on failure.
  int64_t Size() const;
  // Reads up to Count bytes at Offset; the number read (fewer only at the end of the file), or
  // -1 on failure.
  int64_t ReadAt(int64_t Offset, void* Data, int64_t Count) const;
  // Reads exactly Count bytes at Offset; false on failure or at the end of the file (which
  // leaves Error() alone: the bytes are just not there).
  bool ReadExact(int64_t Offset, void* Data, int64_t Count) const;
  // Writes all Count bytes at Offset; the number written before a failure (Count when all
  // went well). A write that stores nothing more is a full disk.
  int64_t WriteAt(int64_t Offset, const void* Data, int64_t Count);

  // Writes all Count bytes at the current position and moves past them; a short write is a
  // failure, never a silent truncation.
  bool Write(const void* Data, int64_t Count);
  bool Seek(int64_t Offset);
  // The current position, -1 on failure (a pipe has none).
  int64_t Position() const;

  // Flushes the file's data to the disk.
  bool Sync();
  // Closes the file, reporting a failure of the close itself (a delayed write error).
  bool Close();

 private:
  TFile(int Fd, std::string FileName) : FFd(Fd), FFileName(std::move(FileName)) {}
  static TFile Open(const std::string& FileName, int Flags, unsigned Mode, const char* What);
  // Keeps errno's failure of the operation What; returns false for the caller to pass on.
  bool Fail(const char* What) const;
  bool Fail(const char* What, int Code) const;

  int FFd = -1;
  std::string FFileName;
  mutable TFileError FError;
};

// Flushes the folder holding FileName, so that a rename in it survives a crash. A failure here
// undoes nothing and is not reported: the rename itself has happened.
void SyncFolderOf(const std::string& FileName);

}  // namespace corvane
