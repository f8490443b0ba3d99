#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <filesystem>

#include "AboutWindow.h"
#include "AppTexts.h"
#include "Application.h"
#include "BatchDriver.h"
#include "CompressionLevel.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "FormStyle.h"
#include "MainWindow.h"
#include "ScratchDir.h"
#include "TextCodec.h"
#include "TextEncode.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::ShownErrors;

QString Q(const char* Utf8) {
  return QString::fromUtf8(Utf8);
}

void WriteText(const std::string& Path, const std::string& Bytes) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }

  void Add(const QStringList& Files) {
    Form.ExecuteOpenDialog = [Files] { return std::optional<QStringList>(Files); };
    Form.Button3->click();
  }
  QString Path(const std::string& Name) const { return QString::fromStdString(Dir.File(Name)); }
  std::vector<std::string> Lines() { return Form.Driver().Jobs().Lines(); }
  void Select(int Row) {
    Form.ListBox1->selectionModel()->setCurrentIndex(Form.Driver().Jobs().index(Row),
                                                     QItemSelectionModel::ClearAndSelect);
  }
  int SelectedRow() {
    const QModelIndexList rows = Form.ListBox1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  }
  TFLACOut& Out() { return Form.Driver().FLACOut1(); }
  std::vector<bool> BatchControlsEnabled() const {
    return {Form.Button1->isEnabled(),   Form.Button3->isEnabled(), Form.Button4->isEnabled(),
            Form.Button6->isEnabled(),   Form.Button9->isEnabled(), Form.Edit1->isEnabled(),
            Form.ComboBox1->isEnabled(), Form.Button10->isEnabled()};
  }
  std::vector<bool> OtherControlsEnabled() const {
    return {Form.Button2->isEnabled(), Form.Button8->isEnabled(), Form.TrackBar1->isEnabled(),
            Form.Button5->isEnabled(), Form.ListBox1->isEnabled()};
  }

  test::TScratchDir Dir;
  test::TScratchDir SettingsDir;  // apart, so the test's own folder holds only its files
  TForm1 Form{test::SettingsIn(SettingsDir.File("corvane.conf"))};
};

struct TControlCase {
  const char* Name;
  QRect Geometry;
  const char* Text;  // nullptr: not checked
};

class Controls : public MainWindowTest, public testing::WithParamInterface<TControlCase> {};

TEST_P(Controls, StandWhereTheFormPutsThem) {
  const auto* control = Form.findChild<QWidget*>(QString::fromLatin1(GetParam().Name));
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->geometry(), GetParam().Geometry);
  if (GetParam().Text != nullptr) {
    EXPECT_EQ(control->property("text").toString(), Q(GetParam().Text));
  }
}

INSTANTIATE_TEST_SUITE_P(Form, Controls,
                         testing::Values(TControlCase{"Image1", {0, 0, 433, 41}, nullptr},
                                         TControlCase{
                                             "Label5", {16, 56, 289, 20}, texts::kListHeading},
                                         TControlCase{"ListBox1", {16, 88, 305, 121}, nullptr},
                                         TControlCase{"Button3", {32, 216, 97, 25}, "添加文件"},
                                         TControlCase{"Button4", {144, 216, 97, 25}, "从列表删除"},
                                         TControlCase{"Button9", {256, 216, 51, 25}, "清空"},
                                         TControlCase{"Bevel1", {8, 248, 321, 6}, nullptr},
                                         TControlCase{"Edit1", {11, 280, 209, 21}, "原文件目录"},
                                         TControlCase{"Button6", {230, 277, 89, 25}, "浏览"},
                                         TControlCase{"Bevel2", {8, 312, 321, 6}, nullptr},
                                         TControlCase{"Button1", {24, 336, 121, 41}, "开始转换"},
                                         TControlCase{"Label7", {160, 336, 57, 13}, "压缩等级"},
                                         TControlCase{"ComboBox1", {160, 352, 57, 21}, nullptr},
                                         TControlCase{"Label1", {240, 328, 81, 13}, "CPU占用率"},
                                         TControlCase{"TrackBar1", {236, 344, 70, 20}, nullptr},
                                         TControlCase{"ProgressBar1", {16, 392, 225, 17}, nullptr},
                                         TControlCase{"Label6", {254, 388, 49, 25}, "100%"},
                                         TControlCase{"Button8", {135, 420, 89, 25}, "暂停转换"},
                                         TControlCase{"Button2", {230, 420, 89, 25}, "停止转换"},
                                         TControlCase{"Bevel3", {336, 24, 9, 441}, nullptr},
                                         TControlCase{"Button10", {357, 336, 59, 25}, "选项"},
                                         TControlCase{"Image2", {360, 368, 57, 49}, nullptr},
                                         TControlCase{"Button5", {357, 424, 59, 25}, "关于"},
                                         TControlCase{"StatusBar1", {0, 459, 421, 19}, nullptr}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The window made in one language; Chinese again afterwards, as the other tests expect.
class LanguageSwitch {
 public:
  explicit LanguageSwitch(TLanguage Language) {
    static_cast<TApplication*>(qApp)->SetLanguage(Language);
  }
  ~LanguageSwitch() { static_cast<TApplication*>(qApp)->SetLanguage(TLanguage::Chinese); }
  LanguageSwitch(const LanguageSwitch&) = delete;
  LanguageSwitch& operator=(const LanguageSwitch&) = delete;
};

// The room Qt's style leaves for a line edit's text: two pixels either side of its contents.
int TextRoom(const QLineEdit* Edit) {
  QStyleOptionFrame option;
  option.initFrom(Edit);
  option.lineWidth = Edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, Edit);
  return Edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, Edit).width() - 4;
}

