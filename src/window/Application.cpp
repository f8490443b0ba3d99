#include "Application.h"

#include <QMessageBox>
#include <exception>

#include "AppTexts.h"
#include "Language.h"
#include "TextFormat.h"

namespace corvane {
namespace {

TApplication::TErrorPresenter& Presenter() {
  static TApplication::TErrorPresenter presenter;
  return presenter;
}

}  // namespace

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  SetLanguage(TLanguage::Chinese);
}

void TApplication::SetLanguage(TLanguage NewLanguage) {
  FLanguage = NewLanguage;
  FTranslators.Install(NewLanguage);
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& E) {
    ShowError(QString::fromUtf8(E.what()));
  }
  return false;
}

void TApplication::ShowError(const QString& Message) {
  // A sheet's or a tag's text in the message is shown, never obeyed.
  const QString text = QString::fromStdString(EscapeControls(Message.toStdString()));
  if (Presenter()) {
    Presenter()(text);
    return;
  }
  // Plain text: a name such as "<b>.ape" is shown as it is spelt.
  QMessageBox box(QMessageBox::Critical, TextOf(texts::kErrorTitle), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void TApplication::SetErrorPresenter(TErrorPresenter NewPresenter) {
  Presenter() = std::move(NewPresenter);
}

}  // namespace corvane
