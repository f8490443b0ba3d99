#pragma once

#include <atomic>

#include "CliOptions.h"
#include "ConsoleProgress.h"

namespace corvane {

// Exit statuses of the command line.
constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Converts what Options names, on Cores cores, reporting to Console. Returns the exit status:
// converted (or skipped) every job, or some job failed or some file could not be added, or
// 128 plus the signal that Interrupt received (nonzero) meanwhile, after the jobs in progress
// have been given up and their temporary files removed. Runs Qt's event loop while the jobs
// run.
int RunConversion(const TCliOptions& Options, int Cores, TConsoleProgress& Console,
                  const std::atomic<int>& Interrupt);

}  // namespace corvane
