#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "BatchOptions.h"
#include "Language.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace corvane {

// The window's options, all in this one dialog: how the outputs are named, and what a batch
// does besides converting (verify, AccurateRip, ReplayGain), and the window's language. Nothing is
// taken unless the user confirms it, and a template the converter cannot use is not confirmed.
class TOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows NameTemplate, empty for the default names.
  explicit TOptionsDialog(const QString& NameTemplate, const TBatchOptions& Batch = {},
                          QWidget* Parent = nullptr);

  // The template as typed, without the spaces around it; empty for the default names.
  QString NameTemplate() const;
  TBatchOptions BatchOptions() const;
  // Nothing: the locale's. Taken at the next start: the windows are made in one language.
  std::optional<TLanguage> Language() const;
  void SetLanguage(std::optional<TLanguage> Language);
  // Closes confirmed, unless the template is refused: then it says why and stays open.
  void accept() override;

  QLineEdit* NameTemplateEdit = nullptr;
  QCheckBox* VerifyBox = nullptr;
  QCheckBox* AccurateRipBox = nullptr;
  QCheckBox* ReplayGainBox = nullptr;
  QComboBox* LanguageBox = nullptr;
  // Why the template was refused; hidden until one is.
  QLabel* Refusal = nullptr;
  QDialogButtonBox* Buttons = nullptr;
};

}  // namespace corvane
