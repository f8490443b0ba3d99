#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

struct TProgramSettings {
  std::string Directory;           // working folder; empty: the test's own
  std::vector<std::string> Unset;  // environment variables the program must not see
  // Standard output and error on a pseudo-terminal instead of files (both then land in Out).
  bool Terminal = false;
  // Called once the program runs, with its process id; the run is then waited for.
  std::function<void(pid_t)> WhileRunning;
  // Environment variables the program sees with these values.
  std::vector<std::pair<std::string, std::string>> Set = {};
};

struct TProgramResult {
  int ExitCode = -1;  // -1 when ended by a signal
  int Signal = 0;
  std::string Out;
  std::string Err;
};

// Runs the program Argv[0] with the arguments after it and returns how it ended and what it
// wrote. Throws std::runtime_error when it cannot be started.
TProgramResult RunProgram(const std::vector<std::string>& Argv,
                          const TProgramSettings& Settings = {});

}  // namespace corvane::test
