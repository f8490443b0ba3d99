#include "OutputFolder.h"

#include <filesystem>
#include <system_error>

#include "AppTexts.h"
#include "Language.h"
#include "OutputNames.h"

namespace corvane {
std::optional<QString> MakeOutputFolder(const QString& FieldText) {
  const std::string folder = OutputFolderOf(FieldText.toStdString());
  if (folder.empty()) return std::nullopt;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error) return std::nullopt;
  return TextOf(texts::kCannotMakeOutputFolder)
      .arg(FieldText, QString::fromLocal8Bit(error.message()));
}

}  // namespace corvane
