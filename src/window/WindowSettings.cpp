#include "WindowSettings.h"

#include <QFileInfo>
#include <QSettings>

#include "AppTexts.h"
#include "Language.h"
#include "NameTemplate.h"

namespace corvane {
namespace {

constexpr const char* kOutputFolder = "output/folder";
constexpr const char* kCompressionLevel = "output/compressionLevel";
constexpr const char* kNameTemplate = "output/nameTemplate";
constexpr const char* kVerify = "conversion/verify";
constexpr const char* kAccurateRip = "conversion/accurateRip";
constexpr const char* kReplayGain = "conversion/replayGain";
constexpr const char* kCpuUsage = "conversion/cpuUsage";
constexpr const char* kAddFilesFolder = "dialogs/addFilesFolder";
constexpr const char* kOutputPickerFolder = "dialogs/outputPickerFolder";
constexpr const char* kWindowGeometry = "window/geometry";
constexpr const char* kLanguage = "window/language";

constexpr int kDefaultLevel = 5;
constexpr int kDefaultCpuUsage = 3;

QString Key(const char* Name) {
  return QString::fromLatin1(Name);
}

bool IsFolder(const QString& Path) {
  return !Path.isEmpty() && QFileInfo(Path).isDir();
}

}  // namespace

TWindowSettings::TWindowSettings(std::unique_ptr<QSettings> Store) : FStore(std::move(Store)) {}

TWindowSettings::~TWindowSettings() = default;

int TWindowSettings::IntIn(const char* Name, int Lowest, int Highest, int Default) const {
  bool ok = false;
  const int value = FStore->value(Key(Name)).toInt(&ok);
  return ok && value >= Lowest && value <= Highest ? value : Default;
}

QString TWindowSettings::ExistingFolder(const char* Name) const {
  const QString folder = FStore->value(Key(Name)).toString();
  return IsFolder(folder) ? folder : QString();
}

QString TWindowSettings::OutputFolder() const {
  const QString folder = ExistingFolder(kOutputFolder);
  return folder.isEmpty() ? TextOf(texts::kSourceFolder) : folder;
}

void TWindowSettings::SetOutputFolder(const QString& FieldText) {
  FStore->setValue(Key(kOutputFolder), FieldText);
}

int TWindowSettings::CompressionLevel() const {
  return IntIn(kCompressionLevel, 0, 8, kDefaultLevel);
}

void TWindowSettings::SetCompressionLevel(int Level) {
  FStore->setValue(Key(kCompressionLevel), Level);
}

bool TWindowSettings::BoolOr(const char* Name, bool Default) const {
  const QVariant value = FStore->value(Key(Name));
  const QString text = value.toString().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
  if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
  return Default;
}

TBatchOptions TWindowSettings::BatchOptions() const {
  const TBatchOptions defaults;
  TBatchOptions options;
  options.Verify = BoolOr(kVerify, defaults.Verify);
  options.AccurateRip = BoolOr(kAccurateRip, defaults.AccurateRip);
  options.ReplayGain = BoolOr(kReplayGain, defaults.ReplayGain);
  return options;
}

void TWindowSettings::SetBatchOptions(const TBatchOptions& Options) {
  FStore->setValue(Key(kVerify), Options.Verify);
  FStore->setValue(Key(kAccurateRip), Options.AccurateRip);
  FStore->setValue(Key(kReplayGain), Options.ReplayGain);
}

QString TWindowSettings::NameTemplate() const {
  const QString text = FStore->value(Key(kNameTemplate)).toString();
  if (text.isEmpty()) return {};
  try {
    TNameTemplate(text.toStdString());
  } catch (const ENameTemplateError&) {
    return {};  // edited by hand, say: the default names rather than a batch that cannot start
  }
  return text;
}

void TWindowSettings::SetNameTemplate(const QString& Template) {
  FStore->setValue(Key(kNameTemplate), Template);
}

int TWindowSettings::CpuUsage() const {
  return IntIn(kCpuUsage, 1, 3, kDefaultCpuUsage);
}

void TWindowSettings::SetCpuUsage(int Position) {
  FStore->setValue(Key(kCpuUsage), Position);
}

QString TWindowSettings::AddFilesFolder() const {
  return ExistingFolder(kAddFilesFolder);
}

void TWindowSettings::SetAddFilesFolder(const QString& Folder) {
  FStore->setValue(Key(kAddFilesFolder), Folder);
}

QString TWindowSettings::OutputPickerFolder() const {
  return ExistingFolder(kOutputPickerFolder);
}

void TWindowSettings::SetOutputPickerFolder(const QString& Folder) {
  FStore->setValue(Key(kOutputPickerFolder), Folder);
}

std::optional<TLanguage> TWindowSettings::Language() const {
  return ParseLanguage(FStore->value(Key(kLanguage)).toString().toStdString());
}

void TWindowSettings::SetLanguage(std::optional<TLanguage> Language) {
  if (Language) {
    FStore->setValue(Key(kLanguage), QString::fromLatin1(LanguageCode(*Language)));
  } else {
    FStore->remove(Key(kLanguage));
  }
}

QByteArray TWindowSettings::WindowGeometry() const {
  return FStore->value(Key(kWindowGeometry)).toByteArray();
}

void TWindowSettings::SetWindowGeometry(const QByteArray& Geometry) {
  FStore->setValue(Key(kWindowGeometry), Geometry);
}

void TWindowSettings::Sync() {
  FStore->sync();
}

}  // namespace corvane
