#include "PathNames.h"

#include "TagText.h"

namespace corvane {

std::string ExtractFileName(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash + 1);
}

std::string ChangeFileExt(const std::string& Path, const std::string& Extension) {
  const size_t slash = Path.rfind('/');
  const size_t dot = Path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return Path + Extension;
  }
  return Path.substr(0, dot) + Extension;
}

std::string UpperExtension(const std::string& Path) {
  const std::string name = ExtractFileName(Path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  return UpperAscii(std::string_view(name).substr(dot));
}

}  // namespace corvane
