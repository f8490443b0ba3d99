#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "BatchOptions.h"
#include "Language.h"

class QSettings;

namespace corvane {

// What the main window remembers between runs, in one settings store: the user's
// configuration folder for the program, a file of their own for tests. Every value is checked
// as it is read; one that is missing, unreadable or no longer fits (a folder deleted since)
// gives the window's start-up default.
class TWindowSettings {
 public:
  explicit TWindowSettings(std::unique_ptr<QSettings> Store);
  ~TWindowSettings();
  TWindowSettings(const TWindowSettings&) = delete;
  TWindowSettings& operator=(const TWindowSettings&) = delete;

  // The output folder field's text: a folder that exists, else "原文件目录".
  QString OutputFolder() const;
  void SetOutputFolder(const QString& FieldText);
  // 0 to 8, else 5.
  int CompressionLevel() const;
  void SetCompressionLevel(int Level);
  // The output name template; empty (the default names) when none is set or the stored one
  // cannot be used.
  QString NameTemplate() const;
  void SetNameTemplate(const QString& Template);
  // Verify, AccurateRip and ReplayGain; each the batch's default when not set or unreadable.
  TBatchOptions BatchOptions() const;
  void SetBatchOptions(const TBatchOptions& Options);
  // The CPU slider's position, 1 to 3, else 3.
  int CpuUsage() const;
  void SetCpuUsage(int Position);
  // The folders the add-files dialog and the output folder picker last showed; empty when
  // not known or gone.
  QString AddFilesFolder() const;
  void SetAddFilesFolder(const QString& Folder);
  QString OutputPickerFolder() const;
  void SetOutputPickerFolder(const QString& Folder);
  // The language chosen in the options; nothing (the locale's) when none is or the stored one
  // is not zh or en.
  std::optional<TLanguage> Language() const;
  void SetLanguage(std::optional<TLanguage> Language);
  // As QWidget::saveGeometry gives it; restoreGeometry refuses what is not.
  QByteArray WindowGeometry() const;
  void SetWindowGeometry(const QByteArray& Geometry);

  // Writes what has changed to the store's file.
  void Sync();

 private:
  int IntIn(const char* Key, int Lowest, int Highest, int Default) const;
  bool BoolOr(const char* Key, bool Default) const;
  QString ExistingFolder(const char* Key) const;

  std::unique_ptr<QSettings> FStore;
};

}  // namespace corvane
