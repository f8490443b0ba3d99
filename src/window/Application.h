#pragma once

#include <QApplication>
#include <QString>
#include <functional>

#include "Language.h"
#include "Translators.h"

namespace corvane {

// The application object. Its notify is the top-level handler: an error that escapes an event
// handler is shown in a message box instead of ending the program.
class TApplication : public QApplication {
 public:
  // Starts in Chinese, the texts' own language; the program then sets the user's.
  TApplication(int& Argc, char** Argv);

  // The language of the window's texts from now on: English through translations/corvane_en.ts
  // (built into the program), Chinese as written. Qt's own texts follow (Debian's
  // qt6-translations-l10n for Chinese), so that the file and folder dialogs and the message
  // boxes' buttons speak the window's language. Windows made before keep their texts.
  void SetLanguage(TLanguage Language);
  TLanguage Language() const { return FLanguage; }

  bool notify(QObject* Receiver, QEvent* Event) override;

  // Shows an error text to the user: a modal message box, unless a presenter was installed
  // (tests install one that records instead of blocking).
  static void ShowError(const QString& Text);
  using TErrorPresenter = std::function<void(const QString& Text)>;
  static void SetErrorPresenter(TErrorPresenter Presenter);

 private:
  TTranslators FTranslators;
  TLanguage FLanguage = TLanguage::Chinese;
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
