#include "OutputPlan.h"

#include <sys/vfs.h>

#include <QString>
#include <filesystem>

#include "OutputNames.h"
#include "PathNames.h"

namespace corvane {

namespace {

// statfs types of the file systems Linux mounts case-insensitively by default.
constexpr unsigned long kVfat = 0x4d44;
constexpr unsigned long kExfat = 0x2011bab0;
constexpr unsigned long kNtfs = 0x5346544e;   // the old ntfs driver
constexpr unsigned long kNtfs3 = 0x7366746e;  // ntfs3
constexpr unsigned long kSmb = 0x517b;
constexpr unsigned long kCifs = 0xff534d42;
constexpr unsigned long kSmb2 = 0xfe534d42;
constexpr unsigned long kHfsPlus = 0x482b;

}  // namespace

bool FolderFoldsLetterCase(const std::string& Folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path folder = fs::absolute(Folder.empty() ? fs::path(".") : fs::path(Folder), error);
  struct statfs info {};
  while (::statfs(folder.c_str(), &info) != 0) {
    if (!folder.has_relative_path()) return false;
    folder = folder.parent_path();
  }
  switch (static_cast<unsigned long>(info.f_type)) {
    case kVfat:
    case kExfat:
    case kNtfs:
    case kNtfs3:
    case kSmb:
    case kCifs:
    case kSmb2:
    case kHfsPlus:
      return true;
    default:
      return false;
  }
}

std::string SameFileKey(const std::string& Path,
                        const std::function<bool(const std::string&)>& FoldsCase) {
  namespace fs = std::filesystem;
  const fs::path path(Path);
  std::error_code error;
  fs::path folder = fs::weakly_canonical(fs::absolute(path.parent_path(), error), error);
  if (error) folder = fs::absolute(path.parent_path(), error).lexically_normal();
  std::string name = path.filename().string();
  if (FoldsCase && FoldsCase(folder.string())) {
    name = QString::fromStdString(name).toCaseFolded().toStdString();
  }
  return (folder / name).string();
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
    for (int number = 2; taken.count(Key(candidate)) != 0; ++number) {
      candidate = NumberedName(name, number);
    }
    taken.insert(Key(candidate));
    planned.push_back(std::move(candidate));
  }
  return planned;
}

void TOutputPlan::Written(const std::string& Path) {
  FWritten.insert(Key(Path));
}

}  // namespace corvane
