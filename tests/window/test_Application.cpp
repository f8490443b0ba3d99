#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "Application.h"
#include "EngineTestSupport.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "Program.h"
#include "ProgramRun.h"
#include "StartupOptions.h"
#include "WindowPlacement.h"

namespace corvane {
namespace {

using test::ShownErrors;

class TThrowingObject : public QObject {
 public:
  bool event(QEvent*) override { throw std::runtime_error("Cannot open file 'x.cue'"); }
};

class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }
};

TEST_F(ApplicationTest, ErrorsEscapingAnEventHandlerAreShown) {
  TThrowingObject object;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
  EXPECT_EQ(ShownErrors(), QStringList{QStringLiteral("Cannot open file 'x.cue'")});
}

TEST_F(ApplicationTest, WithoutTheDecoderLibraryTheProgramSaysSoAndEnds) {
  UnloadMACDll();
  const int status = RunMainWindow(*qApp);
  EXPECT_TRUE(LoadMACDll());
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ShownErrors(),
            QStringList{QStringLiteral("libMACDll.so library could not be loaded.")});
}

TEST_F(ApplicationTest, WithoutLibFlacTheProgramSaysSoAndEnds) {
  UnloadLibFLAC();
  const int status = RunMainWindow(*qApp);
  EXPECT_TRUE(LoadLibFLAC());
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ShownErrors(),
            QStringList{QStringLiteral("libFLAC.so.12 library could not be loaded.")});
}

TEST_F(ApplicationTest, QtsOwnDialogsSpeakChinese) {
  const std::pair<const char*, const char*> texts[] = {
      {"QPlatformTheme", "Cancel"}, {"QFileDialog", "Look in:"}, {"QFileDialog", "File &name:"}};
  for (const auto& [context, english] : texts) {
    const QString shown = QCoreApplication::translate(context, english);
    EXPECT_NE(shown, QString::fromLatin1(english));
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) {
      return c.unicode() >= 0x4E00;
    })) << shown.toStdString();
  }
}

TEST(StartupOptions, HelpAndVersionAnswerFilesAreAddedAndOtherOptionsAreMistakesNamedAsTyped) {
  using TKind = TStartupRequest::TKind;
  const struct {
    QStringList Arguments;
    TKind Kind;
    const char* Says;
    QStringList Files = {};
    std::optional<TLanguage> Language = {};
  } cases[] = {
      {{"/usr/lib/corvane/corvane"}, TKind::Run, ""},
      {{"corvane", "--help"}, TKind::Help, "Usage: corvane [options] [FILE|FOLDER...]\n"},
      {{"corvane", "-h"}, TKind::Help, "--version"},
      {{"corvane", "--version"}, TKind::Version, "corvane " CORVANE_VERSION},
      {{"corvane", "-v"}, TKind::Version, "corvane "},
      {{"corvane", "-platform", "offscreen", "--help"}, TKind::Help, "Usage:"},
      {{"corvane", "--bogus"}, TKind::UsageError, "unknown option \"--bogus\""},
      {{"corvane", "-x"}, TKind::UsageError, "unknown option \"-x\""},
      // As a file manager's "Open with" passes them; "--" lets a name start with a dash.
      {{"corvane", "/music/album.cue", "/music/b c.ape"},
       TKind::Run,
       "",
       {"/music/album.cue", "/music/b c.ape"}},
      {{"corvane", "--", "-odd.ape", "folder"}, TKind::Run, "", {"-odd.ape", "folder"}},
      {{"corvane", "album.cue", "--bogus"}, TKind::UsageError, "unknown option \"--bogus\""},
      {{"corvane", "--lang", "en"}, TKind::Run, "", {}, TLanguage::English},
      {{"corvane", "--lang=zh", "a.cue"}, TKind::Run, "", {"a.cue"}, TLanguage::Chinese},
      {{"corvane", "a.cue", "--lang", "zh"}, TKind::Run, "", {"a.cue"}, TLanguage::Chinese},
      {{"corvane", "--lang", "fr"}, TKind::UsageError, "unknown language \"fr\" for --lang"},
      {{"corvane", "--lang", "zh_CN"}, TKind::UsageError, "(zh or en)"},
      {{"corvane", "--lang"}, TKind::UsageError, "lang"},
      {{"corvane", "--help"}, TKind::Help, "--lang <zh|en>"},
  };
  TApplication& app = *static_cast<TApplication*>(qApp);
  app.SetLanguage(TLanguage::English);
  for (const auto& c : cases) {
    const TStartupRequest request = ReadStartupOptions(c.Arguments);
    EXPECT_EQ(request.Kind, c.Kind) << c.Arguments.join(' ').toStdString();
    EXPECT_TRUE(request.Text.contains(QString::fromUtf8(c.Says))) << request.Text.toStdString();
    EXPECT_EQ(request.Files, c.Files) << c.Arguments.join(' ').toStdString();
    EXPECT_EQ(request.Language, c.Language) << c.Arguments.join(' ').toStdString();
  }
  // The same in Chinese, Qt's words for usage and options included.
  app.SetLanguage(TLanguage::Chinese);
  EXPECT_TRUE(
      ReadStartupOptions({"corvane", "--help"})
          .Text.startsWith(QString::fromUtf8("用法：corvane [选项] [FILE|FOLDER...]\n在窗口中")));
  EXPECT_EQ(ReadStartupOptions({"corvane", "--bogus"}).Text,
            QString::fromUtf8("未知选项“--bogus”"));
}