// A button's: its contents less the style's margin.
int TextRoom(const QPushButton* Button) {
  QStyleOptionButton option;
  option.initFrom(Button);
  option.text = Button->text();
  const QRect contents =
      Button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, Button);
  return contents.width() - Button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, Button);
}

// Also run with QT_SCALE_FACTOR=2 (see CMakeLists.txt), where each text is set in a font twice
// the size and measured back, so a text that only just fits at 1 may not.
class TextsFit : public testing::TestWithParam<TLanguage> {
 protected:
  void SetUp() override {
    // A scale Qt did not take would pass for the plain run and check nothing new.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
      ASSERT_EQ(Form.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
  }

  test::TScratchDir SettingsDir;
  LanguageSwitch Language{GetParam()};
  TForm1 Form{test::SettingsIn(SettingsDir.File("corvane.conf"))};
};

TEST_P(TextsFit, EveryButtonAndLabelShowsItsTextWhole) {
  Form.show();
  struct TShown {
    QWidget* Control;
    QString Text;
  };
  std::vector<TShown> shown;
  for (QPushButton* button : Form.findChildren<QPushButton*>()) {
    shown.push_back({button, button->text()});
  }
  // The pause button's other text, while paused.
  shown.push_back({Form.Button8, TextOf(texts::kResumeConversion)});
  for (QLabel* label : Form.findChildren<QLabel*>()) {
    if (!label->text().isEmpty() && label->parent() == &Form)
      shown.push_back({label, label->text()});
  }
  ASSERT_GE(shown.size(), 17U);
  for (const auto& [control, text] : shown) {
    const int advance = control->fontMetrics().horizontalAdvance(text);
    const int room = qobject_cast<QPushButton*>(control) != nullptr
                         ? TextRoom(static_cast<QPushButton*>(control))
                         : control->width();
    EXPECT_LE(advance, room) << control->objectName().toStdString() << ": " << text.toStdString();
  }
  EXPECT_LE(Form.Edit1->fontMetrics().horizontalAdvance(Form.Edit1->text()), TextRoom(Form.Edit1))
      << Form.Edit1->text().toStdString();
}

TEST_P(TextsFit, NoControlOverlapsAnotherOrCrossesTheFrame) {
  const char* const names[] = {"Label5",    "ListBox1",     "Button3",   "Button4", "Button9",
                               "Label4",    "Edit1",        "Button6",   "Button1", "Label7",
                               "ComboBox1", "Label1",       "TrackBar1", "Label2",  "Label3",
                               "Label6",    "ProgressBar1", "Button8",   "Button2", "Button10",
                               "Image2",    "Button5"};
  std::vector<QWidget*> controls;
  for (const char* name : names) {
    controls.push_back(Form.findChild<QWidget*>(QString::fromLatin1(name)));
    ASSERT_NE(controls.back(), nullptr) << name;
  }
  const QRect frame = Form.Bevel3->geometry();
  for (size_t i = 0; i < controls.size(); ++i) {
    const QRect at = controls[i]->geometry();
    // Wholly on one side of the frame's line, and inside the window.
    EXPECT_TRUE(at.right() < frame.left() || at.left() > frame.right()) << names[i];
    EXPECT_TRUE(Form.rect().contains(at)) << names[i];
    for (size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(at.intersects(controls[j]->geometry())) << names[i] << " and " << names[j];
    }
  }
}

TEST_P(TextsFit, TheAboutWindowShowsEachLineWhole) {
  Form.show();
  Form.Button5->click();
  TAboutMe* about = Form.AboutMe;
  for (QLineEdit* edit : about->Edits) {
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), TextRoom(edit))
        << edit->text().toStdString();
  }
  about->hide();
}

INSTANTIATE_TEST_SUITE_P(Languages, TextsFit,
                         testing::Values(TLanguage::Chinese, TLanguage::English),
                         [](const auto& Info) {
                           return std::string(Info.param == TLanguage::Chinese ? "Chinese"
                                                                               : "English");
                         });

