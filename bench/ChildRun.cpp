#include "ChildRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace corvane::bench {
namespace {

double SecondsOf(const timeval& Time) {
  return static_cast<double>(Time.tv_sec) + static_cast<double>(Time.tv_usec) / 1e6;
}

}  // namespace

TRun RunChild(const std::vector<std::string>& Arguments, bool Quiet) {
  std::vector<char*> argv;
  for (const std::string& a : Arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (Quiet) ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string line;
    for (const std::string& a : Arguments) line += a + " ";
    std::fprintf(stderr, "failed: %s\n", line.c_str());
    std::exit(1);
  }
  return {seconds, SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime),
          static_cast<double>(usage.ru_maxrss) / 1024.0};
}

void KeepBest(TRun& Best, const TRun& Run) {
  Best.Seconds = std::min(Best.Seconds, Run.Seconds);
  Best.Cpu = std::min(Best.Cpu, Run.Cpu);
  Best.PeakMiB = std::min(Best.PeakMiB, Run.PeakMiB);
}

}  // namespace corvane::bench
