#pragma once

#include <optional>
#include <string>
#include <vector>

#include "BatchOptions.h"
#include "TextCodec.h"

namespace corvane {

// What to do with an output name that is taken by a file from before the run.
enum class TExistingOutput { Replace, Skip };

struct TCliOptions {
  std::vector<std::string> Paths;  // files and folders, as given
  std::string OutputFolder;        // empty: beside each source
  int Level = 5;
  int Jobs = 1;
  std::optional<std::string> NameTemplate;
  TTextEncoding Encoding = TTextEncoding::Auto;
  bool Recursive = false;
  bool DryRun = false;
  bool Quiet = false;
  TExistingOutput Existing = TExistingOutput::Replace;
  TBatchOptions Batch;
};

struct TCliRequest {
  enum class TKind { Run, Help, Version, UsageError };
  TKind Kind = TKind::Run;
  TCliOptions Options;
  std::string Text;  // the help, the version, or what is wrong (one line)
  // Files and folders given that are not there. As flac does, the others are still converted
  // and the run ends in failure; when nothing else is given there is nothing to run.
  std::vector<std::string> Missing;
};

// Reads the command line (Arguments[0] is the program), as the bytes the program was given:
// GNU-style long and short options, then the files and folders. A file name need not be
// UTF-8 (a legacy GBK name, say): it is used as the bytes it is. Every mistake is a usage error: an
// unknown option, a missing value, a level outside 0 to 8, a job count below 1, an unknown
// encoding or language, a name template that cannot be used, or no file at all. A file or folder
// that is not there is no usage error but goes to Missing. Cores is the default job count.
TCliRequest ParseCommandLine(const std::vector<std::string>& Arguments, int Cores);

// The encoding a user names ("gbk", "Shift-JIS", "auto"...), in any letter case.
std::optional<TTextEncoding> TextEncodingNamed(const std::string& Name);

}  // namespace corvane
