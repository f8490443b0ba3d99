// corvane-cli as a user runs it: the built program on generated CD images and APE files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <thread>

#include "CliTestSupport.h"
#include "ConsoleProgress.h"
#include "CueTime.h"
#include "EncodedFixtures.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "ProgramRun.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace clitest;

TEST_F(CliTest, TwoJobsAtOnceWriteTheSameBitExactTaggedFilesAsOne) {
  MakeImage();
  MakeSong("a.ape", 1);
  MakeSong("b.ape", 2);
  const TProgramResult one = Cli({"-j1", "-o", "one", "image.cue", "a.ape", "b.ape"});
  const TProgramResult two = Cli({"--jobs=2", "-o", "two", "image.cue", "a.ape", "b.ape"});
  ASSERT_EQ(one.ExitCode, 0) << one.Err;
  ASSERT_EQ(two.ExitCode, 0) << two.Err;
  EXPECT_EQ(FilesUnder(Dir.File("one")), FilesUnder(Dir.File("two")));

  const std::string out = Dir.File("two/");
  for (size_t t = 0; t < 7; ++t) {
    const std::string file = out + "Track_" + std::to_string(t + 1) + ".flac";
    const test::TDecodedFlac decoded = test::DecodeFlacFile(file);
    ASSERT_TRUE(decoded.Ok) << file << ": " << decoded.Error;
    EXPECT_TRUE(decoded.Pcm == TrackPcm(t)) << file;
    const auto tags = test::ReadFlacComments(file);
    EXPECT_EQ(tags.find("TITLE")->second, test::TrackTitle(t));
    EXPECT_EQ(tags.find("ARTIST")->second, test::TrackPerformer(t));
    EXPECT_EQ(tags.find("ALBUM")->second, test::kAlbumTitle);
  }
  for (const uint32_t seed : {1u, 2u}) {
    const std::string file = out + (seed == 1 ? "a.flac" : "b.flac");
    EXPECT_TRUE(test::DecodeFlacFile(file).Pcm == test::ApeFixturePcm(SongSpec(seed))) << file;
    const auto tags = test::ReadFlacComments(file);
    EXPECT_EQ(tags.find("TITLE")->second, "Song " + std::to_string(seed));
    EXPECT_EQ(tags.find("ARTIST")->second, "Singer");
  }
  EXPECT_EQ(FilesUnder(Dir.File("two")).size(), 10u);
}

