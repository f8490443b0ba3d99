// What the main window remembers between runs: each run is a window object made on the same
// settings file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <filesystem>
#include <fstream>

#include "AppTexts.h"
#include "BatchDriver.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "MainWindow.h"
#include "OptionsDialog.h"
#include "ScratchDir.h"
#include "WindowSettings.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::ShownErrors;

QString Q(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

// What one window shows of the settings it started with.
struct TShownSettings {
  QString OutputFolder;
  QString Level;
  int CpuUsage = 0;
  int LoopDelay = 0;
  int MaxLPCOrder = 0;
  QString PickerStart;
  QString AddFilesFolder;
  QString NameTemplate;
  bool Centred = false;
  QRect Geometry;
};

class WindowSettingsTest : public testing::Test {
 protected:
  void SetUp() override { ShownErrors().clear(); }

  std::unique_ptr<TForm1> NewWindow() {
    return std::make_unique<TForm1>(test::SettingsIn(SettingsFile));
  }
  static TShownSettings Shown(TForm1& Form) {
    TShownSettings shown;
    shown.OutputFolder = Form.Edit1->text();
    shown.Level = Form.ComboBox1->currentText();
    shown.CpuUsage = Form.TrackBar1->value();
    shown.LoopDelay = Form.Driver().FLACOut1().LoopDelay();
    shown.MaxLPCOrder = Form.Driver().FLACOut1().MaxLPCOrder();
    Form.ExecuteFolderPicker = [&](const QString& Start) {
      shown.PickerStart = Start;
      return std::optional<QString>();
    };
    Form.Button6->click();
    Form.ExecuteFolderPicker = [](const QString&) { return std::optional<QString>(); };
    shown.AddFilesFolder = Form.OpenDialog1().directory().absolutePath();
    Form.ExecuteOptionsDialog = [&](TOptionsDialog& Dialog) {
      shown.NameTemplate = Dialog.NameTemplateEdit->text();
      return false;
    };
    Form.Button10->click();
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    shown.Centred = (Form.geometry().center() - desktop.center()).manhattanLength() <= 2;
    shown.Geometry = Form.geometry();
    return shown;
  }

  test::TScratchDir Dir;
  test::TScratchDir SettingsDir;
  std::string SettingsFile = SettingsDir.File("corvane.conf");
};

TEST_F(WindowSettingsTest, WhatOneWindowChangesTheNextOneStartsWith) {
  std::filesystem::create_directories(Dir.File("out"));
  std::filesystem::create_directories(Dir.File("in"));
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  const std::string source = Dir.Copy(test::ApeFixture(spec), "in/a.ape");
  QRect placed;
  {
    const std::unique_ptr<TForm1> first = NewWindow();
    first->ExecuteFolderPicker = [&](const QString&) {
      return std::optional<QString>(Q(Dir.File("out")));
    };
    first->Button6->click();
    first->ComboBox1->setCurrentIndex(8);
    first->ComboBox1->setEditText(QStringLiteral("12"));  // not a level: not kept either
    first->TrackBar1->setValue(1);
    first->ExecuteOpenDialog = [&] { return std::optional<QStringList>(QStringList{Q(source)}); };
    first->Button3->click();
    first->show();
    first->move(37, 45);
    placed = first->geometry();
    first->close();
  }
  const std::unique_ptr<TForm1> second = NewWindow();
  const TShownSettings shown = Shown(*second);
  EXPECT_EQ(shown.OutputFolder, Q(Dir.File("out/")));
  EXPECT_EQ(shown.Level, QStringLiteral("8"));
  EXPECT_EQ(shown.MaxLPCOrder, 12);  // the encoder has level 8 too
  EXPECT_EQ(shown.CpuUsage, 1);
  EXPECT_EQ(shown.LoopDelay, 11);
  EXPECT_EQ(shown.PickerStart, Q(Dir.File("out")));
  EXPECT_EQ(shown.AddFilesFolder, Q(Dir.File("in")));
  EXPECT_EQ(shown.Geometry, placed);
  // Greeted as at any start, not told about the level.
  EXPECT_EQ(second->StatusText(), QString::fromUtf8(texts::kStatusStartUp));

  // The remembered folder is where the batch writes.
  second->ExecuteOpenDialog = [&] { return std::optional<QStringList>(QStringList{Q(source)}); };
  second->Button3->click();
  second->Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return second->Button1->isEnabled(); }, 60s));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("out/a.flac")).Ok);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("in/a.flac")));
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join('\n').toStdString();
}

