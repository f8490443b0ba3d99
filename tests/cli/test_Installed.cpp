// What `cmake --install` puts under /usr, installed into a scratch DESTDIR and checked as
// desktops, software centres and bash read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "InputFormats.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::TProgramResult;

constexpr const char* kDesktopEntry = "usr/share/applications/io.github.corvane.Corvane.desktop";
constexpr const char* kMetainfo = "usr/share/metainfo/io.github.corvane.Corvane.metainfo.xml";
constexpr const char* kMimeTypes = "usr/share/mime/packages/io.github.corvane.Corvane.xml";
constexpr const char* kCompletion = "usr/share/bash-completion/completions/corvane-cli";

std::string Text(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Found(const char* Program) {
  return test::RunProgram({"/bin/sh", "-c", std::string("command -v ") + Program}).ExitCode == 0;
}

std::set<std::string> Split(const std::string& Text, char Separator) {
  std::set<std::string> parts;
  std::istringstream in(Text);
  for (std::string part; std::getline(in, part, Separator);) {
    if (!part.empty()) parts.insert(part);
  }
  return parts;
}

// The whole build installed once under DESTDIR, with /usr as the prefix, as a package does.
class Installed : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Root = new test::TScratchDir;
    const TProgramResult install =
        test::RunProgram({"/usr/bin/env", "DESTDIR=" + Root->Path(), CORVANE_CMAKE, "--install",
                          CORVANE_BUILD_DIR, "--prefix", "/usr"});
    ASSERT_EQ(install.ExitCode, 0) << install.Out << install.Err;
  }
  static void TearDownTestSuite() {
    delete Root;
    Root = nullptr;
  }
  static std::string File(const std::string& Name) { return Root->File(Name); }

  // What the installed completion offers with Words typed and the cursor on the last one,
  // run in Folder.
  static std::set<std::string> Complete(const std::vector<std::string>& Words,
                                        const std::string& Folder = "/") {
    std::vector<std::string> argv = {
        "/bin/bash", "--norc", "-c",
        "source \"$0\" || exit 3; spec=$(complete -p corvane-cli) || exit 4; "
        "function=${spec##*-F }; function=${function%% *}; "
        "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); \"$function\" || exit 5; "
        "printf '%s\\n' \"${COMPREPLY[@]}\"",
        File(kCompletion)};
    argv.insert(argv.end(), Words.begin(), Words.end());
    const TProgramResult run = test::RunProgram(argv, {Folder, {}, false, nullptr});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    return Split(run.Out, '\n');
  }

  static inline test::TScratchDir* Root = nullptr;
};

// Each page in English and in Chinese, of this version, and set by groff as man sets it for a
// terminal without a warning (a Chinese line groff cannot break is one).
TEST_F(Installed, BothProgramsHaveTheirManualPagesOfThisVersion) {
  const bool groff = Found("groff");
  for (const auto& [page, header] : {std::pair{"man1/corvane.1", ".TH CORVANE 1 "},
                                     {"man1/corvane-cli.1", ".TH CORVANE-CLI 1 "},
                                     {"zh_CN/man1/corvane.1", ".TH CORVANE 1 "},
                                     {"zh_CN/man1/corvane-cli.1", ".TH CORVANE-CLI 1 "}}) {
    const std::string path = File(std::string("usr/share/man/") + page);
    const std::string text = Text(path);
    EXPECT_TRUE(text.starts_with(std::string(header) + "\"\" \"Corvane " CORVANE_VERSION "\""))
        << page;
    if (!groff) continue;
    const TProgramResult set = test::RunProgram(
        {"/usr/bin/env", "groff", "-K", "utf8", "-T", "utf8", "-man", "-ww", "-z", path});
    EXPECT_EQ(set.ExitCode, 0) << page;
    EXPECT_EQ(set.Out + set.Err, "") << page;
    // On a terminal this narrow groff 1.22.4 loops for ever in zh.tmac's line breaking, which
    // the Chinese pages leave unloaded there.
    const TProgramResult narrow =
        test::RunProgram({"/usr/bin/env", "timeout", "30", "groff", "-K", "utf8", "-T", "utf8",
                          "-rLL=40n", "-man", "-z", path});
    EXPECT_EQ(narrow.ExitCode, 0) << page << " at 40 columns";
  }
  for (const char* page : {"man1/corvane.1", "zh_CN/man1/corvane.1"}) {
    const std::string window = Text(File(std::string("usr/share/man/") + page));
    for (const char* option : {"\\-\\-help", "\\-\\-version", "\\-\\-lang", "\\-platform"}) {
      EXPECT_NE(window.find(option), std::string::npos) << page << " " << option;
    }
  }
  // The Chinese page for the command line names every option the English one does.
  const std::regex option("\\\\-\\\\-[a-z]+(?:\\\\-[a-z]+)*");
  const std::string english = Text(File("usr/share/man/man1/corvane-cli.1"));
  const std::string chinese = Text(File("usr/share/man/zh_CN/man1/corvane-cli.1"));
  int options = 0;
  for (auto it = std::sregex_iterator(english.begin(), english.end(), option);
       it != std::sregex_iterator(); ++it, ++options) {
    EXPECT_NE(chinese.find(it->str()), std::string::npos) << it->str();
  }
  EXPECT_GE(options, 15);
}

