#pragma once

#include <set>
#include <string>
#include <vector>

namespace corvane {

// Gives every job of a batch a file of its own. Two sheets in one folder both name their
// tracks Track_1.flac, and CD1/01.ape and CD2/01.ape meet in one output folder: the later job
// gets "Track_1 (2).flac" instead of silently replacing the earlier job's file. A file left
// by an earlier batch is replaced as before.
//
// Paths are the same when they name the same place (a folder spelled differently or reached
// through a link), not when they differ only in letter case: Linux tells Song.flac from
// song.flac.
class TOutputPlan {
 public:
  // The outputs of jobs whose own names are Natural, in list order, avoiding each other and
  // the files written so far. An empty name stays empty (the job cannot be named yet).
  std::vector<std::string> Plan(const std::vector<std::string>& Natural) const;
  // A job of this batch has written Path.
  void Written(const std::string& Path);
  // The batch is over: later jobs may replace what it wrote.
  void Reset() { FWritten.clear(); }

 private:
  std::set<std::string> FWritten;  // SameFileKey of each
};

// The path with its folder resolved, for comparing two paths. The name itself is not
// resolved: a link standing there is replaced by the output, not followed.
std::string SameFileKey(const std::string& Path);

}  // namespace corvane
