// Texts made for the user: escapes of what names and sheets hold, and the causes of failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "AppTexts.h"
#include "JobFailure.h"
#include "ScratchDir.h"
#include "TextFormat.h"
#include "WavFile.h"

namespace corvane {
namespace {

struct TEscapeCase {
  const char* Text;
  bool KeepLineBreaks;
  const char* Shown;
};

TEST(EscapeControls, ShowsEveryControlCharacterAndNothingElseChanges) {
  const TEscapeCase cases[] = {
      {"plain 歌曲 — ü", true, "plain 歌曲 — ü"},
      {"\x1b[2Jgone", true, "\\x1b[2Jgone"},
      {"a\rb\tc\x7f", true, "a\\x0db\\x09c\\x7f"},
      {"two\nlines", true, "two\nlines"},
      {"two\nlines", false, "two\\x0alines"},
      {"csi \xc2\x9b"
       "31m and nel \xc2\x85",
       true, "csi \\u009b31m and nel \\u0085"},
      {"\xc2\xa0 no-break space stays", true, "\xc2\xa0 no-break space stays"},
      // A GBK name is not UTF-8; its bytes stay as they are.
      {"\xb8\xe8\xc7\xfa", true, "\xb8\xe8\xc7\xfa"},
      {"ends in \xc2", true, "ends in \xc2"},
  };
  for (const TEscapeCase& c : cases) {
    EXPECT_EQ(EscapeControls(c.Text, c.KeepLineBreaks), c.Shown) << c.Text;
  }
  EXPECT_EQ(EscapeControls(std::string("nul\0in", 6)), "nul\\x00in");
}

TEST(CauseOfErrorCode, AFileWhereAFolderShouldBeIsNamed) {
  test::TScratchDir dir;
  test::WriteFileBytes(dir.File("file"), {1});
  std::filesystem::create_directory(dir.File("folder"));
  EXPECT_EQ(CauseOfErrorCode(ENOTDIR, dir.File("file/a.flac")),
            FormatText(texts::kCauseNotAFolder, {dir.File("file")}));
  EXPECT_EQ(CauseOfErrorCode(ENOENT, dir.File("file/sub/a.flac")),
            FormatText(texts::kCauseNotAFolder, {dir.File("file")}));
  EXPECT_EQ(CauseOfErrorCode(ENOENT, dir.File("folder/missing/a.flac")),
            texts::kCauseFolderNotFound);
  EXPECT_EQ(CauseOfErrorCode(ENOENT, dir.File("folder/a.flac")), texts::kCauseNotFound);
}

}  // namespace
}  // namespace corvane
