#pragma once

#include <string>
#include <vector>

namespace corvane::bench {

struct TRun {
  double Seconds;  // wall clock
  double Cpu;      // user and system time: what a ratio compares when the machine is shared
  double PeakMiB;  // peak resident set
};

// Runs Arguments as a child process and returns its wall time, processor time and peak
// resident set; ends the benchmark when it cannot start or fails. Quiet: its warnings are not
// shown (its exit status still counts).
TRun RunChild(const std::vector<std::string>& Arguments, bool Quiet = false);

// Keeps the least of each figure.
void KeepBest(TRun& Best, const TRun& Run);

}  // namespace corvane::bench
