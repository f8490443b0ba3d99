#include <QCoreApplication>
#include <QSettings>
#include <QStringList>
#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Application.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "Program.h"
#include "StartupOptions.h"
#include "Translators.h"
#include "WindowSettings.h"

namespace {

// The language of this run: --lang, else the one the options keep, else the locale's.
corvane::TLanguage LanguageOfRun(const QStringList& Arguments) {
  std::vector<std::string> arguments;
  for (const QString& argument : Arguments) arguments.push_back(argument.toStdString());
  corvane::NameProgram();
  const corvane::TWindowSettings settings(std::make_unique<QSettings>());
  return corvane::ChosenLanguage(corvane::LanguageAsked(arguments), settings.Language(),
                                 corvane::LanguageOfEnvironment());
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit must fail the write that meets it, not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Help and version before the toolkit connects to a display: they need none, only the
  // translations, which need an application object of some kind.
  using TKind = corvane::TStartupRequest::TKind;
  if (const TKind kind = corvane::ReadStartupOptions(arguments).Kind;
      kind == TKind::Help || kind == TKind::Version) {
    QCoreApplication core(argc, argv);
    corvane::TTranslators translators;
    translators.Install(LanguageOfRun(arguments));
    return corvane::AnswerStartupOptions(arguments, false).value_or(0);
  }
  // Before the toolkit starts any thread. A library that is missing is reported when the main
  // window creates the component that needs it.
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  // Before any window is made: each takes its texts when it is made.
  app.SetLanguage(LanguageOfRun(QCoreApplication::arguments()));
  // Qt has taken its own options out by now: what is left is ours or a mistake.
  if (const std::optional<int> status =
          corvane::AnswerStartupOptions(QCoreApplication::arguments(), true)) {
    return *status;
  }
  const corvane::TStartupRequest request =
      corvane::ReadStartupOptions(QCoreApplication::arguments());
  return corvane::RunMainWindow(app, request.Files);
}
