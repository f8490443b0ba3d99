#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Disc.h"
#include "Job.h"
#include "TextCodec.h"

namespace corvane {

// What adding files gave: the new jobs, in order, and one text per file that could not be
// added, naming it and saying why.
struct TAddedJobs {
  std::vector<TJob> Jobs;
  std::vector<std::string> Problems;
};

// Makes the jobs of Files: an audio file is one job (unless Listed says a job of that very path
// is there already); a ".cue" file, or an audio file with a cue sheet in its tag, is a disc
// appended to Sheets with a job per track (unless the sheet is loaded already). Sheets are
// read in Encoding (Auto: detected). Other files are skipped. Goes on past a file that cannot
// be added, or a sheet that is refused.
TAddedJobs AddJobFiles(const std::vector<std::string>& Files, TTextEncoding Encoding,
                       TDiscList& Sheets, const std::function<bool(const std::string&)>& Listed);

}  // namespace corvane