TEST(StartupOptions, HelpAndVersionNeedNoDisplay) {
  const std::string program =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "corvane").string();
  test::TProgramSettings noDisplay;
  noDisplay.Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  for (const auto& [option, begins] : {std::pair{"--help", "Usage: "}, {"--version", "corvane "}}) {
    const test::TProgramResult run = test::RunProgram({program, option}, noDisplay);
    EXPECT_EQ(run.ExitCode, 0) << option << run.Err;
    EXPECT_TRUE(run.Out.starts_with(begins)) << run.Out;
  }
  const test::TProgramResult wrong = test::RunProgram({program, "--bogus"});
  EXPECT_EQ(wrong.ExitCode, 2);
  EXPECT_TRUE(wrong.Err.ends_with("corvane: unknown option \"--bogus\" (see corvane --help)\n"))
      << wrong.Err;
  // The locale's language, before any display too.
  noDisplay.Set = {{"LANG", "zh_CN.UTF-8"}};
  const test::TProgramResult chinese = test::RunProgram({program, "--help"}, noDisplay);
  EXPECT_EQ(chinese.ExitCode, 0) << chinese.Err;
  EXPECT_TRUE(chinese.Out.starts_with("用法：corvane [选项]")) << chinese.Out;
}

TEST(WindowPlacement, KeepsTheFrameInsideTheFreeAreaTopLeftFirst) {
  const QRect screen(0, 27, 1280, 773);  // a panel at the top
  const struct {
    QSize Frame;
    std::optional<QPoint> Remembered;
    QPoint Placed;
  } cases[] = {
      {{421, 508}, std::nullopt, {429, 159}},      // centred
      {{421, 508}, QPoint(100, 200), {100, 200}},  // where it was left
      {{421, 508}, QPoint(1100, 700), {859, 292}}, {{421, 508}, QPoint(-50, 0), {0, 27}},
      {{842, 986}, std::nullopt, {219, 27}},  // scaled twice: taller than the screen
      {{842, 986}, QPoint(300, 100), {300, 27}},   {{1400, 986}, QPoint(300, 100), {0, 27}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceWindow(c.Frame, screen, c.Remembered), c.Placed)
        << c.Frame.width() << "x" << c.Frame.height();
  }
}

TEST_F(ApplicationTest, PicturesAreCompiledIn) {
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/banner.png")).size(), QSize(433, 41));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/small.png")).size(), QSize(57, 49));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/close.png")).size(), QSize(57, 41));
  EXPECT_EQ(QImage(QStringLiteral(":/artwork/icon.png")).size(), QSize(256, 256));
  QImageReader jpeg(QStringLiteral(":/artwork/about.jpg"));
  EXPECT_EQ(jpeg.format(), QByteArray("jpeg"));
  EXPECT_EQ(jpeg.read().size(), QSize(324, 852));
}

}  // namespace
}  // namespace corvane
