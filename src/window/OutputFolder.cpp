#include "OutputFolder.h"

#include <filesystem>
#include <system_error>

#include "JobLine.h"

namespace corvane {
namespace {

constexpr const char* kCannotMakeFolder = "无法创建输出文件夹“%1”：%2";

}  // namespace

std::optional<QString> MakeOutputFolder(const QString& FieldText) {
  const std::string folder = OutputFolderOf(FieldText.toStdString());
  if (folder.empty()) return std::nullopt;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error) return std::nullopt;
  return QString::fromUtf8(kCannotMakeFolder)
      .arg(FieldText, QString::fromLocal8Bit(error.message()));
}

}  // namespace corvane
