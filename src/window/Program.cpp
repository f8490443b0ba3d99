#include "Program.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <memory>

#include "Application.h"
#include "MainWindow.h"

namespace corvane {

void NameProgram() {
  QApplication::setOrganizationName(QStringLiteral("Corvane"));
  QApplication::setApplicationName(QStringLiteral("Corvane"));
}

int RunMainWindow(QApplication& App, const QStringList& Files) {
  NameProgram();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/artwork/icon.png")));
  // Wayland desktops match the window to its installed entry, and so to its name and icon, by
  // this.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvane.Corvane"));
  std::unique_ptr<TForm1> form;
  try {
    form = std::make_unique<TForm1>(std::make_unique<QSettings>());
  } catch (const std::exception& E) {
    TApplication::ShowError(QString::fromUtf8(E.what()));
    return 1;
  }
  form->show();
  if (!Files.isEmpty()) RunReportingErrors([&] { form->FormDropFiles(Files); });
  return App.exec();
}

}  // namespace corvane