TEST_F(MainWindowTest, IsAFixedCentredWindowWithItsCaptionAndFont) {
  EXPECT_EQ(Form.windowTitle(), Q("批量Corvane v2.4"));
  EXPECT_EQ(Form.minimumSize(), QSize(421, 478));
  EXPECT_EQ(Form.maximumSize(), QSize(421, 478));
  EXPECT_FALSE(Form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(Form.windowFlags() & Qt::WindowMinimizeButtonHint);
  const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((Form.geometry().center() - desktop.center()).manhattanLength(), 2);
  // The labels' glyphs come from a font that has them.
  EXPECT_EQ(QFontInfo(Form.Label5->font()).family(), Q(kFormFontFamily));
  EXPECT_EQ(Form.Label6->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_FALSE(Form.Image1->pixmap().isNull());
  EXPECT_FALSE(Form.Image2->pixmap().isNull());
}

TEST_F(MainWindowTest, TabOrderFollowsTheForm) {
  const std::vector<QWidget*> expected = {
      Form.ListBox1, Form.Button3,  Form.Button4,   Form.Button9,   Form.Edit1,
      Form.Button6,  Form.Button1,  Form.ComboBox1, Form.TrackBar1, Form.Button8,
      Form.Button2,  Form.Button10, Form.Button5};
  std::vector<QWidget*> chain;
  QWidget* widget = Form.ListBox1;
  do {
    if (std::find(expected.begin(), expected.end(), widget) != expected.end()) {
      chain.push_back(widget);
    }
    widget = widget->nextInFocusChain();
  } while (widget != Form.ListBox1 && chain.size() < expected.size());
  EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, StartsWithItsDefaults) {
  EXPECT_EQ(Form.StatusText(), Q("请将需要转换的文件添加到列表中"));
  EXPECT_EQ(Form.ComboBox1->currentText(), QStringLiteral("5"));
  EXPECT_EQ(Form.ComboBox1->count(), 9);
  EXPECT_EQ(Form.TrackBar1->minimum(), 1);
  EXPECT_EQ(Form.TrackBar1->maximum(), 3);
  EXPECT_EQ(Form.TrackBar1->value(), 3);
  EXPECT_EQ(Out().LoopDelay(), 1);
  // Level 5, whatever the sink's own defaults.
  EXPECT_EQ(Out().MaxLPCOrder(), 8);
  EXPECT_EQ(Out().BlockSize(), 4608);
  EXPECT_EQ(Out().MinResidualPartitionOrder(), 3);
  EXPECT_EQ(Out().MaxResidualPartitionOrder(), 3);
  EXPECT_TRUE(Out().EnableMidSideStereo());
  EXPECT_FALSE(Out().EnableLooseMidSideStereo());
  EXPECT_FALSE(Out().BestModelSearch());
  // What is written is decoded and compared, as flac -V does, unless the options say otherwise.
  EXPECT_TRUE(Out().Verify());
  EXPECT_EQ(Out().QLPCoeffPrecision(), 0);
  EXPECT_EQ(Form.ProgressBar1->minimum(), 0);
  EXPECT_EQ(Form.ProgressBar1->maximum(), 100);
}

TEST_F(MainWindowTest, OpenDialogOffersThreeFiltersWithAllSupportedFirst) {
  QFileDialog& dialog = Form.OpenDialog1();
  EXPECT_EQ(dialog.nameFilters(), QStringList({Q(texts::kFilterApe), Q(texts::kFilterCue),
                                               TForm1::AllSupportedFilter()}));
  EXPECT_EQ(dialog.selectedNameFilter(), TForm1::AllSupportedFilter());
  for (const char* pattern : {"*.ape", "*.flac", "*.cue", "*.APE", "*.FLAC", "*.CUE"}) {
    EXPECT_TRUE(TForm1::AllSupportedFilter().contains(Q(pattern))) << pattern;
  }
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
  EXPECT_EQ(&Form.OpenDialog1(), &dialog);
}

TEST_F(MainWindowTest, AddsApeFilesOncePerExactPath) {
  Add({QStringLiteral("/m/a.ape"), QStringLiteral("/m/b.APE"), QStringLiteral("/m/A.Ape"),
       QStringLiteral("/m/notes.txt"), QStringLiteral("/m/noext"), QStringLiteral("/m/专辑.ape"),
       QStringLiteral("/m/a.ape")});
  Add({QStringLiteral("/M/B.ape"), QStringLiteral("/m/b.APE")});
  // Letter case makes another file on Linux: only the very same path is a duplicate.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/m/a.ape", "/m/b.APE", "/m/A.Ape", "/m/专辑.ape",
                                               "/M/B.ape"}));
  // A line whose name holds " | " is still a plain file.
  Add({QStringLiteral("/m/1 | 2 - x.ape")});
  EXPECT_EQ(Form.Driver().Jobs().At(5).Kind, TJobKind::PlainFile);
  Form.ExecuteOpenDialog = [] { return std::optional<QStringList>(); };
  Form.Button3->click();
  EXPECT_EQ(Lines().size(), 6u);
  EXPECT_TRUE(ShownErrors().isEmpty());
}

