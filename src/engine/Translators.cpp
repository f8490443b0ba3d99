#include "Translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace corvane {

void TTranslators::Install(TLanguage Language) {
  QCoreApplication::removeTranslator(&FQtTexts);
  QCoreApplication::removeTranslator(&FTexts);
  if (Language == TLanguage::English) {
    // Qt's own texts are English already.
    if (FTexts.load(QStringLiteral(":/i18n/corvane_en.qm"))) {
      QCoreApplication::installTranslator(&FTexts);
    }
    return;
  }
  // Without the package Qt's texts stay English.
  if (FQtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&FQtTexts);
  }
}

}  // namespace corvane