TEST_F(Installed, DesktopEntryValidatesAndStartsTheInstalledWindow) {
  if (!CORVANE_WINDOW_BUILT) GTEST_SKIP() << "the window is not built";
  const std::string entry = Text(File(kDesktopEntry));
  EXPECT_NE(entry.find("\nExec=/usr/bin/corvane %F\n"), std::string::npos) << entry;
  EXPECT_TRUE(fs::exists(File("usr/bin/corvane")));  // the link resolves inside the tree
  for (const char* key : {"\nName=Corvane\n", "\nName[zh_CN]=", "\nComment=Convert ",
                          "\nComment[zh_CN]=", "\nIcon=corvane\n"}) {
    EXPECT_NE(entry.find(key), std::string::npos) << key;
  }
  EXPECT_TRUE(fs::exists(File("usr/share/icons/hicolor/256x256/apps/corvane.png")));
  if (!Found("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed";
  const TProgramResult check =
      test::RunProgram({"/usr/bin/env", "desktop-file-validate", File(kDesktopEntry)});
  EXPECT_EQ(check.ExitCode, 0) << check.Out << check.Err;
  EXPECT_EQ(check.Out + check.Err, "");  // no hint or warning either
}

// Every extension the program reads, and .cue, has a type the shared MIME database (with the
// types installed beside the entry) gives it, and the entry and the description list it.
TEST_F(Installed, EveryInputHasATypeTheEntryAndTheDescriptionName) {
  if (!CORVANE_WINDOW_BUILT) GTEST_SKIP() << "the window is not built";
  if (!fs::exists("/usr/share/mime/globs2")) GTEST_SKIP() << "no shared MIME database";
  std::map<std::string, std::string> typeOf;  // "*.ape" -> "audio/x-ape"
  const std::regex line("^\\d+:([^:]+):(\\*\\.[a-z0-9]+)(?::.*)?$");
  std::istringstream globs(Text("/usr/share/mime/globs2"));
  for (std::string text; std::getline(globs, text);) {
    std::smatch m;
    if (std::regex_match(text, m, line)) typeOf.emplace(m[2], m[1]);
  }
  const std::string ours = Text(File(kMimeTypes));
  const std::regex ourType("<mime-type type=\"([^\"]+)\">[^]*?<glob pattern=\"([^\"]+)\"/>");
  for (auto it = std::sregex_iterator(ours.begin(), ours.end(), ourType);
       it != std::sregex_iterator(); ++it) {
    typeOf[(*it)[2]] = (*it)[1];
  }

  const std::string entry = Text(File(kDesktopEntry));
  const std::smatch listed = [&] {
    std::smatch m;
    std::regex_search(entry, m, std::regex("\nMimeType=([^\n]*)\n"));
    return m;
  }();
  ASSERT_FALSE(listed.empty()) << entry;
  const std::set<std::string> entryTypes = Split(listed[1], ';');
  const std::string metainfo = Text(File(kMetainfo));

  std::vector<std::string> extensions = {".cue"};
  for (const TInputFormat& format : InputFormats()) extensions.push_back(format.Extension);
  for (const std::string& extension : extensions) {
    const auto type = typeOf.find("*" + extension);
    ASSERT_NE(type, typeOf.end()) << extension << " has no MIME type";
    EXPECT_TRUE(entryTypes.contains(type->second)) << extension << " " << type->second;
    EXPECT_NE(metainfo.find("<mediatype>" + type->second + "</mediatype>"), std::string::npos)
        << extension << " " << type->second;
  }
}

TEST_F(Installed, DescriptionValidatesAndItsNewestReleaseIsThisVersion) {
  if (!CORVANE_WINDOW_BUILT) GTEST_SKIP() << "the window is not built";
  const std::string metainfo = Text(File(kMetainfo));
  std::smatch first;
  ASSERT_TRUE(std::regex_search(metainfo, first, std::regex("<release version=\"([^\"]+)\"")));
  EXPECT_EQ(first[1], CORVANE_VERSION);
  EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">io.github.corvane.Corvane.desktop<"),
            std::string::npos);
  EXPECT_NE(metainfo.find("/docs/screenshot.png</image>"), std::string::npos);
  if (!Found("appstreamcli")) GTEST_SKIP() << "appstreamcli is not installed";
  const TProgramResult check = test::RunProgram(
      {"/usr/bin/env", "appstreamcli", "validate", "--no-net", "--no-color", File(kMetainfo)});
  EXPECT_EQ(check.ExitCode, 0) << check.Out << check.Err;
  // Only the pedantic note on the id's capitals, which reverse-DNS names of programs carry.
  EXPECT_EQ(check.Out.find("\nW: "), std::string::npos) << check.Out;
  EXPECT_EQ(check.Out.find("\nE: "), std::string::npos) << check.Out;
}

