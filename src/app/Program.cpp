#include "Program.h"

#include <QApplication>
#include <QIcon>
#include <memory>

#include "Application.h"
#include "MainWindow.h"

namespace corvane {

int RunMainWindow(QApplication& App) {
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/artwork/icon.png")));
  std::unique_ptr<TForm1> form;
  try {
    form = std::make_unique<TForm1>();
  } catch (const std::exception& E) {
    TApplication::ShowError(QString::fromUtf8(E.what()));
    return 1;
  }
  form->show();
  return App.exec();
}

}  // namespace corvane