TEST_F(MainWindowTest, CueSheetsAddOneLinePerTrackNumberedBySheet) {
  WriteText(Dir.File("first.cue"),
            "TITLE \"A\"\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"Summer\"\n"
            "PERFORMER \"Band A\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Rain\"\n"
            "PERFORMER \"Band B\"\nINDEX 01 01:00:00\n");
  // The same sheet as UTF-16 with its mark: the same texts.
  const std::u16string utf16 = Utf8ToUtf16(
      "FILE \"b.ape\" WAVE\nTRACK 05 AUDIO\nTITLE \"晴天\"\nPERFORMER \"歌手\"\n"
      "INDEX 01 00:00:00\nTRACK 06 AUDIO\nINDEX 01 00:10:00\nTRACK 07 AUDIO\n"
      "TITLE \"雨 | 天 - 二\"\nINDEX 01 00:20:00\n");
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : utf16) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  WriteText(Dir.File("第二.cue"), bytes);
  WriteText(Dir.File("empty.cue"), "REM nothing here\n");
  // The audio the sheets name must be there; none is read, as no track starts after 0.
  WriteText(Dir.File("a.ape"), "");
  WriteText(Dir.File("b.ape"), "");

  Add({Path("first.cue"), Path("empty.cue"), Path("第二.cue"), Path("first.cue")});
  // A sheet without tracks is reported and not kept, so it takes no position.
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "1 | 1 - Summer,Band A  --first.cue",
                         "1 | 2 - Rain,Band B  --first.cue",
                         "2 | 1 - 晴天,歌手  --第二.cue",
                         "2 | 2 - ,  --第二.cue",
                         "2 | 3 - 雨 | 天 - 二,  --第二.cue",
                     }));
  EXPECT_EQ(Form.Driver().CueSheetList().size(), 2u);
  ASSERT_EQ(ShownErrors().size(), 1);
  EXPECT_NE(ShownErrors().first().indexOf(Path("empty.cue") + Q("：其中没有音轨")), -1);

  // Removing a sheet's lines does not unload it: adding it again is still refused.
  Select(0);
  Form.Button4->click();
  Select(0);
  Form.Button4->click();
  Add({Path("first.cue")});
  EXPECT_EQ(Lines().size(), 3u);
  // Until the list is cleared; then it is the first sheet again.
  Form.Button9->click();
  EXPECT_TRUE(Form.Driver().CueSheetList().empty());
  Add({Path("first.cue")});
  EXPECT_EQ(Lines().front(), "1 | 1 - Summer,Band A  --first.cue");
}

// Mostly English with one Big5 word: too little for any detector, so it is read as GBK, and
// the user corrects it from the job list's context menu.
TEST_F(MainWindowTest, ContextMenuReadsACueSheetAgainInTheChosenEncoding) {
  const std::string text =
      "TITLE \"Best of 2001\"\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"甜蜜蜜\"\n"
      "PERFORMER \"Teresa\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Live\"\n"
      "INDEX 01 00:00:30\n";
  WriteText(Dir.File("big5.cue"), test::EncodeUtf8As(text, "BIG5"));
  WriteText(Dir.File("a.ape"), "");
  Add({QStringLiteral("/m/plain.ape"), Path("big5.cue")});
  ASSERT_EQ(Lines().size(), 3u);
  ASSERT_NE(Lines()[1], "1 | 1 - 甜蜜蜜,Teresa  --big5.cue") << "detected after all: no test";

  EXPECT_EQ(Form.EncodingMenu(0), nullptr);
  const std::unique_ptr<QMenu> menu = Form.EncodingMenu(2);
  ASSERT_NE(menu, nullptr);
  QStringList labels;
  for (const QAction* action : menu->actions()) labels << action->text();
  EXPECT_EQ(labels, (QStringList{Q("自动检测"), "GB18030", "Big5", "Shift-JIS", "EUC-KR", "UTF-8",
                                 "Windows-1251", "Windows-1252"}));
  menu->actions()[2]->trigger();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/m/plain.ape", "1 | 1 - 甜蜜蜜,Teresa  --big5.cue",
                                               "1 | 2 - Live,  --big5.cue"}));
  EXPECT_EQ(Form.Driver().CueSheetList().front()->Sheet()->Tracks[0].Title, "甜蜜蜜");
  EXPECT_TRUE(ShownErrors().isEmpty());

  // Back to the detection: the first reading again.
  Form.EncodingMenu(1)->actions()[0]->trigger();
  EXPECT_NE(Lines()[1], "1 | 1 - 甜蜜蜜,Teresa  --big5.cue");
}

