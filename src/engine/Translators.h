#pragma once

#include <QTranslator>

#include "Language.h"

namespace corvane {

// The translators a program speaks a language through: ours for English (translations/
// corvane_en.ts, built into the engine), and Qt's own for Chinese (Debian's
// qt6-translations-l10n), so that Qt's dialogs, buttons and command-line parser speak the
// language of our texts. Removed from the application when destroyed.
class TTranslators {
 public:
  // Replaces what was installed before. Needs the application object.
  void Install(TLanguage Language);

 private:
  QTranslator FQtTexts;
  QTranslator FTexts;
};

}  // namespace corvane
