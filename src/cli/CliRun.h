#pragma once

#include <atomic>

#include "CliOptions.h"
#include "ConsoleProgress.h"

namespace corvane {

// Exit statuses of the command line.
constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What a signal handler shares with a run: the signal received, and whether jobs have started
// writing. Before they have, there is nothing to take back and the handler may end the program
// at once; after, it only records the signal and the run gives the jobs up.
struct TInterrupt {
  std::atomic<int> Signal{0};
  std::atomic<bool> JobsStarted{false};
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// Converts what Options names, on Cores cores, reporting to Console. Returns the exit status:
// converted (or skipped) every job, or some job failed or some file could not be added, or
// 128 plus the signal that Interrupt received meanwhile, after the jobs in progress have been
// given up and their temporary files removed. Runs Qt's event loop while the jobs run.
int RunConversion(const TCliOptions& Options, int Cores, TConsoleProgress& Console,
                  TInterrupt& Interrupt);

}  // namespace corvane
