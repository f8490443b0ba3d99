#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// Whether the file system holding Folder, or its nearest folder that exists, ignores letter
// case in names.
bool FolderFoldsLetterCase(const std::string& Folder);

// The path with its folder resolved, and its name case-folded where the folder ignores case,
// for comparing two paths. The name itself is not resolved: a link standing there is replaced
// by the output, not followed.
std::string SameFileKey(const std::string& Path,
                        const std::function<bool(const std::string&)>& FoldsCase);

// Gives every job of a batch a file of its own. Two sheets in one folder both name their
// tracks Track_1.flac, and CD1/01.ape and CD2/01.ape meet in one output folder: the later job
// gets "Track_1 (2).flac" instead of silently replacing the earlier job's file. A file left
// by an earlier batch is replaced as before.
//
// Paths are the same when they name the same place (a folder spelled differently or reached
// through a link). Names that differ only in letter case are the same file in a folder on a
// file system that ignores case (a FAT or exFAT memory card, an NTFS disk, a Windows share),
// and different files elsewhere: Linux tells Song.flac from song.flac.
class TOutputPlan {
 public:
  // Whether names in Folder (which may not exist yet) ignore letter case.
  using TFoldsCase = std::function<bool(const std::string& Folder)>;
  explicit TOutputPlan(TFoldsCase FoldsCase = FolderFoldsLetterCase)
      : FFoldsCase(std::move(FoldsCase)) {}

  // The outputs of jobs whose own names are Natural, in list order, avoiding each other and
  // the files written so far. An empty name stays empty (the job cannot be named yet).
  std::vector<std::string> Plan(const std::vector<std::string>& Natural) const;
  // A job of this batch has written Path.
  void Written(const std::string& Path);
  // The batch is over: later jobs may replace what it wrote.
  void Reset() { FWritten.clear(); }

 private:
  std::string Key(const std::string& Path) const { return SameFileKey(Path, FFoldsCase); }

  TFoldsCase FFoldsCase;
  std::set<std::string> FWritten;  // Key of each
};

}  // namespace corvane
