#include "OutputPlan.h"

#include <filesystem>

#include "JobLine.h"

namespace corvane {

std::string SameFileKey(const std::string& Path) {
  namespace fs = std::filesystem;
  const fs::path path(Path);
  std::error_code error;
  fs::path folder = fs::weakly_canonical(fs::absolute(path.parent_path(), error), error);
  if (error) folder = fs::absolute(path.parent_path(), error).lexically_normal();
  return (folder / path.filename()).string();
}

std::vector<std::string> TOutputPlan::Plan(const std::vector<std::string>& Natural) const {
  std::set<std::string> taken = FWritten;
  std::vector<std::string> planned;
  planned.reserve(Natural.size());
  for (const std::string& name : Natural) {
    if (name.empty()) {
      planned.emplace_back();
      continue;
    }
    std::string candidate = name;
    for (int number = 2; taken.count(SameFileKey(candidate)) != 0; ++number) {
      candidate = NumberedName(name, number);
    }
    taken.insert(SameFileKey(candidate));
    planned.push_back(std::move(candidate));
  }
  return planned;
}

void TOutputPlan::Written(const std::string& Path) {
  FWritten.insert(SameFileKey(Path));
}

}  // namespace corvane