TEST_F(MainWindowTest, UnreadableCueSheetsAreListedInOneMessageAndTheRestAdded) {
  WriteText(Dir.File("good.cue"), "FILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  WriteText(Dir.File("a.ape"), "");
  Add({QStringLiteral("/m/a.ape"), Path("missing.cue"), Path("good.cue"), Path("gone.cue")});
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/m/a.ape", "1 | 1 - ,  --good.cue"}));
  ASSERT_EQ(ShownErrors().size(), 1);
  const QStringList lines = ShownErrors().first().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3) << ShownErrors().first().toStdString();
  EXPECT_EQ(lines[0], Q(texts::kAddProblems));
  EXPECT_TRUE(lines[1].startsWith(Path("missing.cue") + Q("：找不到文件")))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(Path("gone.cue") + Q("：找不到文件"))) << lines[2].toStdString();
  EXPECT_EQ(Form.Driver().CueSheetList().size(), 1u);
}

TEST_F(MainWindowTest, APipeIsRefusedAndANamesControlCharactersAreShownEscaped) {
  ASSERT_EQ(::mkfifo(Dir.File("pipe.ape").c_str(), 0644), 0);
  Add({Path("pipe.ape"), Path("x\x1b[2J.cue")});
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(ShownErrors().size(), 1);
  const QStringList lines = ShownErrors().first().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3) << ShownErrors().first().toStdString();
  EXPECT_TRUE(lines[1].startsWith(Path("pipe.ape") + Q("：不是普通文件")))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(Path("x\\x1b[2J.cue") + Q("：找不到文件")))
      << lines[2].toStdString();
}

TEST_F(MainWindowTest, RemovingALineSelectsTheOneAbove) {
  Add({QStringLiteral("/m/0.ape"), QStringLiteral("/m/1.ape"), QStringLiteral("/m/2.ape"),
       QStringLiteral("/m/3.ape")});
  Form.show();
  Form.Button3->setFocus();
  Select(3);
  Form.Button4->click();
  EXPECT_EQ(Lines().size(), 3u);
  EXPECT_EQ(SelectedRow(), 2);
  EXPECT_EQ(QApplication::focusWidget() == Form.ListBox1, Form.isActiveWindow());
  // The Delete key does the same, whatever the modifiers.
  QTest::keyClick(Form.ListBox1, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/m/0.ape", "/m/1.ape"}));
  EXPECT_EQ(SelectedRow(), 1);
  Select(0);
  QTest::keyClick(Form.ListBox1, Qt::Key_Delete);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"/m/1.ape"}));
  EXPECT_EQ(SelectedRow(), -1);
  // Nothing selected: nothing removed.
  Form.Button4->click();
  QTest::keyClick(Form.ListBox1, Qt::Key_Delete);
  EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(MainWindowTest, LevelFieldSetsTheEncoderAndTheStatus) {
  Form.ComboBox1->setEditText(QStringLiteral("1"));
  EXPECT_EQ(Form.StatusText(), Q("转换速度快！压缩率较低"));
  EXPECT_EQ(Out().BlockSize(), 1152);
  EXPECT_TRUE(Out().EnableMidSideStereo());  // stored false, switched on by loose mid-side
  EXPECT_TRUE(Out().EnableLooseMidSideStereo());

  Form.ComboBox1->setEditText(QStringLiteral("4"));
  EXPECT_EQ(Form.StatusText(), Q("转换速度中等，压缩率好！"));
  EXPECT_EQ(Out().MaxLPCOrder(), 8);
  EXPECT_TRUE(Out().EnableMidSideStereo());
  EXPECT_TRUE(Out().EnableLooseMidSideStereo());

  // Out of the table: only the status text changes.
  Form.ComboBox1->setEditText(QStringLiteral("12"));
  EXPECT_EQ(Form.StatusText(), Q("转换速度慢！压缩率高"));
  EXPECT_EQ(Out().MaxLPCOrder(), 8);
  EXPECT_EQ(Out().BlockSize(), 4608);
  EXPECT_TRUE(Out().EnableLooseMidSideStereo());

  // Not a number: refused as typed.
  Form.ComboBox1->setEditText(QStringLiteral("4"));
  Form.ComboBox1->lineEdit()->selectAll();
  QTest::keyClicks(Form.ComboBox1->lineEdit(), QStringLiteral("x"));
  EXPECT_EQ(Form.ComboBox1->currentText(), QStringLiteral("4"));
  EXPECT_EQ(Form.StatusText(), Q("转换速度中等，压缩率好！"));
  EXPECT_TRUE(Out().EnableLooseMidSideStereo());

  // Picked from the list.
  Form.ComboBox1->setCurrentIndex(8);
  EXPECT_EQ(Form.StatusText(), Q("转换速度慢！压缩率高"));
  EXPECT_EQ(Out().MaxLPCOrder(), 12);
  EXPECT_TRUE(Out().BestModelSearch());
  EXPECT_FALSE(Out().EnableLooseMidSideStereo());
}

