#include "Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <exception>

#include "AppTexts.h"

namespace corvane {
namespace {

TApplication::TErrorPresenter& Presenter() {
  static TApplication::TErrorPresenter presenter;
  return presenter;
}

}  // namespace

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  // Chinese whatever the user's locale: the window's own texts are. Without the package the
  // dialogs stay English.
  if (FQtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(&FQtTexts);
  }
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& E) {
    ShowError(QString::fromUtf8(E.what()));
  }
  return false;
}

void TApplication::ShowError(const QString& Text) {
  if (Presenter()) {
    Presenter()(Text);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QString::fromUtf8(texts::kErrorTitle), Text);
}

void TApplication::SetErrorPresenter(TErrorPresenter NewPresenter) {
  Presenter() = std::move(NewPresenter);
}

}  // namespace corvane