TEST_F(WindowSettingsTest, ADeletedOutputFolderGivesTheSourceFolderAgain) {
  std::filesystem::create_directories(Dir.File("gone"));
  {
    const std::unique_ptr<TForm1> first = NewWindow();
    first->ExecuteFolderPicker = [&](const QString&) {
      return std::optional<QString>(Q(Dir.File("gone")));
    };
    first->Button6->click();
    first->close();
  }
  std::filesystem::remove(Dir.File("gone"));
  const std::unique_ptr<TForm1> second = NewWindow();
  const TShownSettings shown = Shown(*second);
  EXPECT_EQ(shown.OutputFolder, QString::fromUtf8(texts::kSourceFolder));
  EXPECT_EQ(shown.PickerStart, QStringLiteral("/"));
  // And so is where the batch writes: beside the source.
  test::TApeFixtureSpec spec;
  spec.Frames = 20000;
  const std::string source = Dir.Copy(test::ApeFixture(spec), "a.ape");
  second->ExecuteOpenDialog = [&] { return std::optional<QStringList>(QStringList{Q(source)}); };
  second->Button3->click();
  second->Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return second->Button1->isEnabled(); }, 60s));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a.flac")).Ok);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("gone")));
}

// Confirms the dialog with Template; what it said of the template, if it refused it.
QString ConfirmOptions(TOptionsDialog& Dialog, const char* Template) {
  Dialog.NameTemplateEdit->setText(QString::fromUtf8(Template));
  Dialog.Buttons->button(QDialogButtonBox::Ok)->click();
  return Dialog.result() == QDialog::Accepted ? QString() : Dialog.Refusal->text();
}

TEST_F(WindowSettingsTest, TheNameTemplateOfTheOptionsIsKeptAndNamesTheNextBatch) {
  QString refusal;
  {
    const std::unique_ptr<TForm1> first = NewWindow();
    first->ExecuteOptionsDialog = [&](TOptionsDialog& Dialog) {
      refusal = ConfirmOptions(Dialog, "{track} {composer}");
      return ConfirmOptions(Dialog, " {source} - {title}/{track} - {albumartist} ").isEmpty();
    };
    first->Button10->click();
    first->close();
  }
  EXPECT_TRUE(refusal.contains(QStringLiteral("未知字段 {composer}"))) << refusal.toStdString();
  const std::unique_ptr<TForm1> second = NewWindow();
  EXPECT_EQ(Shown(*second).NameTemplate,
            QStringLiteral("{source} - {title}/{track} - {albumartist}"));
  // Cancelled: the template stays.
  second->ExecuteOptionsDialog = [](TOptionsDialog& Dialog) {
    Dialog.NameTemplateEdit->clear();
    return false;
  };
  second->Button10->click();
  // An untagged file has only its name: the folder is "a", the file the default name.
  test::TApeFixtureSpec untagged;
  untagged.Frames = 20000;
  const std::string source = Dir.Copy(test::ApeFixture(untagged), "a.ape");
  second->ExecuteOpenDialog = [&] { return std::optional<QStringList>(QStringList{Q(source)}); };
  second->Button3->click();
  second->Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return second->Button1->isEnabled(); }, 60s));
  EXPECT_TRUE(test::DecodeFlacFile(Dir.File("a/a.flac")).Ok);
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join('\n').toStdString();
}

TEST_F(WindowSettingsTest, TheLanguageChosenInTheOptionsIsKeptForTheNextStart) {
  const struct {
    int Index;  // in the dialog's list: the locale's, Chinese, English
    std::optional<TLanguage> Kept;
  } cases[] = {{2, TLanguage::English}, {1, TLanguage::Chinese}, {0, std::nullopt}};
  for (const auto& c : cases) {
    const std::unique_ptr<TForm1> form = NewWindow();
    form->ExecuteOptionsDialog = [&](TOptionsDialog& Dialog) {
      Dialog.LanguageBox->setCurrentIndex(c.Index);
      return true;
    };
    form->Button10->click();
    form->close();
    EXPECT_EQ(TWindowSettings(test::SettingsIn(SettingsFile)).Language(), c.Kept) << c.Index;
    // The next window's dialog shows it.
    const std::unique_ptr<TForm1> next = NewWindow();
    next->ExecuteOptionsDialog = [&](TOptionsDialog& Dialog) {
      EXPECT_EQ(Dialog.LanguageBox->currentIndex(), c.Index);
      EXPECT_EQ(Dialog.Language(), c.Kept);
      return false;
    };
    next->Button10->click();
  }
}

TEST_F(WindowSettingsTest, AStoredLanguageOtherThanZhOrEnIsTheLocales) {
  const struct {
    const char* Stored;
    std::optional<TLanguage> Read;
  } cases[] = {{"en", TLanguage::English}, {"zh", TLanguage::Chinese}, {"fr", std::nullopt},
               {"", std::nullopt},         {"EN", std::nullopt},       {"zh_CN", std::nullopt}};
  for (const auto& c : cases) {
    test::SettingsIn(SettingsFile)
        ->setValue(QStringLiteral("window/language"), QString::fromUtf8(c.Stored));
    EXPECT_EQ(TWindowSettings(test::SettingsIn(SettingsFile)).Language(), c.Read) << c.Stored;
  }
}

