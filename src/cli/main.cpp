// corvane-cli: the converter of the window, from the command line.
#include <sched.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CliRun.h"
#include "CliTexts.h"
#include "ConsoleProgress.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "TextFormat.h"
#include "Translators.h"

namespace {

corvane::TInterrupt gInterrupt;
// What an interrupt before the jobs start says, in the language chosen once there is one.
std::atomic<const char*> gInterruptedText{"corvane-cli: interrupted\n"};

extern "C" void OnInterrupt(int Signal) {
  gInterrupt.Signal.store(Signal);
  if (!gInterrupt.JobsStarted.load()) {
    // Still adding or planning: nothing is written yet, so the program ends at once, even
    // inside a slow read.
    const char* text = gInterruptedText.load();
    if (::write(STDERR_FILENO, text, std::strlen(text)) < 0) {
      // Nothing more can be said.
    }
    ::_exit(128 + Signal);
  }
}

// Ctrl-C, a closed terminal or a kill end the run cleanly: the jobs in progress take their
// temporary files with them. A second signal ends the program at once.
void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// The cores this process may run on.
int AvailableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(CPU_COUNT(&set), 1);
  return std::max(static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)), 1);
}

}  // namespace

int main(int argc, char** argv) {
  CatchInterrupts();
  // A file-size limit must fail the write that meets it, and a reader of our output that goes
  // away must not end the conversion.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // Before Qt starts any thread.
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("corvane-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));

  const std::vector<std::string> arguments(argv, argv + argc);
  corvane::TTranslators translators;
  translators.Install(corvane::ChosenLanguage(corvane::LanguageAsked(arguments), std::nullopt,
                                              corvane::LanguageOfEnvironment()));
  static const std::string interrupted =
      "corvane-cli: " + corvane::TranslatedText(corvane::clitexts::kInterrupted) + "\n";
  gInterruptedText.store(interrupted.c_str());

  const int cores = AvailableCores();
  const corvane::TCliRequest request = corvane::ParseCommandLine(arguments, cores);
  switch (request.Kind) {
    case corvane::TCliRequest::TKind::Help:
    case corvane::TCliRequest::TKind::Version:
      std::printf("%s\n", request.Text.c_str());
      return corvane::kExitConverted;
    case corvane::TCliRequest::TKind::UsageError:
      std::fprintf(stderr, "corvane-cli: %s\n",
                   corvane::FormatText(corvane::clitexts::kUsageError, {request.Text}).c_str());
      return corvane::kExitUsage;
    case corvane::TCliRequest::TKind::Run:
      break;
  }
  const corvane::TCliOptions& options = request.Options;
  using TMode = corvane::TConsoleProgress::TMode;
  const TMode mode = options.Quiet                  ? TMode::Quiet
                     : ::isatty(STDOUT_FILENO) != 0 ? TMode::Terminal
                                                    : TMode::Lines;
  corvane::TConsoleProgress console(mode, stdout, stderr);
  for (const std::string& path : request.Missing) {
    console.PrintError("corvane-cli: " +
                       corvane::FormatText(corvane::clitexts::kCannotFind, {path}));
  }
  if (options.Paths.empty()) return corvane::kExitFailed;
  const int status = corvane::RunConversion(options, cores, console, gInterrupt);
  return status == corvane::kExitConverted && !request.Missing.empty() ? corvane::kExitFailed
                                                                       : status;
}
