#pragma once

#include <QApplication>
#include <QString>
#include <QTranslator>
#include <functional>

namespace corvane {

// The application object. Its notify is the top-level handler: an error that escapes an event
// handler is shown in a message box instead of ending the program.
class TApplication : public QApplication {
 public:
  // Installs Qt's own Chinese texts (Debian's qt6-translations-l10n), so that the file and
  // folder dialogs and the message boxes' buttons speak the window's language.
  TApplication(int& Argc, char** Argv);

  bool notify(QObject* Receiver, QEvent* Event) override;

  // Shows an error text to the user: a modal message box, unless a presenter was installed
  // (tests install one that records instead of blocking).
  static void ShowError(const QString& Text);
  using TErrorPresenter = std::function<void(const QString& Text)>;
  static void SetErrorPresenter(TErrorPresenter Presenter);

 private:
  QTranslator FQtTexts;
};

// Runs Handler and hands an error it raises to TApplication::ShowError. Event handlers use it
// so that no exception unwinds through the toolkit's own frames.
template <typename Handler>
void RunReportingErrors(Handler&& DoHandle) {
  try {
    DoHandle();
  } catch (const std::exception& E) {
    TApplication::ShowError(QString::fromUtf8(E.what()));
  }
}

}  // namespace corvane
