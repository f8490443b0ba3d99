#include <gtest/gtest.h>

#include <filesystem>

#include "OutputPlan.h"
#include "ScratchDir.h"

namespace corvane {
namespace {

struct TPlanCase {
  const char* Name;
  std::vector<std::string> Written;  // by earlier jobs of the batch; "@" is the scratch folder
  std::vector<std::string> Natural;
  std::vector<std::string> Planned;
  bool FoldsCase = false;  // the folder is on a file system that ignores letter case
};
std::ostream& operator<<(std::ostream& Out, const TPlanCase& Case) {
  return Out << Case.Name;
}

class OutputPlan : public testing::TestWithParam<TPlanCase> {
 protected:
  std::vector<std::string> InDir(const std::vector<std::string>& Paths) const {
    std::vector<std::string> out;
    for (const std::string& path : Paths) {
      out.push_back(path.starts_with("@") ? Dir.Path() + path.substr(1) : path);
    }
    return out;
  }
  test::TScratchDir Dir;
};

TEST_P(OutputPlan, GivesEveryJobAFileOfItsOwn) {
  const TPlanCase& c = GetParam();
  std::filesystem::create_directory(Dir.File("out"));
  std::filesystem::create_directory_symlink(Dir.File("out"), Dir.File("link"));
  TOutputPlan plan([&](const std::string&) { return c.FoldsCase; });
  for (const std::string& path : InDir(c.Written)) plan.Written(path);
  EXPECT_EQ(plan.Plan(InDir(c.Natural)), InDir(c.Planned));
  // A new batch may replace all of it.
  plan.Reset();
  EXPECT_EQ(plan.Plan(InDir(c.Written)), InDir(c.Written));
}

INSTANTIATE_TEST_SUITE_P(
    Batches, OutputPlan,
    testing::Values(
        TPlanCase{"AllDistinct", {}, {"@/a.flac", "@/b.flac"}, {"@/a.flac", "@/b.flac"}},
        TPlanCase{"TwoSheetsInOneFolder",
                  {},
                  {"@/Track_1.flac", "@/Track_2.flac", "@/Track_1.flac", "@/Track_2.flac"},
                  {"@/Track_1.flac", "@/Track_2.flac", "@/Track_1 (2).flac", "@/Track_2 (2).flac"}},
        TPlanCase{"ThreeOfOneName",
                  {},
                  {"@/01.flac", "@/01.flac", "@/01.flac"},
                  {"@/01.flac", "@/01 (2).flac", "@/01 (3).flac"}},
        // A numbered name that a real file of the batch already has is skipped too.
        TPlanCase{"NumberedNameTaken",
                  {},
                  {"@/a.flac", "@/a (2).flac", "@/a.flac"},
                  {"@/a.flac", "@/a (2).flac", "@/a (3).flac"}},
        // Written before a stop: the batch goes on and still keeps off them.
        TPlanCase{"WrittenBeforeAStop",
                  {"@/Track_3.flac"},
                  {"@/Track_3.flac", "@/Track_4.flac"},
                  {"@/Track_3 (2).flac", "@/Track_4.flac"}},
        // One folder, spelled three ways.
        TPlanCase{"SameFolderOtherSpelling",
                  {},
                  {"@/out/x.flac", "@/out//x.flac", "@/link/../out/./x.flac", "@/link/x.flac"},
                  {"@/out/x.flac", "@/out//x (2).flac", "@/link/../out/./x (3).flac",
                   "@/link/x (4).flac"}},
        // Linux tells them apart, and a job that cannot be named yet keeps no name.
        TPlanCase{"LetterCaseDiffers",
                  {},
                  {"@/Song.flac", "@/song.flac", ""},
                  {"@/Song.flac", "@/song.flac", ""}},
        // On a memory card or a Windows share they are one file, accents and all.
        TPlanCase{"LetterCaseOnACardThatIgnoresIt",
                  {"@/ÉTÉ.flac"},
                  {"@/Song.flac", "@/song.flac", "@/été.flac", "@/SONG (2).flac"},
                  {"@/Song.flac", "@/song (2).flac", "@/été (2).flac", "@/SONG (2) (2).flac"},
                  true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// The folders of this machine's tests are on a file system that tells case apart; a folder
// that is not there yet is judged by the nearest one that is.
TEST(FolderFoldsLetterCase, JudgesByTheNearestFolderThatExists) {
  const test::TScratchDir dir;
  EXPECT_FALSE(FolderFoldsLetterCase(dir.Path()));
  EXPECT_FALSE(FolderFoldsLetterCase(dir.File("not/made/yet")));
  EXPECT_FALSE(FolderFoldsLetterCase(""));
}

}  // namespace
}  // namespace corvane