TEST_F(CliTest, DamagedFileFailsAloneAndEveryGoodOneIsConverted) {
  MakeImage();
  MakeSong("a.ape", 1);
  const std::string bad = MakeSong("bad.ape", 3);
  MakeSong("c.ape", 4);
  std::vector<uint8_t> bytes = test::ReadFileBytes(bad);
  for (size_t i = bytes.size() * 60 / 100; i < bytes.size() * 62 / 100; ++i) bytes[i] ^= 0xA5;
  test::WriteFileBytes(bad, bytes);

  const TProgramResult run = Cli({"-j2", "a.ape", "bad.ape", "image.cue", "c.ape"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Err.find("\n  文件：bad.ape\n  原因：数据损坏"), std::string::npos) << run.Err;
  EXPECT_NE(run.Out.find("failed: bad.ape\n"), std::string::npos) << run.Out;
  EXPECT_FALSE(fs::exists(Dir.File("bad.flac")));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a.flac")).Pcm == test::ApeFixturePcm(SongSpec(1)));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("c.flac")).Pcm == test::ApeFixturePcm(SongSpec(4)));
  for (size_t t = 0; t < 7; ++t) {
    EXPECT_TRUE(test::DecodeFlacFile(Dir.File("Track_" + std::to_string(t + 1) + ".flac")).Ok);
  }
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

TEST_F(CliTest, DryRunPrintsEveryJobAndWritesNothing) {
  MakeImage("cd");
  MakeSong("a.ape", 1);
  WriteText(Dir.File("taken.flac"), "older");
  const auto before = FilesUnder(Dir.Path());
  const TProgramResult run =
      Cli({"--dry-run", "-o", "new/out", "-n", "{source} {track}", "cd/image.cue", "a.ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(FilesUnder(Dir.Path()), before);
  EXPECT_FALSE(fs::exists(Dir.File("new")));
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 9u) << run.Out;
  // The IDs the AccurateRip lookup would send, before the disc's jobs.
  EXPECT_TRUE(lines[0].starts_with("disc: cd/image.cue: AccurateRip ")) << lines[0];
  EXPECT_EQ(lines[1], "cd/image.cue track 1 \"第1首：晴天\" -> new/out/image 01.flac");
  EXPECT_EQ(lines[7], "cd/image.cue track 7 \"第7首：晴天\" -> new/out/image 07.flac");
  EXPECT_EQ(lines[8], "a.ape -> new/out/a 01.flac");
}

TEST_F(CliTest, DryRunNamesEachTrackByItsTitleWhenItHasOne) {
  Dir.Copy(test::ApeFixture(SongSpec(1)), "disc.ape");
  WriteText(Dir.File("x.cue"),
            "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"Song\"\nINDEX 01 00:00:00\n"
            "TRACK 02 AUDIO\nINDEX 01 00:01:00\n");
  const TProgramResult run = Cli({"--dry-run", "-o", "/out", "x.cue"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  EXPECT_EQ(lines[1], "x.cue track 1 \"Song\" -> /out/Track_1.flac");
  EXPECT_EQ(lines[2], "x.cue track 2 -> /out/Track_2.flac");
}

// ---- Name templates ----

struct TFieldCase {
  const char* Template;
  const char* ForTrack3;  // the image's third track
  const char* ForSong;    // a.ape, with its tag
};
std::ostream& operator<<(std::ostream& Out, const TFieldCase& Case) {
  return Out << Case.Template;
}

class TemplateField : public CliTest, public testing::WithParamInterface<TFieldCase> {};

TEST_P(TemplateField, Expands) {
  MakeImage();
  MakeSong("a.ape", 9);
  const TProgramResult run = Cli({"--dry-run", "-n", GetParam().Template, "image.cue", "a.ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::vector<std::string> lines = JobLines(run.Out);
  ASSERT_EQ(lines.size(), 8u) << run.Out;
  EXPECT_EQ(lines[2], "image.cue track 3 \"" + test::TrackTitle(2) + "\" -> " +
                          GetParam().ForTrack3 + ".flac");
  EXPECT_EQ(lines[7], std::string("a.ape -> ") + GetParam().ForSong + ".flac");
}

// The values the files are tagged with. Fields of the whole album give every track one name,
// which the later tracks number.
INSTANTIATE_TEST_SUITE_P(
    Fields, TemplateField,
    testing::Values(TFieldCase{"{track}", "03", "09"},
                    TFieldCase{"{title}", "第3首：晴天", "Song 9"},
                    TFieldCase{"{artist}", "歌手3号", "Singer"},
                    TFieldCase{"{album}", "夏日的歌 \xF0\x9D\x84\x9E Summer (3)", "Singles"},
                    TFieldCase{"{albumartist}", "乐队甲 (3)", "Various"},
                    TFieldCase{"{date}", "2001 (3)", "1999"}, TFieldCase{"{disc}", "2 (3)", "1"},
                    TFieldCase{"{source}", "image (3)", "a"},
                    TFieldCase{"{DISC}-{Track} {{x}}", "2-03 {x}", "1-09 {x}"},
                    TFieldCase{"{albumartist}/{album}/{track}",
                               "乐队甲/夏日的歌 \xF0\x9D\x84\x9E Summer/03", "Various/Singles/09"}),
    [](const auto& Info) {
      std::string name;
      for (const char c : std::string(Info.param.Template)) {
        if (std::isalpha(static_cast<unsigned char>(c))) name += c;
      }
      return name + "_" + std::to_string(Info.index);
    });

TEST_F(CliTest, TemplateMakesItsFoldersAndNoValueMakesOne) {
  test::AppendApeTag(Dir.Copy(test::ApeFixture(SongSpec(1)), "a.ape"),
                     {{"Title", "AC/DC: ../.."}, {"Artist", "Singer"}, {"Album", ".."}});
  const TProgramResult run = Cli({"-o", "out", "-n", "{album}/{artist}/{title}", "a.ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(FilesUnder(Dir.File("out")).count("__/Singer/AC_DC: .._...flac"), 1u)
      << testing::PrintToString(FilesUnder(Dir.File("out")));
}

// ---- Usage errors ----

struct TUsageCase {
  const char* Name;
  std::vector<std::string> Arguments;
  const char* Says;
};
std::ostream& operator<<(std::ostream& Out, const TUsageCase& Case) {
  return Out << Case.Name;
}

class UsageError : public CliTest, public testing::WithParamInterface<TUsageCase> {};

TEST_P(UsageError, ExitsWithTwoAndOneLineAndWritesNothing) {
  MakeSong("a.ape", 1);
  const auto before = FilesUnder(Dir.Path());
  const TProgramResult run = Cli(GetParam().Arguments);
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(Lines(run.Err).size(), 1u) << run.Err;
  EXPECT_TRUE(run.Err.starts_with("corvane-cli: ")) << run.Err;
  EXPECT_NE(run.Err.find(GetParam().Says), std::string::npos) << run.Err;
  EXPECT_EQ(FilesUnder(Dir.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, UsageError,
    testing::Values(
        TUsageCase{"UnknownOption", {"--fast", "a.ape"}, "unknown option \"--fast\" (see"},
        TUsageCase{"UnknownValuedOption", {"--fast=1", "a.ape"}, "\"--fast\""},
        TUsageCase{"UnknownShortOption", {"-qx", "a.ape"}, "unknown option \"-x\" (see"},
        TUsageCase{"NoFile", {"-j2"}, "no file"},
        TUsageCase{"ReplayGainBothWays",
                   {"--replaygain", "--no-replaygain", "a.ape"},
                   "--replaygain and --no-replaygain cannot be given together"},
        TUsageCase{"LevelTooHigh", {"-l", "9", "a.ape"}, "level"},
        TUsageCase{"LevelNotANumber", {"--level=fast", "a.ape"}, "level"},
        TUsageCase{"NoJobs", {"-j0", "a.ape"}, "job"},
        TUsageCase{"JobsNotANumber", {"--jobs", "many", "a.ape"}, "job"},
        TUsageCase{"MissingValue", {"a.ape", "-o"}, "missing value after \"-o\" (see"},
        TUsageCase{"UnknownEncoding", {"--encoding", "klingon", "a.ape"}, "klingon"},
        TUsageCase{"UnknownField", {"-n", "{composer}", "a.ape"}, "composer"},
        TUsageCase{"UnmatchedBrace", {"-n", "{title", "a.ape"}, "{"},
        TUsageCase{"FolderTemplate", {"-n", "{album}/", "a.ape"}, "文件夹"},
        TUsageCase{"OverwriteAndSkip", {"--overwrite", "--skip-existing", "a.ape"}, "together"},
        TUsageCase{"OutputFolderIsAFile", {"-o", "a.ape", "a.ape"}, "\"a.ape\" is not a folder"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A path that is not there is named and left out; the rest runs and the run fails at the end.
struct TMissingCase {
  const char* Name;
  std::vector<std::string> Arguments;
  std::vector<std::string> Written;
};
std::ostream& operator<<(std::ostream& Out, const TMissingCase& Case) {
  return Out << Case.Name;
}

class MissingPaths : public CliTest, public testing::WithParamInterface<TMissingCase> {};

TEST_P(MissingPaths, AreNamedAndTheOthersConverted) {
  MakeSong("a.ape", 1);
  MakeSong("b.ape", 2);
  const TProgramResult run = Cli(GetParam().Arguments);
  EXPECT_EQ(run.ExitCode, 1) << run.Err;
  std::vector<std::string> warnings;
  for (const std::string& argument : GetParam().Arguments) {
    if (!argument.starts_with('-') && !fs::exists(Dir.File(argument))) {
      warnings.push_back("corvane-cli: cannot find \"" + argument + "\"");
    }
  }
  EXPECT_EQ(Lines(run.Err), warnings);
  std::vector<std::string> written;
  for (const auto& [name, bytes] : FilesUnder(Dir.Path())) {
    if (name.ends_with(".flac")) written.push_back(name);
  }
  EXPECT_EQ(written, GetParam().Written);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MissingPaths,
    testing::Values(
        TMissingCase{"AmongOthers", {"a.ape", "missing.ape", "b.ape"}, {"a.flac", "b.flac"}},
        TMissingCase{"Quiet", {"-q", "gone/", "a.ape"}, {"a.flac"}},
        TMissingCase{"DryRun", {"--dry-run", "a.ape", "missing.ape"}, {}},
        TMissingCase{"All", {"missing.ape", "gone/"}, {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- What it prints ----

TEST_F(CliTest, HelpFitsEightyColumnsAndKeepsEachExampleWhole) {
  const TProgramResult run = Cli({"--help"});
  ASSERT_EQ(run.ExitCode, 0);
  const std::vector<std::string> lines = Lines(run.Out);
  for (const std::string& line : lines) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_NE(run.Out.find("\"{track} - {title}\""), std::string::npos);
  const auto examples = std::find(lines.begin(), lines.end(), "Examples:");
  ASSERT_NE(examples, lines.end());
  for (auto line = examples + 1; line != lines.end() && !line->empty(); ++line) {
    EXPECT_TRUE(line->starts_with("  corvane-cli ")) << *line;
  }
}

TEST_F(CliTest, WithoutATerminalEachEndedJobIsOneLine) {
  MakeSong("a.ape", 1);
  MakeSong("b.ape", 2);
  const TProgramResult run = Cli({"-j2", "a.ape", "b.ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  EXPECT_TRUE(
      std::regex_match(lines[2], std::regex("2 files written, 0 failed, 0 skipped in 0:0\\d")))
      << lines[2];
  lines.pop_back();
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"written: a.flac", "written: b.flac"}));
  EXPECT_EQ(run.Out.find('\x1b'), std::string::npos);
  EXPECT_EQ(Cli({"-q", "a.ape"}).Out, "");
}

TEST_F(CliTest, OnATerminalTheRunningJobsAreRedrawnInPlace) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    Dir.Copy(test::ApeFixture(test::SlowFixture(seed)), "slow" + std::to_string(seed) + ".ape");
  }
  test::TProgramSettings settings;
  settings.Terminal = true;
  const TProgramResult run =
      Cli({"-j2", "slow1.ape", "slow2.ape", "slow3.ape", "slow4.ape"}, settings);
  ASSERT_EQ(run.ExitCode, 0) << run.Out;
  // Each drawing is erased (up to its first line, and the rest of the screen) before the next.
  EXPECT_NE(run.Out.find("\x1b[3A\x1b[J"), std::string::npos);
  EXPECT_TRUE(std::regex_search(run.Out, std::regex("\\d+%  slow\\d\\.flac\r\n")));
  EXPECT_TRUE(
      std::regex_search(run.Out, std::regex("\\d+%  total: \\d of 4 done, 0:\\d\\d elapsed")));
  for (const char* name : {"slow1", "slow2", "slow3", "slow4"}) {
    EXPECT_NE(run.Out.find(std::string("written: ") + name + ".flac\r\n"), std::string::npos);
  }
  // Nothing is left drawn at the end: the last thing on the screen is the summary.
  EXPECT_TRUE(std::regex_search(run.Out, std::regex("\x1b\\[J4 files written[^\x1b]*$")))
      << run.Out;
}

TEST(ConsoleProgress, CutsALineToItsColumnsWithAnEllipsis) {
  const struct {
    const char* Text;
    int Columns;
    TCut Where;
    const char* Fitted;
  } cases[] = {
      {"song.flac", 9, TCut::Middle, "song.flac"},
      {"0123456789.flac", 10, TCut::Middle, "012345…lac"},
      {"0123456789.flac", 10, TCut::End, "012345678…"},
      {"夏日的歌 - 01.flac", 12, TCut::Middle, "夏日的歌…lac"},  // two columns a character
      {"夏日的歌", 6, TCut::End, "夏日…"},
      {"\xcf\xc4\xc8\xd5.flac", 6, TCut::End, "\xcf\xc4\xc8\xd5.…"},  // GBK bytes
      {"x", 0, TCut::End, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitColumns(c.Text, c.Columns, c.Where), c.Fitted) << c.Text << " " << c.Columns;
  }
}

TEST_F(CliTest, OnANarrowTerminalNoDrawnLineWraps) {
  const std::string name = std::string(60, 'n') + ".ape";
  MakeSong(name, 1);
  const char* before = std::getenv("COLUMNS");
  const std::string saved = before ? before : "";
  ::setenv("COLUMNS", "30", 1);  // the test's terminal has no size: the program falls back
  test::TProgramSettings settings;
  settings.Terminal = true;
  const TProgramResult run = Cli({name}, settings);
  before ? ::setenv("COLUMNS", saved.c_str(), 1) : ::unsetenv("COLUMNS");
  ASSERT_EQ(run.ExitCode, 0) << run.Out;
  bool drewTheJob = false;
  // What is drawn lies between the no-wrap and the wrap switches.
  for (size_t at = run.Out.find("\x1b[?7l"); at != std::string::npos;
       at = run.Out.find("\x1b[?7l", at + 1)) {
    const size_t end = run.Out.find("\x1b[?7h", at);
    for (const std::string& line : Lines(run.Out.substr(at + 5, end - at - 5))) {
      const std::string shown = line.substr(0, line.find('\r'));
      EXPECT_LE(shown.size() - (shown.find("…") == std::string::npos ? 0 : 2), 29u) << shown;
      drewTheJob |= shown.find("n…nn.flac") != std::string::npos;
    }
  }
  EXPECT_TRUE(drewTheJob) << run.Out;
}

// ---- Outputs that exist ----

struct TExistingCase {
  const char* Name;
  std::vector<std::string> Options;
  bool Replaced;
};
std::ostream& operator<<(std::ostream& Out, const TExistingCase& Case) {
  return Out << Case.Name;
}

class ExistingOutput : public CliTest, public testing::WithParamInterface<TExistingCase> {};

TEST_P(ExistingOutput, IsReplacedUnlessToldToSkipAndALinkIsNeverFollowed) {
  MakeSong("a.ape", 1);
  MakeSong("b.ape", 2);
  WriteText(Dir.File("a.flac"), "older");
  WriteText(Dir.File("target"), "not ours");
  fs::create_symlink(Dir.File("target"), Dir.File("b.flac"));
  std::vector<std::string> arguments = GetParam().Options;
  arguments.insert(arguments.end(), {"a.ape", "b.ape"});
  const TProgramResult run = Cli(arguments);
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(Text(test::ReadFileBytes(Dir.File("target"))), "not ours");
  if (GetParam().Replaced) {
    EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a.flac")).Pcm == test::ApeFixturePcm(SongSpec(1)));
    EXPECT_FALSE(fs::is_symlink(Dir.File("b.flac")));
    EXPECT_TRUE(test::DecodeFlacFile(Dir.File("b.flac")).Ok);
  } else {
    EXPECT_EQ(Text(test::ReadFileBytes(Dir.File("a.flac"))), "older");
    EXPECT_TRUE(fs::is_symlink(Dir.File("b.flac")));
    EXPECT_NE(run.Out.find("skipped: a.flac (exists)"), std::string::npos) << run.Out;
  }
}

INSTANTIATE_TEST_SUITE_P(Choices, ExistingOutput,
                         testing::Values(TExistingCase{"Default", {}, true},
                                         TExistingCase{"Overwrite", {"--overwrite"}, true},
                                         TExistingCase{"SkipExisting", {"--skip-existing"}, false}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Where the jobs come from ----

struct TSourcesCase {
  const char* Name;
  std::vector<std::string> Arguments;
  std::vector<std::string> Jobs;  // as the dry run names them, in order
};
std::ostream& operator<<(std::ostream& Out, const TSourcesCase& Case) {
  return Out << Case.Name;
}

class Sources : public CliTest, public testing::WithParamInterface<TSourcesCase> {};

TEST_P(Sources, FoldersGiveTheirSheetsAndTheApeFilesNoSheetUses) {
  MakeImage("music");
  MakeSong("music/loose.ape", 1);
  MakeSong("music/sub/deep.ape", 2);
  const TProgramResult run = Cli(GetParam().Arguments);
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<std::string> jobs;
  for (const std::string& line : JobLines(run.Out)) {
    jobs.push_back(line.substr(0, line.find(" -> ")));
  }
  EXPECT_EQ(jobs, GetParam().Jobs);
}

std::vector<std::string> ImageTracksThen(std::vector<std::string> After) {
  std::vector<std::string> jobs;
  for (size_t t = 0; t < 7; ++t) {
    jobs.push_back("music/image.cue track " + std::to_string(t + 1) + " \"" + test::TrackTitle(t) +
                   "\"");
  }
  jobs.insert(jobs.end(), After.begin(), After.end());
  return jobs;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Sources,
    testing::Values(
        TSourcesCase{"Folder", {"--dry-run", "music"}, ImageTracksThen({"music/loose.ape"})},
        TSourcesCase{"FolderAndSubfolders",
                     {"--dry-run", "-r", "music"},
                     ImageTracksThen({"music/loose.ape", "music/sub/deep.ape"})},
        TSourcesCase{"TheSameFileTwice",
                     {"--dry-run", "music/loose.ape", "music/loose.ape"},
                     {"music/loose.ape"}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CliTest, FilesThatCannotBeAddedAreNamedAndTheOthersConverted) {
  MakeSong("a.ape", 1);
  WriteText(Dir.File("cover.jpg"), "not audio");
  WriteText(Dir.File("bad.cue"), "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n");
  fs::create_directory(Dir.File("empty"));
  const TProgramResult run = Cli({"cover.jpg", "bad.cue", "empty", "a.ape"});
  EXPECT_EQ(run.ExitCode, 1);
  const std::vector<std::string> errors = Lines(run.Err);
  ASSERT_EQ(errors.size(), 3u) << run.Err;
  EXPECT_TRUE(errors[0].starts_with("corvane-cli: empty：")) << errors[0];
  EXPECT_TRUE(
      errors[1].starts_with("corvane-cli: cover.jpg: not an audio file of a format "
                            "Corvane reads (.ape, .flac"))
      << errors[1];
  EXPECT_TRUE(errors[1].ends_with(") or a cue sheet (.cue)")) << errors[1];
  EXPECT_NE(errors[2].find("“bad.cue”第 3 行"), std::string::npos) << errors[2];
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a.flac")).Ok);
  EXPECT_NE(run.Out.find(", 3 files not added in "), std::string::npos) << run.Out;
}

struct TEncodingCase {
  const char* Name;
  std::vector<std::string> Options;
  const char* Title;
};
std::ostream& operator<<(std::ostream& Out, const TEncodingCase& Case) {
  return Out << Case.Name;
}

class SheetEncoding : public CliTest, public testing::WithParamInterface<TEncodingCase> {};

TEST_P(SheetEncoding, IsDetectedUnlessGiven) {
  Dir.Copy(test::ApeFixture(SongSpec(1)), "disc.ape");
  WriteText(Dir.File("x.cue"),
            "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"Café\"\nINDEX 01 00:00:00\n");
  std::vector<std::string> arguments = GetParam().Options;
  arguments.insert(arguments.end(), {"--dry-run", "-n", "{title}", "x.cue"});
  const TProgramResult run = Cli(arguments);
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(JobLines(run.Out),
            std::vector<std::string>{"x.cue track 1 \"" + std::string(GetParam().Title) + "\" -> " +
                                     GetParam().Title + ".flac"});
}

INSTANTIATE_TEST_SUITE_P(Choices, SheetEncoding,
                         testing::Values(TEncodingCase{"Detected", {}, "Café"},
                                         TEncodingCase{
                                             "Windows1252", {"--encoding", "CP1252"}, "CafÃ©"},
                                         TEncodingCase{"Utf8", {"--encoding=utf-8"}, "Café"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CliTest, NamesThatAreNoUtf8AreTheFilesTheyName) {
  // "歌曲" and "输出" as a GBK system wrote them.
  const std::string song = test::Utf8ToGb18030("歌曲");
  const std::string out = test::Utf8ToGb18030("输出");
  Dir.Copy(test::ApeFixture(SongSpec(1)), song + ".ape");
  const TProgramResult run = Cli({"-o", out, song + ".ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File(out + "/" + song + ".flac")).Pcm ==
              test::ApeFixturePcm(SongSpec(1)));
}

// A FLAC image converts as an APE image does: found by a sheet written for its WAV, or by the
// CUESHEET block inside it; another lossless format is refused by its name.
TEST_F(CliTest, FlacImagesGiveTheirTracksExactAndOtherFormatsAreRefusedByName) {
  const test::TCdImage& image = SevenTrackImage();
  fs::create_directory(Dir.File("wav"));
  test::WriteWav(Dir.File("wav/image.wav"), image.Spec.Format, test::ApeFixturePcm(image.Spec));
  ASSERT_EQ(std::system(
                ("flac -s -o '" + Dir.File("image.flac") + "' '" + Dir.File("wav/image.wav") + "'")
                    .c_str()),
            0);
  fs::remove_all(Dir.File("wav"));
  WriteText(Dir.File("image.cue"), test::CdImageCueText(image, "image.wav"));
  fs::copy_file(Dir.File("image.flac"), Dir.File("embedded.flac"));
  ASSERT_EQ(std::system(("metaflac --import-cuesheet-from='" + Dir.File("image.cue") + "' '" +
                         Dir.File("embedded.flac") + "'")
                            .c_str()),
            0);
  WriteText(Dir.File("album.tak"), "tBaK");

  const TProgramResult run =
      Cli({"-n", "{source}/{track}", "image.cue", "embedded.flac", "album.tak"});
  EXPECT_EQ(run.ExitCode, 1) << run.Err;
  EXPECT_EQ(run.Err, "corvane-cli: album.tak: TAK files are not supported\n");
  for (const char* disc : {"image", "embedded"}) {
    for (size_t t = 0; t < 7; ++t) {
      char name[64];
      std::snprintf(name, sizeof name, "%s/%02zu.flac", disc, t + 1);
      const test::TDecodedFlac flac = test::DecodeFlacFile(Dir.File(name));
      EXPECT_TRUE(flac.Ok && flac.Pcm == TrackPcm(t)) << name;
    }
  }
}

// Every format read converts as an APE image does: a sheet written for the image's WAV finds
// it, each track is exact and tagged from the sheet, and the whole file is exact and keeps its
// title where the format has tags.
struct TFormatCase {
  const char* Name;
  const char* Extension;
  const char* Command;  // {in}: a WAV of the PCM; {out}: the file to make
  bool Tagged;          // the command gives the file the title "Whole"
};
std::ostream& operator<<(std::ostream& Out, const TFormatCase& Case) {
  return Out << Case.Name;
}

class EveryFormat : public CliTest, public testing::WithParamInterface<TFormatCase> {};

TEST_P(EveryFormat, ConvertsImagesAndWholeFilesExactly) {
  const TFormatCase& c = GetParam();
  const test::TCdImage& image = SevenTrackImage();
  const std::vector<uint8_t> pcm = test::ApeFixturePcm(image.Spec);
  const std::string made = test::EncodedFixture(std::string("seven_tracks_") + c.Name, c.Extension,
                                                c.Command, image.Spec.Format, pcm);
  const std::string audio = std::string("image") + c.Extension;
  Dir.Copy(made, audio);
  if (fs::exists(made + "c")) Dir.Copy(made + "c", audio + "c");
  WriteText(Dir.File("image.cue"), test::CdImageCueText(image, "image.wav"));

  // The reference tool's own decoding (WavPack's, which takes the correction file; ffmpeg's
  // for the rest): ffmpeg's Wave64 writer pads the data to 8 bytes and counts the padding as
  // audio, one more frame that every decoder then reads.
  const std::string decode =
      c.Extension == std::string(".wv")
          ? "wvunpack -q -y --raw '" + Dir.File(audio) + "' -o '" + Dir.File("reference.pcm") + "'"
          : "ffmpeg -loglevel error -y -i '" + Dir.File(audio) + "' -f s16le '" +
                Dir.File("reference.pcm") + "'";
  ASSERT_EQ(std::system(decode.c_str()), 0);
  const std::vector<uint8_t> reference = test::ReadFileBytes(Dir.File("reference.pcm"));
  ASSERT_TRUE(std::equal(pcm.begin(), pcm.end(), reference.begin()));

  const TProgramResult tracks = Cli({"-o", "tracks", "image.cue"});
  ASSERT_EQ(tracks.ExitCode, 0) << tracks.Err;
  std::vector<uint8_t> joined;
  for (size_t t = 0; t < 7; ++t) {
    const std::string file = Dir.File("tracks/Track_" + std::to_string(t + 1) + ".flac");
    const std::vector<uint8_t> track = test::DecodeFlacFile(file).Pcm;
    if (t < 6) {
      EXPECT_TRUE(track == TrackPcm(t)) << file;
    }
    joined.insert(joined.end(), track.begin(), track.end());
    EXPECT_EQ(test::ReadFlacComments(file).find("TITLE")->second, test::TrackTitle(t));
  }
  EXPECT_TRUE(joined == reference);
  const TProgramResult whole = Cli({"-o", "whole", audio});
  ASSERT_EQ(whole.ExitCode, 0) << whole.Err;
  const std::string file = Dir.File("whole/image.flac");
  EXPECT_TRUE(test::DecodeFlacFile(file).Pcm == reference);
  const auto tags = test::ReadFlacComments(file);
  const auto title = tags.find("TITLE");
  EXPECT_EQ(title != tags.end() ? title->second : "", c.Tagged ? "Whole" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EveryFormat,
    testing::Values(
        TFormatCase{"Flac", ".flac", "flac -s -f -T TITLE=Whole -o {out} {in}", true},
        TFormatCase{"WavPack", ".wv", "wavpack -q -y -w Title=Whole {in} -o {out}", true},
        TFormatCase{"WavPackHybrid", ".wv", "wavpack -q -y -b320 -c {in} -o {out}", false},
        TFormatCase{"TrueAudio", ".tta",
                    "ffmpeg -loglevel error -y -i {in} -c:a tta -metadata title=Whole {out}", true},
        TFormatCase{"Wav", ".wav", "cp {in} {out}", false},
        TFormatCase{"Wave64", ".w64", "ffmpeg -loglevel error -y -i {in} -f w64 {out}", false},
        TFormatCase{"Rf64", ".rf64", "ffmpeg -loglevel error -y -i {in} -rf64 always -f wav {out}",
                    false},
        TFormatCase{"Aiff", ".aiff", "ffmpeg -loglevel error -y -i {in} -f aiff {out}", false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Odd inputs ----

// Waits for the program to end on its own; one that still runs after a minute is killed, so a
// hang fails the test instead of the suite.
void KillIfItHangs(pid_t Pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::vector<uint8_t> stat = test::ReadFileBytes("/proc/" + std::to_string(Pid) + "/stat");
    const std::string text(stat.begin(), stat.end());
    const size_t state = text.rfind(") ");
    if (state == std::string::npos || text[state + 2] == 'Z') return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(Pid, SIGKILL);
}

struct TOddCase {
  const char* Name;
  std::function<void(test::TScratchDir&)> Make;
  std::vector<std::string> Arguments;
  int ExitCode;
  std::string Says;  // on standard error or output, escaped as printed
};
std::ostream& operator<<(std::ostream& Out, const TOddCase& Case) {
  return Out << Case.Name;
}

class OddInput : public CliTest, public testing::WithParamInterface<TOddCase> {};

// Each ends at once with the cause in plain words, and nothing a name or a sheet holds reaches
// the terminal as a control sequence.
TEST_P(OddInput, EndsWithAClearCauseAndNoControlCharacterReachesTheTerminal) {
  MakeSong("a.ape", 1);
  GetParam().Make(Dir);
  test::TProgramSettings settings;
  settings.WhileRunning = KillIfItHangs;
  const TProgramResult run = Cli(GetParam().Arguments, settings);
  EXPECT_EQ(run.ExitCode, GetParam().ExitCode) << run.Err;
  EXPECT_NE((run.Err + run.Out).find(GetParam().Says), std::string::npos) << run.Err << run.Out;
  for (const std::string& text : {run.Out, run.Err}) {
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char C) { return (C >= 0 && C < 0x20 && C != '\n') || C == 0x7f; }),
              0)
        << text;
  }
}

void MakeFifo(test::TScratchDir& Dir, const std::string& Name) {
  ASSERT_EQ(::mkfifo(Dir.File(Name).c_str(), 0644), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OddInput,
    testing::Values(
        TOddCase{"PipeAsSource",
                 [](test::TScratchDir& Dir) { MakeFifo(Dir, "pipe.ape"); },
                 {"pipe.ape", "a.ape"},
                 1,
                 "pipe.ape：不是普通文件"},
        TOddCase{"PipeInADryRun",
                 [](test::TScratchDir& Dir) { MakeFifo(Dir, "pipe.ape"); },
                 {"--dry-run", "pipe.ape"},
                 1,
                 "pipe.ape：不是普通文件"},
        TOddCase{"PipeAsSheet",
                 [](test::TScratchDir& Dir) { MakeFifo(Dir, "pipe.cue"); },
                 {"pipe.cue"},
                 1,
                 "pipe.cue：不是普通文件"},
        TOddCase{
            "DeviceAsSource",
            [](test::TScratchDir& Dir) { fs::create_symlink("/dev/zero", Dir.File("dev.ape")); },
            {"dev.ape"},
            1,
            "dev.ape：不是普通文件"},
        TOddCase{"TrackNumberTooLong",
                 [](test::TScratchDir& Dir) {
                   WriteText(Dir.File("x.cue"),
                             "FILE \"a.ape\" WAVE\nTRACK 99999999999 AUDIO\nINDEX 01 00:00:00\n");
                 },
                 {"x.cue"},
                 1,
                 "TRACK 行的音轨号超出范围"},
        TOddCase{"IndexNumberTooLong",
                 [](test::TScratchDir& Dir) {
                   WriteText(Dir.File("x.cue"),
                             "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 0000000001 00:00:00\n");
                 },
                 {"x.cue"},
                 1,
                 "INDEX 行的编号超出范围"},
        TOddCase{"EscapeInARefusedSheetLine",
                 [](test::TScratchDir& Dir) {
                   WriteText(Dir.File("x.cue"),
                             "FILE \"a.ape\" WAVE\nTRACK \x1b[2J AUDIO\nINDEX 01 00:00:00\n");
                 },
                 {"x.cue"},
                 1,
                 "TRACK \\x1b[2J AUDIO"},
        TOddCase{"ControlsInATitleOfADryRun",
                 [](test::TScratchDir& Dir) {
                   WriteText(Dir.File("x.cue"),
                             "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"a\x01"
                             "b\xc2\x9b\"\n"
                             "INDEX 01 00:00:00\n");
                 },
                 {"--dry-run", "x.cue"},
                 0,
                 "\"a\\x01b\\u009b\""},
        TOddCase{"ControlsInAFileName",
                 [](test::TScratchDir& Dir) { Dir.Copy(Dir.File("a.ape"), "b\x07\x1b]0;x.ape"); },
                 {"b\x07\x1b]0;x.ape"},
                 0,
                 "written: b\\x07\\x1b]0;x.flac"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- Ending early ----

TEST_F(CliTest, InterruptGivesUpTheJobsInProgressAndLeavesNothingHalfDone) {
  std::vector<std::string> arguments = {"-j2"};
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const std::string name = "slow" + std::to_string(seed) + ".ape";
    Dir.Copy(test::ApeFixture(test::SlowFixture(seed)), name);
    arguments.push_back(name);
  }
  test::TProgramSettings settings;
  settings.WhileRunning = [&](pid_t Pid) {
    // As soon as a job writes, the user presses Ctrl-C.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (test::Leftovers(Dir.Path()).empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(Pid, SIGINT);
  };
  const TProgramResult run = Cli(arguments, settings);
  EXPECT_EQ(run.ExitCode, 130) << run.Err;
  EXPECT_NE(run.Err.find("interrupted"), std::string::npos) << run.Err;
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
  // Whatever was written is complete.
  int written = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    const std::string flac = Dir.File("slow" + std::to_string(seed) + ".flac");
    if (!fs::exists(flac)) continue;
    ++written;
    EXPECT_TRUE(test::DecodeFlacFile(flac).Pcm == test::ApeFixturePcm(test::SlowFixture(seed)));
  }
  EXPECT_LT(written, 6);
}

// Before any job writes, a signal ends the program at once: there is nothing to take back.
TEST_F(CliTest, InterruptWhileAddingEndsAtOnceWithTheSignalsStatus) {
  MakeSong("a.ape", 1);
  std::vector<std::string> arguments = {"--dry-run"};
  for (int copy = 0; copy < 3000; ++copy) {
    const std::string name = "copy" + std::to_string(copy) + ".ape";
    fs::create_hard_link(Dir.File("a.ape"), Dir.File(name));
    arguments.push_back(name);
  }
  test::TProgramSettings settings;
  settings.WhileRunning = [&](pid_t Pid) {
    // Once it reads the files it was given, the user presses Ctrl-C.
    const std::string fds = "/proc/" + std::to_string(Pid) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool reading = false;
    while (!reading && std::chrono::steady_clock::now() < deadline) {
      std::error_code error;
      for (fs::directory_iterator it(fds, error), end; !error && it != end; it.increment(error)) {
        reading = reading || fs::read_symlink(it->path(), error).string().ends_with(".ape");
      }
    }
    ::kill(Pid, SIGTERM);
    KillIfItHangs(Pid);
  };
  const TProgramResult run = Cli(arguments, settings);
  EXPECT_EQ(run.ExitCode, 143) << run.Err;
  EXPECT_EQ(run.Signal, 0);
  EXPECT_EQ(run.Out, "");  // the plan was never printed
  EXPECT_EQ(run.Err, "corvane-cli: interrupted\n");
}

// ---- The program itself ----

TEST(CliProgram, LinksNoWidgetsAndNeedsNoDisplay) {
  const TProgramResult needed = test::RunProgram({"/usr/bin/readelf", "-d", CORVANE_CLI});
  ASSERT_EQ(needed.ExitCode, 0) << needed.Err;
  EXPECT_NE(needed.Out.find("libQt6Core.so"), std::string::npos);
  EXPECT_EQ(needed.Out.find("libQt6Gui"), std::string::npos) << needed.Out;
  EXPECT_EQ(needed.Out.find("libQt6Widgets"), std::string::npos) << needed.Out;

  test::TProgramSettings noDisplay;
  noDisplay.Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const TProgramResult version = test::RunProgram({CORVANE_CLI, "--version"}, noDisplay);
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_TRUE(std::regex_match(version.Out, std::regex("corvane-cli \\d+\\.\\d+\\.\\d+\n")))
      << version.Out;
  const TProgramResult help = test::RunProgram({CORVANE_CLI, "-h"}, noDisplay);
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(help.Out.starts_with("Usage: corvane-cli [options] FILE|FOLDER...")) << help.Out;
  const std::string manual = Text(test::ReadFileBytes(CORVANE_CLI_MANUAL));
  for (const char* field : {"{track}", "{title}", "{artist}", "{album}", "{albumartist}", "{date}",
                            "{disc}", "{source}"}) {
    EXPECT_NE(help.Out.find(field), std::string::npos) << field;
    EXPECT_NE(manual.find(std::string(".B ") + field + "\n"), std::string::npos) << field;
  }
  // Every option the help lists is in the manual page too (troff writes "-" as "\-").
  const std::regex option("\n  (?:-\\w, )?--([a-z-]+)");
  for (auto it = std::sregex_iterator(help.Out.begin(), help.Out.end(), option);
       it != std::sregex_iterator(); ++it) {
    std::string name = (*it)[1];
    std::string escaped;
    for (const char c : name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(manual.find("\\-\\-" + escaped), std::string::npos) << "--" << name;
  }
  EXPECT_NE(manual.find(".TH CORVANE-CLI 1 \"\" \"Corvane " +
                        version.Out.substr(12, version.Out.size() - 13)),
            std::string::npos);
}

TEST_F(CliTest, InstalledBesideTheWindowItFindsItsDecoderAndItsManualPage) {
  const TProgramResult install = test::RunProgram(
      {CORVANE_CMAKE, "--install", CORVANE_BUILD_DIR, "--prefix", Dir.File("prefix")});
  ASSERT_EQ(install.ExitCode, 0) << install.Out << install.Err;
  EXPECT_TRUE(fs::is_regular_file(Dir.File("prefix/share/man/man1/corvane-cli.1")));
  EXPECT_TRUE(fs::is_symlink(Dir.File("prefix/bin/corvane-cli")));
  const std::string installed = fs::canonical(Dir.File("prefix/bin/corvane-cli")).string();
  EXPECT_TRUE(fs::exists(fs::path(installed).parent_path() / "libMACDll.so"));

  MakeSong("a.ape", 1);
  const TProgramResult run = test::RunProgram({Dir.File("prefix/bin/corvane-cli"), "-q", "a.ape"},
                                              {Dir.Path(), {}, false, nullptr});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a.flac")).Pcm == test::ApeFixturePcm(SongSpec(1)));
}

}  // namespace
}  // namespace corvane
