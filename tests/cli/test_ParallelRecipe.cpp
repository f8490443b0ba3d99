// scripts/parallel-convert.sh, the README's recipe for converting on several machines, run
// over two local job slots of GNU parallel against one corvane-cli run on the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "CliTestSupport.h"
#include "EncodedFixtures.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "ProgramRun.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using clitest::FilesUnder;
namespace fs = std::filesystem;

void WriteText(const std::string& Path, const std::string& Content) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Content.begin(), Content.end()));
}

// Every file under Folder, relative, with its bytes.
std::set<std::string> FlacFilesUnder(const std::string& Folder) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : FilesUnder(Folder)) {
    if (name.ends_with(".flac")) names.insert(name);
  }
  return names;
}

// Two CD images whose sheets give the same default names, and loose files of two formats,
// one named with spaces and Chinese.
void MakeCollection(const std::string& Root) {
  const test::TCdImage& image = test::SixTrackImage();
  for (const std::string cd : {"music/cd1", "music/cd2"}) {
    fs::create_directories(Root + "/" + cd);
    fs::copy_file(test::ApeFixture(image.Spec), Root + "/" + cd + "/image.ape");
    WriteText(Root + "/" + cd + "/image.cue", test::CdImageCueText(image, "image.ape"));
  }
  fs::create_directories(Root + "/music/singles");
  for (const auto& [name, seed] : {std::pair{"晴天 live.ape", 1u}, {"b.ape", 2u}}) {
    const std::string file = Root + "/music/singles/" + name;
    fs::copy_file(
        test::ApeFixture({test::Stereo16, 60000 + seed * 1000, test::TSignal::Tone, 2, seed}),
        file);
    test::AppendApeTag(
        file, {{"Title", "Song " + std::to_string(seed)}, {"Track", std::to_string(seed) + "/9"}});
  }
  fs::copy_file(test::EncodedFixture("recipe-noise-16-2", ".wv", "wavpack -q -y {in} -o {out}",
                                     test::Stereo16,
                                     test::MakePcm(test::Stereo16, 50000, test::TSignal::Noise, 3)),
                Root + "/music/singles/c.wv");
}

std::vector<std::string> Tracks(const std::string& Folder) {
  std::vector<std::string> names;
  for (int t = 1; t <= 6; ++t) names.push_back(Folder + "Track_" + std::to_string(t) + ".flac");
  return names;
}

