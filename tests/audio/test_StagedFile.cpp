// Temporary files that a killed run left beside an output name, and the ones a live run holds.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ScratchDir.h"
#include "StagedFile.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

void MakeOld(const std::string& Path) {
  const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << Path;
}

void MakeFile(const std::string& Path) {
  std::ofstream(Path) << "partial audio";
}

enum class TKind { File, OldFile, LockedOldFile, LinkToOldFile, Folder };

struct TLeftoverCase {
  const char* Name;
  const char* Entry;  // beside "song.flac"
  TKind Kind;
  bool Removed;
};

class Leftovers : public testing::TestWithParam<TLeftoverCase> {};

TEST_P(Leftovers, GoOnlyWhenNoRunCanOwnThem) {
  const TLeftoverCase& c = GetParam();
  const test::TScratchDir dir;
  const std::string entry = dir.File(c.Entry);
  const std::string victim = dir.File("victim.flac");
  int lockFd = -1;
  switch (c.Kind) {
    case TKind::File:
      MakeFile(entry);
      break;
    case TKind::OldFile:
    case TKind::LockedOldFile:
      MakeFile(entry);
      MakeOld(entry);
      if (c.Kind == TKind::LockedOldFile) {
        lockFd = ::open(entry.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
      }
      break;
    case TKind::LinkToOldFile:
      MakeFile(victim);
      MakeOld(victim);
      fs::create_symlink(victim, entry);
      MakeOld(entry);
      break;
    case TKind::Folder:
      fs::create_directory(entry);
      MakeOld(entry);
      break;
  }
  EXPECT_EQ(TStagedFile::RemoveLeftovers(dir.File("song.flac")), c.Removed ? 1 : 0);
  EXPECT_EQ(fs::exists(fs::symlink_status(entry)), !c.Removed);
  if (c.Kind == TKind::LinkToOldFile) {
    EXPECT_TRUE(fs::exists(victim));
  }
  if (lockFd >= 0) ::close(lockFd);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, Leftovers,
    testing::Values(
        TLeftoverCase{"OldAndUnlocked", ".song.flac.corvane-Ab3dE9", TKind::OldFile, true},
        TLeftoverCase{"JustMade", ".song.flac.corvane-Ab3dE9", TKind::File, false},
        TLeftoverCase{"LockedByARun", ".song.flac.corvane-Ab3dE9", TKind::LockedOldFile, false},
        TLeftoverCase{"SymbolicLink", ".song.flac.corvane-Ab3dE9", TKind::LinkToOldFile, false},
        TLeftoverCase{"Folder", ".song.flac.corvane-Ab3dE9", TKind::Folder, false},
        TLeftoverCase{"OtherOutput", ".other.flac.corvane-Ab3dE9", TKind::OldFile, false},
        TLeftoverCase{"LongerName", ".song.flac.corvane-Ab3dE9x", TKind::OldFile, false},
        TLeftoverCase{"UsersOwnHiddenFile", ".song.flac", TKind::OldFile, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A run that sits paused for an hour keeps its file; once it is gone, so is the file, and a
// later run finds nothing left over.
TEST(StagedFile, LiveRunKeepsItsFileHoweverOld) {
  const test::TScratchDir dir;
  const std::string final = dir.File("song.flac");
  auto [staged, stream] = TStagedFile::Create(final);
  MakeOld(staged.TemporaryName());
  stream.Close();
  EXPECT_EQ(TStagedFile::RemoveLeftovers(final), 0);
  EXPECT_TRUE(fs::exists(staged.TemporaryName()));
  const std::string temporary = staged.TemporaryName();
  staged.Discard();
  EXPECT_FALSE(fs::exists(temporary));
}

}  // namespace
}  // namespace corvane