TEST_F(MainWindowTest, LevelFieldRefusesTypedLevelsTheEncoderDoesNotHave) {
  Form.ComboBox1->setCurrentIndex(3);
  const int blockSize = Out().BlockSize();
  const int lpcOrder = Out().MaxLPCOrder();
  // Typed over the level, or after it.
  const std::pair<bool, const char*> typings[] = {
      {false, "9"}, {false, "-"}, {false, "x"}, {true, "9"}};
  for (const auto& [after, typed] : typings) {
    QLineEdit* edit = Form.ComboBox1->lineEdit();
    after ? edit->end(false) : edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(typed));
    EXPECT_EQ(Form.ComboBox1->currentText(), QStringLiteral("3")) << typed;
    EXPECT_EQ(Out().BlockSize(), blockSize) << typed;
    EXPECT_EQ(Out().MaxLPCOrder(), lpcOrder) << typed;
    EXPECT_EQ(test::SettingsIn(SettingsDir.File("corvane.conf"))
                  ->value(QStringLiteral("output/compressionLevel")),
              3)
        << typed;
  }
  // What the encoder has is still taken as typed.
  Form.ComboBox1->lineEdit()->selectAll();
  QTest::keyClicks(Form.ComboBox1->lineEdit(), QStringLiteral("8"));
  EXPECT_EQ(Out().MaxLPCOrder(), 12);
}

TEST_F(MainWindowTest, SliderSetsTheWorkersSleepAndTheDecodingThreads) {
  for (const auto& [position, delay] : {std::pair{1, 11}, {2, 6}, {3, 1}}) {
    Form.TrackBar1->setValue(position);
    EXPECT_EQ(Out().LoopDelay(), delay) << position;
    EXPECT_EQ(Form.Driver().Runner().DecodeThreads(), position == 3 ? MachineCores() : 1);
  }
}

TEST_F(MainWindowTest, FolderPickerAddsTheTrailingSeparatorOnce) {
  Form.ExecuteFolderPicker = [](const QString&) {
    return std::optional<QString>(QStringLiteral("/tmp/输出"));
  };
  Form.Button6->click();
  EXPECT_EQ(Form.Edit1->text(), Q("/tmp/输出/"));
  Form.ExecuteFolderPicker = [](const QString&) {
    return std::optional<QString>(QStringLiteral("/"));
  };
  Form.Button6->click();
  EXPECT_EQ(Form.Edit1->text(), QStringLiteral("/"));
  Form.ExecuteFolderPicker = [](const QString&) { return std::optional<QString>(); };
  Form.Button6->click();
  EXPECT_EQ(Form.Edit1->text(), QStringLiteral("/"));
}

// Start makes a typed output folder that is not there, or says why it cannot and starts nothing.
struct TStartFolderCase {
  const char* Name;
  const char* Field;   // in the test's folder, unless it is 原文件目录
  const char* Output;  // the file the batch writes there; nullptr: none, and this cause shown
  std::errc Cause;
};
std::ostream& operator<<(std::ostream& Out, const TStartFolderCase& Case) {
  return Out << Case.Name;
}

class StartFolder : public MainWindowTest, public testing::WithParamInterface<TStartFolderCase> {};