std::vector<std::string> Titled(const std::string& Folder) {
  std::vector<std::string> names;
  for (size_t t = 0; t < 6; ++t) {
    names.push_back(Folder + "0" + std::to_string(t + 1) + " - " + test::TrackTitle(t) + ".flac");
  }
  return names;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> Lists) {
  std::vector<std::string> all;
  for (auto& list : Lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

struct TRecipeCase {
  const char* Name;
  std::vector<std::string> Arguments;  // the same for both runs
  int Status;                          // both runs'
  std::vector<std::string> Outputs;    // the FLAC files both runs leave
};

const TRecipeCase kCases[] = {
    {"BesideEachSource",
     {"music/cd1/image.cue", "music/singles"},
     0,
     Join({Tracks("music/cd1/"),
           {"music/singles/晴天 live.flac", "music/singles/b.flac", "music/singles/c.flac"}})},
    {"IntoOneFolderByATemplateWithSpaces",
     {"-o", "out", "-n", "{track} - {title}", "music/cd1/image.cue", "music/singles"},
     0,
     Join({Titled("out/"), {"out/01 - Song 1.flac", "out/02 - Song 2.flac", "out/c.flac"}})},
    {"FoldersWithSubfoldersAtLevel8",
     {"-r", "--level", "8", "-q", "-o", "out/flac", "music/singles", "music/cd2"},
     0,
     Join(
         {Tracks("out/flac/"), {"out/flac/晴天 live.flac", "out/flac/b.flac", "out/flac/c.flac"}})},
    {"AMissingSourceFailsBothAndTheOthersAreConverted",
     {"-o", "out", "music/singles", "music/nothere.ape"},
     1,
     {"out/晴天 live.flac", "out/b.flac", "out/c.flac"}},
};

class RecipeRun : public testing::Test {
 protected:
  void SetUp() override {
    if (test::RunProgram({"/bin/sh", "-c", "command -v parallel"}).ExitCode != 0) {
      GTEST_SKIP() << "GNU parallel is not installed";
    }
  }

  // corvane-cli -j2 in one copy of the collection, the recipe on two local slots in another.
  std::pair<test::TProgramResult, test::TProgramResult> RunBoth(
      const std::vector<std::string>& Arguments) {
    MakeCollection(One.Path());
    MakeCollection(Spread.Path());
    std::vector<std::string> plain = {CORVANE_CLI, "-j2"};
    plain.insert(plain.end(), Arguments.begin(), Arguments.end());
    std::vector<std::string> recipe = {"/usr/bin/env", "CORVANE_CLI=" CORVANE_CLI, kRecipe,
                                       "--sshlogin", "2/:"};
    recipe.insert(recipe.end(), Arguments.begin(), Arguments.end());
    return {test::RunProgram(plain, {One.Path(), {}, false, nullptr}),
            test::RunProgram(recipe, {Spread.Path(), {}, false, nullptr})};
  }

  static constexpr const char* kRecipe = CORVANE_SOURCE_DIR "/scripts/parallel-convert.sh";
  test::TScratchDir One;
  test::TScratchDir Spread;
};

class ParallelRecipe : public RecipeRun, public testing::WithParamInterface<TRecipeCase> {};

TEST_P(ParallelRecipe, WritesTheSameFilesUnderTheSameNamesAsOneRun) {
  const TRecipeCase& c = GetParam();
  const auto [plain, recipe] = RunBoth(c.Arguments);
  EXPECT_EQ(plain.ExitCode, c.Status) << plain.Err;
  EXPECT_EQ(recipe.ExitCode, c.Status) << recipe.Out << recipe.Err;
  EXPECT_EQ(FlacFilesUnder(One.Path()), std::set<std::string>(c.Outputs.begin(), c.Outputs.end()));
  // Names and bytes alike: the same audio, tags and padding.
  EXPECT_TRUE(FilesUnder(One.Path()) == FilesUnder(Spread.Path()));
  EXPECT_EQ(FlacFilesUnder(Spread.Path()), FlacFilesUnder(One.Path()));
  for (const std::string& name : FlacFilesUnder(Spread.Path())) {
    EXPECT_TRUE(test::DecodeFlacFile(Spread.File(name)).Ok) << name;
  }
  EXPECT_EQ(test::Leftovers(Spread.Path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Cases, ParallelRecipe, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TRecipeCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// Two sheets with the same default names into one folder: one run names the second sheet's
// tracks " (2)", runs per sheet cannot know to, so the recipe converts nothing and says why.
class ParallelRecipeRefusal : public RecipeRun {};

TEST_F(ParallelRecipeRefusal, OutputsThatOnlyOneRunCanNameApartAreNotConverted) {
  const auto [plain, recipe] = RunBoth({"-o", "out", "-r", "music"});
  ASSERT_EQ(plain.ExitCode, 0) << plain.Err;
  EXPECT_TRUE(fs::exists(One.File("out/Track_1 (2).flac")));
  EXPECT_EQ(recipe.ExitCode, 2) << recipe.Out << recipe.Err;
  EXPECT_NE(recipe.Err.find("music/cd2/image.cue track 1 \"" + test::TrackTitle(0) +
                            "\" -> out/Track_1 (2).flac"),
            std::string::npos)
      << recipe.Err;
  EXPECT_FALSE(fs::exists(Spread.File("out")));

  // Files that need no " (2)": a dry run prints their plan and writes nothing either.
  const test::TProgramResult dry =
      test::RunProgram({"/usr/bin/env", "CORVANE_CLI=" CORVANE_CLI, kRecipe, "--dry-run", "-o",
                        "out", "-r", "music/singles"},
                       {Spread.Path(), {}, false, nullptr});
  EXPECT_EQ(dry.ExitCode, 0) << dry.Err;
  EXPECT_NE(dry.Out.find("music/singles/b.ape -> out/b.flac\n"), std::string::npos) << dry.Out;
  EXPECT_FALSE(fs::exists(Spread.File("out")));

  // Loose files of one folder may be one album, whose gain no run of one file can measure.
  const test::TProgramResult gain =
      test::RunProgram({"/usr/bin/env", "CORVANE_CLI=" CORVANE_CLI, kRecipe, "--replaygain", "-o",
                        "out", "music/singles", "music/cd1/image.cue"},
                       {Spread.Path(), {}, false, nullptr});
  EXPECT_EQ(gain.ExitCode, 2) << gain.Err;
  EXPECT_NE(gain.Err.find("\n  music/singles/\n"), std::string::npos) << gain.Err;
  EXPECT_FALSE(fs::exists(Spread.File("out")));
}

TEST_F(ParallelRecipeRefusal, UsageErrorsEndBeforeAnythingRuns) {
  MakeCollection(Spread.Path());
  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"--level", "9", "music"}, {"--bogus", "music"}, {"-o"}}) {
    std::vector<std::string> recipe = {"/usr/bin/env", "CORVANE_CLI=" CORVANE_CLI, kRecipe};
    recipe.insert(recipe.end(), wrong.begin(), wrong.end());
    const test::TProgramResult run = test::RunProgram(recipe, {Spread.Path(), {}, false, nullptr});
    EXPECT_EQ(run.ExitCode, 2) << wrong.front() << run.Err;
    EXPECT_FALSE(fs::exists(Spread.File("music/singles/b.flac"))) << wrong.front();
  }
}

}  // namespace
}  // namespace corvane
