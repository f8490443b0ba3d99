#include "ScratchDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace corvane::test {

TScratchDir::TScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

TScratchDir::~TScratchDir() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; give them back before removing.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(FPath, ignored)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(FPath, ignored);
}

std::string TScratchDir::Copy(const std::string& Source, const std::string& Name) const {
  const std::string target = File(Name);
  std::filesystem::copy_file(Source, target, std::filesystem::copy_options::overwrite_existing);
  return target;
}

}  // namespace corvane::test
