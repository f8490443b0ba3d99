#include "ChildProcess.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <exception>

namespace corvane::test {

std::string RunInChild(const TChildOptions& Options, const std::function<std::string()>& Check) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    ::close(fds[0]);
    std::string verdict;
    if (Options.DropRoot && ::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) verdict = "cannot drop root";
    }
    if (verdict.empty() && Options.FileSizeLimit >= 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(Options.FileSizeLimit),
                         static_cast<rlim_t>(Options.FileSizeLimit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) verdict = "setrlimit failed";
    }
    if (verdict.empty()) {
      try {
        verdict = Check();
      } catch (const std::exception& E) {
        verdict = std::string("uncaught exception: ") + E.what();
      }
    }
    ssize_t ignored = ::write(fds[1], verdict.data(), verdict.size());
    (void)ignored;
    ::close(fds[1]);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string verdict;
  char buffer[512];
  ssize_t got;
  while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) verdict.append(buffer, static_cast<size_t>(got));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child died: " + verdict + " (signal " + std::to_string(WTERMSIG(status)) + ")";
  return verdict;
}

}  // namespace corvane::test
