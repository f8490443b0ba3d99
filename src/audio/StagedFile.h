#pragma once

#include <string>
#include <utility>

#include "File.h"

namespace corvane {

// An output written under a hidden temporary name in the folder of its final name and renamed
// over that name only once complete. Until then whatever stands at the final name is left
// alone; an output given up (a failed or stopped run) takes its temporary file with it, and
// the leftover of a crash is recognisably no finished file (".Song.flac.corvane-Xy3k9Q").
class TStagedFile {
 public:
  TStagedFile() = default;
  // Creates a new temporary file beside FinalName, never through a link or over an existing
  // file, and opens it. Throws EFileError (kCannotCreateFile, naming FinalName). Temporary
  // files of FinalName that a killed run left behind go first (RemoveLeftovers).
  static std::pair<TStagedFile, TFile> Create(const std::string& FinalName);
  // Removes the temporary files of FinalName that no run holds any more: each staged file is
  // locked (flock) while it lives, so a file of that name that is not locked, not changed for
  // a minute and a plain file is what a killed or crashed run left. Returns how many went.
  static int RemoveLeftovers(const std::string& FinalName);

  TStagedFile(TStagedFile&& Other) noexcept;
  TStagedFile& operator=(TStagedFile&& Other) noexcept;
  TStagedFile(const TStagedFile&) = delete;
  TStagedFile& operator=(const TStagedFile&) = delete;
  // Discards a file that was not committed.
  ~TStagedFile();

  bool Holds() const { return !FTemporaryName.empty(); }
  const std::string& FinalName() const { return FFinalName; }
  const std::string& TemporaryName() const { return FTemporaryName; }

  // Flushes the temporary file to disk and renames it over the final name, which replaces
  // what stands there (a symbolic link is replaced, not followed). Throws EFileError naming
  // the final file; the temporary file is removed then and the final name untouched. Holds
  // nothing afterwards either way.
  void Commit();
  // Removes the temporary file; holds nothing afterwards.
  void Discard() noexcept;

  // Every temporary name used for FinalName starts with this path.
  static std::string TemporaryPrefix(const std::string& FinalName);

 private:
  TStagedFile(std::string FinalName, std::string TemporaryName, TFile Lock)
      : FFinalName(std::move(FinalName)),
        FTemporaryName(std::move(TemporaryName)),
        FLock(std::move(Lock)) {}

  std::string FFinalName;
  std::string FTemporaryName;  // empty when nothing is held
  // Holds the temporary file's lock from its creation to its commit or removal, whoever else
  // opens and closes the file meanwhile.
  TFile FLock;
};

}  // namespace corvane
