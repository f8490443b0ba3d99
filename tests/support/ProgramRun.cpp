#include "ProgramRun.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::test {
namespace {

[[noreturn]] void Exec(const std::vector<std::string>& Argv, const TProgramSettings& Settings) {
  if (!Settings.Directory.empty() && ::chdir(Settings.Directory.c_str()) != 0) ::_exit(127);
  // The programs speak the user's language: the tests read English unless they ask otherwise,
  // whatever the machine's locale.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(name);
  ::setenv("LANG", "C.UTF-8", 1);
  for (const std::string& name : Settings.Unset) ::unsetenv(name.c_str());
  for (const auto& [name, value] : Settings.Set) ::setenv(name.c_str(), value.c_str(), 1);
  std::vector<char*> args;
  for (const std::string& arg : Argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execv(args[0], args.data());
  ::_exit(127);
}

void Finish(pid_t Pid, TProgramResult& Result) {
  int status = 0;
  while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) Result.ExitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) Result.Signal = WTERMSIG(status);
}

std::string TextOf(const std::string& File) {
  const std::vector<uint8_t> bytes = ReadFileBytes(File);
  return {bytes.begin(), bytes.end()};
}

TProgramResult RunOnTerminal(const std::vector<std::string>& Argv,
                             const TProgramSettings& Settings) {
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) throw std::runtime_error("forkpty failed");
  if (pid == 0) Exec(Argv, Settings);
  if (Settings.WhileRunning) Settings.WhileRunning(pid);
  TProgramResult result;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    if (got > 0) {
      result.Out.append(buffer, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO: the program has closed the terminal
    }
  }
  ::close(master);
  Finish(pid, result);
  return result;
}

}  // namespace

TProgramResult RunProgram(const std::vector<std::string>& Argv, const TProgramSettings& Settings) {
  if (Settings.Terminal) return RunOnTerminal(Argv, Settings);
  const TScratchDir capture;
  const std::string out = capture.File("out");
  const std::string err = capture.File("err");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(127);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0) ::dup2(nothing, 0);
    Exec(Argv, Settings);
  }
  if (Settings.WhileRunning) Settings.WhileRunning(pid);
  TProgramResult result;
  Finish(pid, result);
  result.Out = TextOf(out);
  result.Err = TextOf(err);
  return result;
}

}  // namespace corvane::test
