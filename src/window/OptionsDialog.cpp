#include "OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "AppTexts.h"
#include "Language.h"
#include "NameTemplate.h"

namespace corvane {
namespace {

// A text of AppTexts.h in the language chosen at start-up.
QString Text(const char* Source) {
  return TextOf(Source);
}

QString FieldNames() {
  QStringList names;
  for (const TNameTemplate::TFieldInfo& field : TNameTemplate::FieldList()) {
    names << QLatin1Char('{') + QString::fromLatin1(field.Name) + QLatin1Char('}');
  }
  return names.join(QLatin1Char(' '));
}

QCheckBox* AddCheckBox(QWidget* Dialog, QLayout* Layout, const char* Name, const char* Label,
                       bool Checked) {
  auto* box = new QCheckBox(Text(Label), Dialog);
  box->setObjectName(QString::fromLatin1(Name));
  box->setChecked(Checked);
  Layout->addWidget(box);
  return box;
}

}  // namespace

TOptionsDialog::TOptionsDialog(const QString& NameTemplate, const TBatchOptions& Batch,
                               QWidget* Parent)
    : QDialog(Parent) {
  setObjectName(QStringLiteral("OptionsDialog"));
  // The main window's font has the Chinese glyphs; a dialog does not take it by itself.
  if (Parent != nullptr) setFont(Parent->font());
  setWindowTitle(Text(texts::kOptions));

  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(Text(texts::kNameTemplateLabel), this);
  layout->addWidget(label);
  NameTemplateEdit = new QLineEdit(NameTemplate, this);
  NameTemplateEdit->setObjectName(QStringLiteral("NameTemplateEdit"));
  NameTemplateEdit->setMinimumWidth(360);
  label->setBuddy(NameTemplateEdit);
  layout->addWidget(NameTemplateEdit);
  auto* fields = new QLabel(Text(texts::kNameTemplateFields).arg(FieldNames()), this);
  fields->setWordWrap(true);
  layout->addWidget(fields);

  VerifyBox = AddCheckBox(this, layout, "VerifyBox", texts::kVerifyOption, Batch.Verify);
  AccurateRipBox =
      AddCheckBox(this, layout, "AccurateRipBox", texts::kAccurateRipOption, Batch.AccurateRip);
  ReplayGainBox =
      AddCheckBox(this, layout, "ReplayGainBox", texts::kReplayGainOption, Batch.ReplayGain);

  auto* languageLabel = new QLabel(Text(texts::kLanguageLabel), this);
  layout->addWidget(languageLabel);
  LanguageBox = new QComboBox(this);
  LanguageBox->setObjectName(QStringLiteral("LanguageBox"));
  LanguageBox->addItem(Text(texts::kLanguageOfLocale), QString());
  LanguageBox->addItem(Text(texts::kLanguageChinese),
                       QString::fromLatin1(LanguageCode(TLanguage::Chinese)));
  LanguageBox->addItem(Text(texts::kLanguageEnglish),
                       QString::fromLatin1(LanguageCode(TLanguage::English)));
  languageLabel->setBuddy(LanguageBox);
  layout->addWidget(LanguageBox);

  Refusal = new QLabel(this);
  Refusal->setObjectName(QStringLiteral("Refusal"));
  Refusal->setWordWrap(true);
  QPalette red = Refusal->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  Refusal->setPalette(red);
  Refusal->hide();
  layout->addWidget(Refusal);

  // Standard buttons, so Qt's own translations give them their Chinese texts.
  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(Buttons);
  connect(Buttons, &QDialogButtonBox::accepted, this, &TOptionsDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &TOptionsDialog::reject);
  // A refusal is about the text that was confirmed; typing again starts afresh.
  connect(NameTemplateEdit, &QLineEdit::textEdited, Refusal, &QLabel::hide);
}

QString TOptionsDialog::NameTemplate() const {
  return NameTemplateEdit->text().trimmed();
}

TBatchOptions TOptionsDialog::BatchOptions() const {
  TBatchOptions options;
  options.Verify = VerifyBox->isChecked();
  options.AccurateRip = AccurateRipBox->isChecked();
  options.ReplayGain = ReplayGainBox->isChecked();
  return options;
}

std::optional<TLanguage> TOptionsDialog::Language() const {
  return ParseLanguage(LanguageBox->currentData().toString().toStdString());
}

void TOptionsDialog::SetLanguage(std::optional<TLanguage> Language) {
  LanguageBox->setCurrentIndex(
      Language ? LanguageBox->findData(QString::fromLatin1(LanguageCode(*Language))) : 0);
}

void TOptionsDialog::accept() {
  if (!NameTemplate().isEmpty()) {
    try {
      TNameTemplate(NameTemplate().toStdString());
    } catch (const ENameTemplateError& E) {
      Refusal->setText(Text(texts::kNameTemplateRefused).arg(QString::fromUtf8(E.what())));
      Refusal->show();
      NameTemplateEdit->setFocus();
      return;
    }
  }
  QDialog::accept();
}

}  // namespace corvane