TEST_P(StartFolder, IsMadeOrTheBatchDoesNotStart) {
  test::TApeFixtureSpec small;
  small.Frames = 20000;
  Add({QString::fromStdString(Dir.Copy(test::ApeFixture(small), "song.ape"))});
  const TStartFolderCase& c = GetParam();
  const QString field = Q(c.Field) == Q(texts::kSourceFolder) ? Q(c.Field) : Path(c.Field);
  Form.Edit1->setText(field);
  Form.Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.Button1->isEnabled(); }, 60s));
  if (c.Output != nullptr) {
    EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join("\n").toStdString();
    EXPECT_TRUE(test::DecodeFlacFile(Dir.File(c.Output)).Ok) << c.Output;
  } else {
    ASSERT_EQ(ShownErrors().size(), 1);
    EXPECT_TRUE(ShownErrors()[0].contains(field));
    EXPECT_TRUE(
        ShownErrors()[0].contains(QString::fromLocal8Bit(std::make_error_code(c.Cause).message())))
        << ShownErrors()[0].toStdString();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Form.Driver().WrittenCount(), 0);
  }
  // The field's word for "beside the source" is no folder to make.
  EXPECT_FALSE(std::filesystem::exists(texts::kSourceFolder));
  EXPECT_FALSE(std::filesystem::exists(Dir.File(texts::kSourceFolder)));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, StartFolder,
    testing::Values(TStartFolderCase{"NewAndNested", "out/a/b/", "out/a/b/song.flac", {}},
                    TStartFolderCase{"BesideTheSource", texts::kSourceFolder, "song.flac", {}},
                    TStartFolderCase{"UnderAFile", "song.ape/out", nullptr,
                                     std::errc::not_a_directory}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(MainWindowTest, RealBatchPausesResumesStopsAndStartsAgain) {
  std::filesystem::create_directory(Dir.File("out"));
  Form.ExecuteFolderPicker = [this](const QString&) { return std::optional<QString>(Path("out")); };
  Form.Button6->click();
  Form.TrackBar1->setValue(1);  // 11 ms per block: slow enough to catch in the act
  std::vector<test::TApeFixtureSpec> specs;
  QStringList files;
  for (uint32_t seed = 1; seed <= 2; ++seed) {
    specs.push_back(test::SlowFixture(seed));
    files << QString::fromStdString(
        Dir.Copy(test::ApeFixture(specs.back()), "slow" + std::to_string(seed) + ".ape"));
  }
  test::TApeFixtureSpec small;
  small.Frames = 50000;
  Dir.Copy(test::ApeFixture(small), "disc.ape");
  WriteText(Dir.File("disc.cue"),
            "FILE \"disc.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
            "INDEX 01 00:00:40\n");
  files << Path("disc.cue");
  Add(files);
  ASSERT_EQ(Lines().size(), 4u);

  Form.Button1->click();
  EXPECT_EQ(BatchControlsEnabled(), std::vector<bool>(8, false));
  EXPECT_EQ(OtherControlsEnabled(), std::vector<bool>(5, true));
  ASSERT_TRUE(test::PumpUntil([&] { return Form.ProgressBar1->value() >= 5; }, 30s));
  EXPECT_EQ(Form.Label6->text(), QString::number(Form.ProgressBar1->value()) + "%");

  Form.Button8->click();
  EXPECT_EQ(Form.Button8->text(), Q("恢复转换"));
  EXPECT_EQ(Out().Status(), osPaused);
  test::PumpFor(100ms);
  const int pausedAt = Form.ProgressBar1->value();
  test::PumpFor(400ms);
  EXPECT_EQ(Form.ProgressBar1->value(), pausedAt);
  Form.Button8->click();
  EXPECT_EQ(Form.Button8->text(), Q("暂停转换"));
  ASSERT_TRUE(test::PumpUntil([&] { return Form.ProgressBar1->value() > pausedAt; }, 30s));

  // Pause, then Stop: the worker is woken to see the stop; line 0 stays.
  Form.Button8->click();
  Form.Button2->click();
  EXPECT_EQ(BatchControlsEnabled(), std::vector<bool>(8, true));
  EXPECT_EQ(Form.Button8->text(), Q("暂停转换"));
  ASSERT_TRUE(test::PumpUntil([&] { return Out().Status() == osIdle; }, 5s));
  test::PumpFor(400ms);
  EXPECT_EQ(Lines().size(), 4u);

  Form.Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.Button1->isEnabled(); }, 120s));
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join("\n").toStdString();
  EXPECT_TRUE(Lines().empty());
  EXPECT_TRUE(Form.Driver().CueSheetList().empty());
  EXPECT_EQ(Form.Label6->text(), QStringLiteral("100%"));
  for (size_t i = 0; i < specs.size(); ++i) {
    const test::TDecodedFlac flac =
        test::DecodeFlacFile(Dir.File("out/slow" + std::to_string(i + 1) + ".flac"));
    ASSERT_TRUE(flac.Ok) << flac.Error;
    EXPECT_EQ(flac.Pcm, test::ApeFixturePcm(specs[i]));
  }
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("out/Track_2.flac")).Ok);
}

TEST_F(MainWindowTest, DeleteKeyKeepsTheJobInProgress) {
  Form.TrackBar1->setValue(1);
  Add({QString::fromStdString(Dir.Copy(test::ApeFixture(test::SlowFixture()), "a.ape")),
       QStringLiteral("/m/b.ape"), QStringLiteral("/m/c.ape")});
  Form.Button1->click();
  Select(0);
  QTest::keyClick(Form.ListBox1, Qt::Key_Delete);
  EXPECT_EQ(Lines().size(), 3u);
  Select(2);
  QTest::keyClick(Form.ListBox1, Qt::Key_Delete);
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Lines().front(), Dir.File("a.ape"));
  Form.Button2->click();
}

TEST_F(MainWindowTest, EndOfABatchIsShownWithItsCounts) {
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  Add({QString::fromStdString(Dir.Copy(test::ApeFixture(spec), "a.ape")),
       QString::fromStdString(Dir.Copy(test::ApeFixture(spec), "b.ape"))});
  Form.Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.Button1->isEnabled(); }, 60s));
  EXPECT_EQ(Form.StatusText(), Q("转换完成：共写入 2 个文件"));

  // A failure neither stops the batch nor interrupts it: the end gives both counts, and one
  // message tells every failure.
  const QString bad = QString::fromStdString(Dir.Copy(test::ApeFixture(spec), "bad.ape"));
  Add({bad, QString::fromStdString(Dir.Copy(test::ApeFixture(spec), "c.ape"))});
  WriteText(Dir.File("bad.ape"), std::string(4096, 'x'));
  Form.Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.Button1->isEnabled(); }, 60s));
  EXPECT_EQ(Form.StatusText(), Q("转换完成：共写入 1 个文件，1 个失败"));
  ASSERT_EQ(ShownErrors().size(), 1);
  EXPECT_TRUE(ShownErrors().first().startsWith(Q("以下 1 个任务转换失败，已放回列表")));
  EXPECT_NE(ShownErrors().first().indexOf(QStringLiteral("MACDll error: invalid input file")), -1);
  EXPECT_NE(ShownErrors().first().indexOf(Q("文件：") + bad), -1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{bad.toStdString()}));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("c.flac")).Ok);
}

