#include <QSettings>
#include <QStringList>
#include <csignal>
#include <memory>
#include <optional>

#include "Application.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "Program.h"
#include "StartupOptions.h"
#include "WindowSettings.h"

int main(int argc, char** argv) {
  // A file-size limit must fail the write that meets it, not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Before the toolkit starts any thread. A library that is missing is reported when the main
  // window creates the component that needs it.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Help and version before the toolkit connects to a display: they need none.
  if (const std::optional<int> status = corvane::AnswerStartupOptions(arguments, false)) {
    return *status;
  }
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  // Qt has taken its own options out by now: what is left is ours or a mistake.
  if (const std::optional<int> status =
          corvane::AnswerStartupOptions(QCoreApplication::arguments(), true)) {
    return *status;
  }
  const corvane::TStartupRequest request =
      corvane::ReadStartupOptions(QCoreApplication::arguments());
  // Before any window is made: each takes its texts when it is made.
  corvane::NameProgram();
  const corvane::TWindowSettings settings(std::make_unique<QSettings>());
  app.SetLanguage(corvane::ChosenLanguage(request.Language, settings.Language(),
                                          corvane::LanguageOfEnvironment()));
  return corvane::RunMainWindow(app, request.Files);
}
