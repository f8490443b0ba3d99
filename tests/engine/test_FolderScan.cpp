#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AppTexts.h"
#include "FolderScan.h"
#include "ScratchDir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// A one-track sheet whose FILE line names Audio.
std::string Sheet(const std::string& Audio) {
  return "FILE \"" + Audio + "\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
}

struct TFile {
  std::string Path;  // relative to the scratch folder
  std::string Text;
};

struct TScanCase {
  const char* Name;
  std::vector<TFile> Files;
  std::vector<std::pair<std::string, std::string>> Links;  // link -> what it points at
  std::vector<std::string> Given;                          // files and folders, in order
  TFolderDepth Depth;
  std::vector<std::string> Expected;
  size_t Problems = 0;
};

class FolderScan : public testing::TestWithParam<TScanCase> {};

TEST_P(FolderScan, GivesSheetsAndTheApeFilesNoSheetUsesInNameOrder) {
  const test::TScratchDir dir;
  for (const TFile& file : GetParam().Files) {
    const fs::path path = dir.File(file.Path);
    fs::create_directories(path.parent_path());
    if (!file.Path.ends_with("/")) std::ofstream(path) << file.Text;
  }
  for (const auto& [link, target] : GetParam().Links) {
    fs::create_symlink(target, dir.File(link));
  }
  std::vector<std::string> given;
  for (const std::string& path : GetParam().Given) given.push_back(dir.File(path));

  const TFolderScan scan = ExpandFolders(given, GetParam().Depth);

  std::vector<std::string> files;
  for (const std::string& file : scan.Files) {
    ASSERT_TRUE(file.starts_with(dir.Path() + "/")) << file;
    files.push_back(file.substr(dir.Path().size() + 1));
  }
  EXPECT_EQ(files, GetParam().Expected);
  EXPECT_EQ(scan.Problems.size(), GetParam().Problems);
  for (const std::string& problem : scan.Problems) {
    EXPECT_TRUE(problem.starts_with(dir.Path())) << "names its folder: " << problem;
  }
}

const TScanCase kScanCases[] = {
    {"ImageWithItsSheetAndALoneApe",
     {{"f/CD.cue", Sheet("CD.wav")},  // the ripper's WAV name: the APE of that base name
      {"f/CD.ape", ""},
      {"f/Lone.ape", ""},
      {"f/cover.jpg", ""},
      {"f/notes.txt", ""}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/CD.cue", "f/Lone.ape"}},
    {"NamesSortedAsAFileManagerSortsThem",
     {{"f/Track 10.ape", ""}, {"f/track 2.APE", ""}, {"f/Track 1.ape", ""}, {"f/B.cue", ""}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/B.cue", "f/Track 1.ape", "f/track 2.APE", "f/Track 10.ape"}},
    {"SubfoldersAtTheirPlaceInTheOrder",
     {{"f/CD2/y.cue", Sheet("y.ape")},
      {"f/CD2/y.ape", ""},
      {"f/CD1/x.ape", ""},
      {"f/b.ape", ""},
      {"f/a.ape", ""},
      {"f/CD10/z.ape", ""}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/a.ape", "f/b.ape", "f/CD1/x.ape", "f/CD2/y.cue", "f/CD10/z.ape"}},
    {"WithoutRecursionSubfoldersAreLeftOut",
     {{"f/CD1/x.ape", ""}, {"f/a.ape", ""}},
     {},
     {"f"},
     TFolderDepth::TopOnly,
     {"f/a.ape"}},
    {"FilesStayInTheirPlaceAmongFolders",
     {{"b.ape", ""}, {"f/a.ape", ""}, {"notes.txt", ""}},
     {},
     {"b.ape", "f", "notes.txt", "missing.ape"},
     TFolderDepth::Recursive,
     {"b.ape", "f/a.ape", "notes.txt", "missing.ape"}},
    {"SheetInASubfolderUsingAudioAboveIt",
     {{"f/Album.ape", ""}, {"f/cue/Album.cue", Sheet("../Album.ape")}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/cue/Album.cue"}},
    {"SheetNamingAnotherMachinesPathAndOtherLetterCase",
     {{"f/image.APE", ""}, {"f/disc.cue", Sheet("D:\\Rips\\Image.wav")}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/disc.cue"}},
    {"SheetOfSeveralFilesUsesThemAll",
     {{"f/1.ape", ""},
      {"f/2.ape", ""},
      {"f/3.ape", ""},
      {"f/set.cue",
       "FILE \"1.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
       "FILE \"2.ape\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/3.ape", "f/set.cue"}},
    // Adding it reports the fault; its image must not come in as one long track meanwhile.
    {"FaultySheetStillKeepsItsImage",
     {{"f/a.ape", ""}, {"f/a.cue", "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 0:99:00\n"}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/a.cue"}},
    {"HiddenFilesAndFoldersAreNotAudio",
     {{"f/._a.ape", ""}, {"f/.thumbs/b.ape", ""}, {"f/a.ape", ""}},
     {},
     {"f"},
     TFolderDepth::Recursive,
     {"f/a.ape"}},
    {"LinkedFoldersFollowedOnceWithoutLooping",
     {{"f/a.ape", ""}, {"other/b.ape", ""}},
     {{"f/loop", "."}, {"f/more", "../other"}},
     {"f"},
     TFolderDepth::Recursive,
     {"f/a.ape", "f/more/b.ape"}},
    {"FolderWithNothingToConvertIsReported",
     {{"f/song.mp3", ""}, {"f/sub/", ""}, {"g/x.ape", ""}},
     {},
     {"f", "g"},
     TFolderDepth::Recursive,
     {"g/x.ape"},
     1},
};

INSTANTIATE_TEST_SUITE_P(Layouts, FolderScan, testing::ValuesIn(kScanCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(FolderScanProblems, NameTheFolderAndWhy) {
  const test::TScratchDir dir;
  fs::create_directory(dir.File("empty"));
  const TFolderScan scan = ExpandFolders({dir.File("empty")}, TFolderDepth::Recursive);
  EXPECT_TRUE(scan.Files.empty());
  EXPECT_EQ(scan.Problems,
            std::vector<std::string>{dir.File("empty") + "：" + texts::kCauseNothingToConvert});
}

}  // namespace
}  // namespace corvane