// --- bash completion ---

struct TCompletionCase {
  std::vector<std::string> Words;  // after corvane-cli, the last one under the cursor
  std::set<std::string> Offered;   // exactly
};

TEST_F(Installed, CompletionOffersWhatEachPlaceTakes) {
  const std::set<std::string> levels = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
  const TCompletionCase cases[] = {
      {{"--le"}, {"--level"}},
      {{"-l", ""}, levels},
      {{"--level", ""}, levels},
      {{"--level", "=", ""}, levels},  // bash splits "--level=" at the "="
      {{"-l", "7"}, {"7"}},
      {{"--no-"}, {"--no-verify", "--no-replaygain"}},
      {{"--re"}, {"--recursive", "--replaygain"}},
      {{"--acc"}, {"--accuraterip"}},
      {{"--encoding", "win"}, {"windows-1251", "windows-1252"}},
      {{"--encoding", "=", "shift"}, {"shift-jis"}},
      {{"-n", "{al"}, {"{album}", "{albumartist}"}},
      {{"--skip"}, {"--skip-existing"}},
  };
  for (const TCompletionCase& c : cases) {
    std::vector<std::string> words = {"corvane-cli"};
    words.insert(words.end(), c.Words.begin(), c.Words.end());
    EXPECT_EQ(Complete(words), c.Offered) << c.Words.back();
  }
}

TEST_F(Installed, CompletionOffersFoldersAndTheFilesTheProgramReads) {
  test::TScratchDir dir;
  fs::create_directories(dir.File("album"));
  std::set<std::string> readable = {"album", "a.cue", "B.CUE"};
  for (const TInputFormat& format : InputFormats()) {
    std::string upper = format.Extension;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    readable.insert(std::string("x") + format.Extension);
    readable.insert("Y" + upper);
  }
  for (const std::string& name : readable) {
    if (name != "album") std::ofstream(dir.File(name)) << "";
  }
  for (const char* other : {"notes.txt", "rip.log", "cover.jpg", "x.wvc", "y.tak"}) {
    std::ofstream(dir.File(other)) << "";
  }
  EXPECT_EQ(Complete({"corvane-cli", ""}, dir.Path()), readable);
  EXPECT_EQ(Complete({"corvane-cli", "-o", ""}, dir.Path()), std::set<std::string>{"album"});
  EXPECT_EQ(Complete({"corvane-cli", "-q", "x.a"}, dir.Path()),
            (std::set<std::string>{"x.aif", "x.aiff", "x.ape"}));
}

// The completion keeps up with the program: every option its help lists is offered, and every
// encoding and level offered is one the program takes.
TEST_F(Installed, CompletionAndTheProgramAgree) {
  const TProgramResult help = test::RunProgram({File("usr/bin/corvane-cli"), "--help"});
  ASSERT_EQ(help.ExitCode, 0) << help.Err;
  const std::set<std::string> options = Complete({"corvane-cli", "-"});
  const std::regex option("\n  (?:(-\\w), )?(--[a-z-]+)");
  int listed = 0;
  for (auto it = std::sregex_iterator(help.Out.begin(), help.Out.end(), option);
       it != std::sregex_iterator(); ++it, ++listed) {
    EXPECT_TRUE(options.contains((*it)[2])) << (*it)[2];
    if ((*it)[1].matched) {
      EXPECT_TRUE(options.contains((*it)[1])) << (*it)[1];
    }
  }
  EXPECT_GE(listed, 12);

  test::TScratchDir empty;
  const auto takes = [&](const char* Option, const std::string& Value) {
    // An empty folder has nothing to convert (status 1); a value refused is a usage error (2).
    return test::RunProgram({File("usr/bin/corvane-cli"), "--dry-run", Option, Value, empty.Path()})
               .ExitCode != 2;
  };
  for (const std::string& encoding : Complete({"corvane-cli", "--encoding", ""})) {
    EXPECT_TRUE(takes("--encoding", encoding)) << encoding;
  }
  for (const std::string& level : Complete({"corvane-cli", "--level", ""})) {
    EXPECT_TRUE(takes("--level", level)) << level;
  }
  EXPECT_FALSE(takes("--level", "9"));  // the check itself tells a refusal
}

}  // namespace
}  // namespace corvane
