#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "SourceError.h"

namespace corvane {

// What an error says about a failed job, taken where it was caught (also on the worker, so
// only plain values travel to the user-interface thread).
struct TFailure {
  enum class TSide { Unknown, Source, Output };

  std::string Text;  // the error's own text
  TSide Side = TSide::Unknown;
  std::string File;   // the file the error names itself (a track's audio may span files)
  int ErrorCode = 0;  // errno of a failed file operation
  TSourceFault SourceFault = TSourceFault::Unknown;
  double DamagedAt = -1;    // seconds into the source where its data broke; < 0: not known
  int64_t SampleRate = -1;  // the source's rate, when that is what the output cannot carry
};
TFailure FailureOf(const std::exception& E);
// Why a source failed, in the user's words; Source is the file it read.
std::string SourceCauseOf(const TFailure& Failure, const std::string& Source);

// The job as the messages name it.
struct TJobNames {
  std::string Job;     // the source of a whole file, or which track of which sheet
  std::string Source;  // the audio file the job reads
  std::string Output;  // the file the job writes
};

struct TFailureReport {
  // The error's own text, then which file, why, and which job.
  std::string Message;
  // One line for the status bar: the file's name and why.
  std::string Summary;
};
TFailureReport DescribeFailure(const TFailure& Failure, const TJobNames& Names);

struct TJob;
// The job as a failure's message names it: which file or which track of which sheet, the
// audio file it reads (for a track, the first of its files that cannot be opened), and its
// Output.
TJobNames NamesOfJob(const TJob& Job);
// A failure of Job as the user is told it.
TFailureReport DescribeJobFailure(const TFailure& Failure, const TJob& Job);

// A pipe, a device or a socket: something that is there but is neither a file nor a folder.
bool IsSpecialFile(const std::string& File);
// Why a file cannot be read, found by opening it: empty when it opens.
std::string WhyUnreadable(const std::string& File);
// The user's words for a system error number on File; empty when the system's own text says
// it better.
std::string CauseOfErrorCode(int ErrorCode, const std::string& File);

}  // namespace corvane
