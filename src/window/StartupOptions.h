#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "Language.h"

namespace corvane {

struct TStartupRequest {
  enum class TKind { Run, Help, Version, UsageError };
  TKind Kind = TKind::Run;
  QString Text;  // the help, the version, or what is wrong (one line)
  // Files and folders to add when the window opens, as a file manager's "Open with" gives them.
  QStringList Files;
  // --lang zh|en: the window's language whatever the locale and the settings say.
  std::optional<TLanguage> Language;
};

// Reads the window program's command line (Arguments[0] is the program): --help and --version
// as Linux programs take them, --lang, and files and folders to add; any other option, or a
// language other than zh and en, is a usage error.
TStartupRequest ReadStartupOptions(const QStringList& Arguments);

// Prints what Arguments ask for and returns the exit status, or nothing when the window is to
// open. Before the application object exists Qt's own options (-platform, -style...) are still
// among the arguments: then only help and version are answered, as they need no display.
std::optional<int> AnswerStartupOptions(const QStringList& Arguments, bool QtOptionsTaken);

}  // namespace corvane
