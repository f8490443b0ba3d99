// The command line speaks the user's language: Chinese under a Chinese locale, English under
// any other, --lang over both; the help, the usage errors, the report lines and the failure
// causes the engine words alike.
#include "CliTestSupport.h"

namespace corvane::clitest {
namespace {

// Columns a UTF-8 text takes on a terminal: CJK and full-width forms take two.
size_t Columns(const std::string& Line) {
  size_t columns = 0;
  for (size_t i = 0; i < Line.size();) {
    const auto lead = static_cast<unsigned char>(Line[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length && i + k < Line.size(); ++k) {
      point = (point << 6) | (static_cast<unsigned char>(Line[i + k]) & 0x3F);
    }
    columns += point >= 0x2E80 ? 2 : 1;
    i += length;
  }
  return columns;
}

bool HasChinese(const std::string& Text) {
  for (size_t i = 0; i + 2 < Text.size(); ++i) {
    // The lead bytes of U+3000 to U+9FFF and of the full-width forms.
    const auto lead = static_cast<unsigned char>(Text[i]);
    if ((lead >= 0xE3 && lead <= 0xE9) || lead == 0xEF) return true;
  }
  return false;
}

struct TLanguageCase {
  const char* Name;
  std::vector<std::pair<std::string, std::string>> Environment;
  std::vector<std::string> Options;  // before the job's own
  bool Chinese;
};

class CliLanguage : public CliTest, public testing::WithParamInterface<TLanguageCase> {
 protected:
  TProgramResult Run(std::vector<std::string> Arguments) {
    Arguments.insert(Arguments.begin(), GetParam().Options.begin(), GetParam().Options.end());
    test::TProgramSettings settings;
    settings.Set = GetParam().Environment;
    return Cli(std::move(Arguments), settings);
  }

  // What the run printed must be in the case's language: the texts given for it, and no
  // Chinese at all in English.
  void ExpectLanguage(const TProgramResult& Run, std::vector<const char*> Chinese,
                      std::vector<const char*> English) {
    const std::string printed = Run.Out + Run.Err;
    for (const char* text : GetParam().Chinese ? Chinese : English) {
      EXPECT_NE(printed.find(text), std::string::npos) << text << " in\n" << printed;
    }
    if (!GetParam().Chinese) {
      EXPECT_FALSE(HasChinese(printed)) << printed;
    }
  }
};

TEST_P(CliLanguage, HelpErrorsReportAndCausesAreAllInTheUsersLanguage) {
  const TProgramResult help = Run({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  ExpectLanguage(help,
                 {"用法：corvane-cli", "显示此帮助并退出。", "名称模板字段（-n）：", "示例："},
                 {"Usage: corvane-cli", "Show this help and exit.", "Name template fields (-n):"});
  // Qt wraps at spaces only; a Chinese line it cannot wrap would run past the terminal.
  for (const std::string& line : Lines(help.Out)) EXPECT_LE(Columns(line), 80u) << line;

  const TProgramResult usage = Run({"-l", "9", "a.ape"});
  EXPECT_EQ(usage.ExitCode, 2);
  ExpectLanguage(usage, {"压缩等级“9”无效", "（参见 corvane-cli --help）"},
                 {"bad compression level \"9\"", "(see corvane-cli --help)"});

  MakeSong("a.ape", 1);
  const std::string bad = MakeSong("bad.ape", 3);
  std::vector<uint8_t> bytes = test::ReadFileBytes(bad);
  for (size_t i = bytes.size() * 60 / 100; i < bytes.size() * 62 / 100; ++i) bytes[i] ^= 0xA5;
  test::WriteFileBytes(bad, bytes);
  WriteText(Dir.File("cover.jpg"), "not audio");
  const TProgramResult run = Run({"a.ape", "bad.ape", "cover.jpg", "gone.ape"});
  EXPECT_EQ(run.ExitCode, 1);
  ExpectLanguage(run,
                 {"已写入：a.flac", "失败：bad.ape", "原因：数据损坏", "找不到“gone.ape”",
                  "cover.jpg：既不是", "已写入 1 个文件，1 个失败，0 个跳过，1 个文件未能添加"},
                 {"written: a.flac", "failed: bad.ape", "Cause: damaged data",
                  "cannot find \"gone.ape\"", "cover.jpg: not an audio file",
                  "1 file written, 1 failed, 0 skipped, 1 file not added in "});
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CliLanguage,
    testing::Values(
        TLanguageCase{"ChineseLang", {{"LANG", "zh_CN.UTF-8"}}, {}, true},
        TLanguageCase{"EnglishLang", {{"LANG", "en_US.UTF-8"}}, {}, false},
        // gettext's order: LANGUAGE, then LC_ALL, LC_MESSAGES, LANG.
        TLanguageCase{
            "LanguageFirst", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "zh_TW:en"}}, {}, true},
        TLanguageCase{"AllOverLang", {{"LANG", "zh_CN.UTF-8"}, {"LC_ALL", "C"}}, {}, false},
        TLanguageCase{"AskedForEnglish", {{"LANG", "zh_CN.UTF-8"}}, {"--lang", "en"}, false},
        TLanguageCase{"AskedForChinese", {{"LANG", "en_US.UTF-8"}}, {"--lang=zh"}, true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane::clitest