TEST_F(WindowSettingsTest, TheSwitchesOfTheOptionsAreKeptAndDriveTheNextBatch) {
  {
    const std::unique_ptr<TForm1> first = NewWindow();
    first->ExecuteOptionsDialog = [](TOptionsDialog& Dialog) {
      // Verify on and the lookup off, as a new user finds them.
      EXPECT_TRUE(Dialog.VerifyBox->isChecked());
      EXPECT_FALSE(Dialog.AccurateRipBox->isChecked());
      EXPECT_FALSE(Dialog.ReplayGainBox->isChecked());
      Dialog.VerifyBox->setChecked(false);
      Dialog.ReplayGainBox->setChecked(true);
      return true;
    };
    first->Button10->click();
    first->close();
  }
  const std::unique_ptr<TForm1> second = NewWindow();
  second->ExecuteOptionsDialog = [](TOptionsDialog& Dialog) {
    EXPECT_FALSE(Dialog.VerifyBox->isChecked());
    EXPECT_TRUE(Dialog.ReplayGainBox->isChecked());
    return false;
  };
  second->Button10->click();
  EXPECT_FALSE(second->Driver().FLACOut1().Verify());

  const test::TCdImage& image = test::SixTrackImage();
  Dir.Copy(test::ApeFixture(image.Spec), "image.ape");
  const std::string sheet = Dir.File("image.cue");
  std::ofstream(sheet) << test::CdImageCueText(image, "image.ape");
  second->ExecuteOpenDialog = [&] { return std::optional<QStringList>(QStringList{Q(sheet)}); };
  second->Button3->click();
  second->Button1->click();
  ASSERT_TRUE(test::PumpUntil([&] { return second->Button1->isEnabled(); }, 60s));
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join('\n').toStdString();
  const auto tags = test::ReadFlacComments(Dir.File("Track_1.flac"));
  EXPECT_EQ(tags.count("REPLAYGAIN_TRACK_GAIN"), 1u);
  EXPECT_EQ(tags.count("REPLAYGAIN_ALBUM_GAIN"), 1u);
  // The disc's verdict and its log stay in view once the batch is done.
  EXPECT_TRUE(std::filesystem::exists(Dir.File("image.corvane.log")));
  EXPECT_TRUE(second->StatusText().contains(QString::fromUtf8(texts::kVerdictNotChecked)))
      << second->StatusText().toStdString();
  EXPECT_TRUE(second->StatusText().contains(QStringLiteral("image.corvane.log")));
}

// A settings file the window cannot use, in whole or in part.
struct TBrokenSettings {
  const char* Name;
  const char* Bytes;  // nullptr: no file at all; "/": a folder where the file should be
};

class BrokenSettings : public WindowSettingsTest,
                       public testing::WithParamInterface<TBrokenSettings> {};

TEST_P(BrokenSettings, GiveTheDefaults) {
  if (GetParam().Bytes == nullptr) {
    // nothing there
  } else if (std::string(GetParam().Bytes) == "/") {
    std::filesystem::create_directory(SettingsFile);
  } else {
    std::ofstream(SettingsFile, std::ios::binary) << GetParam().Bytes;
  }
  const std::unique_ptr<TForm1> form = NewWindow();
  const TShownSettings shown = Shown(*form);
  EXPECT_EQ(shown.OutputFolder, QString::fromUtf8(texts::kSourceFolder));
  EXPECT_EQ(shown.Level, QStringLiteral("5"));
  EXPECT_EQ(shown.MaxLPCOrder, 8);
  EXPECT_EQ(shown.CpuUsage, 3);
  EXPECT_EQ(shown.LoopDelay, 1);
  EXPECT_EQ(shown.PickerStart, QStringLiteral("/"));
  // Wherever a dialog opens that was told nothing.
  EXPECT_EQ(shown.AddFilesFolder, QFileDialog().directory().absolutePath());
  EXPECT_EQ(shown.NameTemplate, QString());
  EXPECT_TRUE(shown.Centred);
  // Closing writes what it can, and a window after it still starts as it should.
  form->close();
  EXPECT_EQ(Shown(*NewWindow()).Level, QStringLiteral("5"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenSettings,
    testing::Values(
        TBrokenSettings{"Missing", nullptr}, TBrokenSettings{"FolderInItsPlace", "/"},
        TBrokenSettings{"BinaryJunk",
                        "\x7F"
                        "ELF\x02\x01\x01\xFF\xFE=\x01[\x01\n\xC3(=\xFF"},
        TBrokenSettings{
            "ValuesOutOfRange",
            "[output]\nfolder=/nonexistent/out/\ncompressionLevel=9\nnameTemplate={bogus\n"
            "[conversion]\ncpuUsage=0\n[dialogs]\naddFilesFolder=/nonexistent\n"
            "outputPickerFolder=/nonexistent\n[window]\ngeometry=@ByteArray(xyz)\n"},
        TBrokenSettings{"ValuesOfTheWrongKind",
                        "[output]\nfolder=\ncompressionLevel=fast\n[conversion]\ncpuUsage=3.5\n"
                        "[window]\ngeometry=100\n"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
