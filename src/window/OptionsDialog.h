#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace corvane {

// The window's options, all in this one dialog: how the outputs are named. Nothing is taken
// unless the user confirms it, and a template the converter cannot use is not confirmed.
class TOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows NameTemplate, empty for the default names.
  explicit TOptionsDialog(const QString& NameTemplate, QWidget* Parent = nullptr);

  // The template as typed, without the spaces around it; empty for the default names.
  QString NameTemplate() const;
  // Closes confirmed, unless the template is refused: then it says why and stays open.
  void accept() override;

  QLineEdit* NameTemplateEdit = nullptr;
  // Why the template was refused; hidden until one is.
  QLabel* Refusal = nullptr;
  QDialogButtonBox* Buttons = nullptr;
};

}  // namespace corvane
