#include "StagedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include "ACSException.h"

namespace corvane {
namespace {

constexpr const char* kMarker = ".corvane-";
constexpr size_t kRandomChars = 6;
constexpr int kAttempts = 100;

std::string FolderOf(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

// A file name may have at most NAME_MAX bytes; a long one is shortened to leave room for the
// marker, at a character boundary so the name stays readable UTF-8.
std::string ShortenedName(std::string Name) {
  const size_t room = NAME_MAX - 1 - std::strlen(kMarker) - kRandomChars;
  if (Name.size() <= room) return Name;
  size_t cut = room;
  while (cut > 0 && (static_cast<unsigned char>(Name[cut]) & 0xC0) == 0x80) --cut;
  Name.resize(cut);
  return Name;
}

std::string RandomChars() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
  std::string chars(kRandomChars, ' ');
  for (char& c : chars) c = kAlphabet[pick(random)];
  return chars;
}

[[noreturn]] void Fail(const char* What, const std::string& FileName, int Error) {
  throw EFileError(FileErrorOf(What, FileName, Error));
}

bool TryLock(const TFile& File) {
  return File.IsOpen() && ::flock(File.Fd(), LOCK_EX | LOCK_NB) == 0;
}

// A run that has only just created its file may not have locked it yet.
constexpr time_t kLeftoverSeconds = 60;

// Whether Path is a temporary file that no run holds.
bool IsLeftover(const std::string& Path) {
  struct stat info {};
  if (::lstat(Path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (std::time(nullptr) - info.st_mtime < kLeftoverSeconds) return false;
  const TFile file = TFile::OpenRead(Path, false);
  return TryLock(file);
}

// Names in Folder ("" is the working folder) that start with Prefix and have the random part
// after it.
std::vector<std::string> NamesWithPrefix(const std::string& Folder, const std::string& Prefix) {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Folder.empty() ? "." : Folder.c_str()),
                                                ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.size() == Prefix.size() + kRandomChars && name.starts_with(Prefix)) {
      names.push_back(name);
    }
  }
  return names;
}

}  // namespace

std::string TStagedFile::TemporaryPrefix(const std::string& FinalName) {
  const size_t slash = FinalName.rfind('/');
  const std::string name = slash == std::string::npos ? FinalName : FinalName.substr(slash + 1);
  return FolderOf(FinalName) + "." + ShortenedName(name) + kMarker;
}

int TStagedFile::RemoveLeftovers(const std::string& FinalName) {
  const std::string folder = FolderOf(FinalName);
  const std::string prefix = TemporaryPrefix(FinalName).substr(folder.size());
  int removed = 0;
  for (const std::string& name : NamesWithPrefix(folder, prefix)) {
    if (IsLeftover(folder + name) && ::unlink((folder + name).c_str()) == 0) ++removed;
  }
  return removed;
}

std::pair<TStagedFile, TFile> TStagedFile::Create(const std::string& FinalName) {
  RemoveLeftovers(FinalName);
  const std::string prefix = TemporaryPrefix(FinalName);
  for (int attempt = 1;; ++attempt) {
    const std::string temporary = prefix + RandomChars();
    TFile file = TFile::CreateNew(temporary);
    if (file.IsOpen()) {
      // Our own new file: only a leftover check that opened it this instant can hold the lock,
      // and that one leaves it alone (it is too new).
      TFile lock = TFile::OpenRead(temporary, false);
      TryLock(lock);
      return {TStagedFile(FinalName, temporary, std::move(lock)), std::move(file)};
    }
    // Taken by a leftover or by another program's file: draw again.
    if (file.Error().Code == EEXIST && attempt < kAttempts) continue;
    // The user knows the final name; the temporary one means nothing to them.
    Fail(kCannotCreateFile, FinalName, file.Error().Code);
  }
}

TStagedFile::TStagedFile(TStagedFile&& Other) noexcept
    : FFinalName(std::move(Other.FFinalName)),
      FTemporaryName(std::exchange(Other.FTemporaryName, std::string())),
      FLock(std::move(Other.FLock)) {}

TStagedFile& TStagedFile::operator=(TStagedFile&& Other) noexcept {
  if (this != &Other) {
    Discard();
    FFinalName = std::move(Other.FFinalName);
    FTemporaryName = std::exchange(Other.FTemporaryName, std::string());
    FLock = std::move(Other.FLock);
  }
  return *this;
}

TStagedFile::~TStagedFile() {
  Discard();
}

void TStagedFile::Discard() noexcept {
  if (FTemporaryName.empty()) return;
  ::unlink(FTemporaryName.c_str());
  FTemporaryName.clear();
  FLock.Close();
}

void TStagedFile::Commit() {
  if (FTemporaryName.empty()) throw EACSException("No finished file to commit.");
  // Flushed before the rename: after a crash the final name holds the old file or the whole
  // new one, never a new name over data that never reached the disk.
  TFile file = TFile::OpenRead(FTemporaryName, false);
  if (!file.IsOpen() || !file.Sync()) {
    const int error = file.Error().Code;
    Discard();
    Fail(kCannotWriteFile, FFinalName, error);
  }
  file.Close();
  if (::rename(FTemporaryName.c_str(), FFinalName.c_str()) != 0) {
    const int error = errno;
    Discard();
    Fail("Cannot replace file", FFinalName, error);
  }
  FTemporaryName.clear();
  FLock.Close();
  SyncFolderOf(FFinalName);
}

}  // namespace corvane
