#include "OutputFolders.h"

#include <filesystem>
#include <system_error>

#include "ACSException.h"
#include "AppTexts.h"
#include "TextFormat.h"

namespace corvane {

void MakeOutputFolders(const std::string& Output) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(Output).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    throw EFileError(
        FormatText(texts::kErrorCannotCreateFolder, {folder.string(), error.message()}),
        folder.string(), error.value());
  }
}

}  // namespace corvane