TEST_F(MainWindowTest, StatusBarFollowsTheBatch) {
  Form.TrackBar1->setValue(1);
  Add({QString::fromStdString(Dir.Copy(test::ApeFixture(test::SlowFixture()), "a.ape")),
       QString::fromStdString(Dir.Copy(test::ApeFixture(test::SlowFixture()), "b.ape"))});
  EXPECT_EQ(Form.StatusText(), Q("列表中共有 2 个任务"));
  Form.Button1->click();
  EXPECT_TRUE(Form.StatusText().startsWith(Q("正在转换 第 1/2 个：a.ape")))
      << Form.StatusText().toStdString();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.StatusText().contains(Q("剩余约")); }, 30s));
  Form.Button8->click();
  EXPECT_EQ(Form.StatusText(), Q("已暂停"));
  Form.Button8->click();
  EXPECT_TRUE(Form.StatusText().startsWith(Q("正在转换 第 1/2 个")));
  // A text cut off at the window's edge is whole in its tooltip.
  const QLabel* panel = Form.StatusBar1->findChild<QLabel*>();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->toolTip(), Form.StatusText());
  Form.Button2->click();
}

TEST_F(MainWindowTest, AboutWindowIsModelessAndComesBack) {
  Form.show();
  Form.Button5->click();
  TAboutMe* about = Form.AboutMe;
  ASSERT_TRUE(about->isVisible());
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->windowTitle(), Q("关于作者;"));
  EXPECT_EQ(about->minimumSize(), QSize(292, 333));
  EXPECT_EQ(about->maximumSize(), QSize(292, 333));
  EXPECT_FALSE(about->Image1->pixmap().isNull());  // the JPEG, through Qt's JPEG plugin
  EXPECT_EQ(about->Edits[5]->text(), Q("软件版本:1.0.2.4"));
  // The library files by the names the program loaded them under.
  EXPECT_EQ(about->Edits[1]->text(), Q("库：libMACDll.so、libFLAC.so.12"));
  EXPECT_EQ(about->Edits[5]->geometry(), QRect(111, 222, 121, 21));
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(about->Edits[i]->geometry().topLeft(), QPoint(80, 56 + 32 * static_cast<int>(i)));
    EXPECT_FALSE(about->Edits[i]->text().isEmpty());
  }
  about->close();
  EXPECT_TRUE(about->isHidden());
  Form.Button5->click();
  EXPECT_EQ(Form.AboutMe, about);
  EXPECT_TRUE(about->isVisible());
  QTest::mouseClick(about->Image2, Qt::LeftButton);
  EXPECT_TRUE(about->isHidden());
  EXPECT_TRUE(Form.isVisible());
}

TEST_F(MainWindowTest, AboutWindowGoesWithEscapeOrReturnAndShowsEachLineWhole) {
  Form.show();
  TAboutMe* about = Form.AboutMe;
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    for (QWidget* focused : std::initializer_list<QWidget*>{about, about->Edits[2]}) {
      Form.Button5->click();
      QTest::keyClick(focused, key);
      EXPECT_TRUE(about->isHidden()) << key;
    }
  }
  for (QLineEdit* edit : about->Edits) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    // Qt keeps two pixels on either side of the text.
    const int room =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), room)
        << edit->text().toStdString();
    EXPECT_LE(edit->geometry().right(), about->width() - 1);
  }
}

TEST_F(MainWindowTest, ClosingDuringABatchEndsItWhereItStands) {
  const test::TApeFixtureSpec spec = test::SlowFixture();
  Form.TrackBar1->setValue(1);
  Add({QString::fromStdString(Dir.Copy(test::ApeFixture(spec), "a.ape"))});
  Form.show();
  Form.Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return Form.ProgressBar1->value() >= 5; }, 30s));
  EXPECT_TRUE(Form.close());
  EXPECT_FALSE(Form.isVisible());
  // Ended mid-run, not waited out: the bar never reached the end.
  EXPECT_LT(Form.ProgressBar1->value(), 100);
  // The job was not finished: nothing of it anywhere, and no short file under its name.
  EXPECT_EQ(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(Dir.Path()),
                                               std::filesystem::directory_iterator()),
            std::vector<std::filesystem::path>{Dir.File("a.ape")});
  test::PumpFor(300ms);  // anything still queued finds nothing to do
  EXPECT_TRUE(ShownErrors().isEmpty());
}

}  // namespace
}  // namespace corvane
