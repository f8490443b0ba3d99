// Files and folders dropped on the main window, delivered as the toolkit delivers a drop from
// another program: to the widget under the pointer that takes drops, else up its parents.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "AppTexts.h"
#include "BatchDriver.h"
#include "EngineTestSupport.h"
#include "MainWindow.h"
#include "ScratchDir.h"

namespace corvane {
namespace {

using test::ShownErrors;

QString Q(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

// The widget a drop at At (in Window's coordinates) goes to.
QWidget* DropTargetAt(QWidget& Window, const QPoint& At) {
  QWidget* widget = Window.childAt(At);
  if (widget == nullptr) widget = &Window;
  while (!widget->isWindow() && !widget->acceptDrops()) widget = widget->parentWidget();
  return widget->acceptDrops() ? widget : nullptr;
}

struct TDropResult {
  bool EnterAccepted = false;
  bool DropAccepted = false;
  Qt::DropAction Action = Qt::IgnoreAction;
};

// A file manager's drag: it offers to copy or move and proposes to move.
TDropResult Drop(TForm1& Form, const QPoint& At, QMimeData& Data) {
  TDropResult result;
  QWidget* target = DropTargetAt(Form, At);
  if (target == nullptr) return result;
  const QPoint local = target->mapFrom(&Form, At);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(local, offered, &Data, Qt::LeftButton, Qt::NoModifier);
  enter.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(target, &enter);
  result.EnterAccepted = enter.isAccepted();
  if (!result.EnterAccepted) return result;
  QDropEvent drop(QPointF(local), offered, &Data, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(target, &drop);
  result.DropAccepted = drop.isAccepted();
  result.Action = drop.dropAction();
  // The files are added once the drop has returned to the program that dropped them.
  QCoreApplication::processEvents();
  return result;
}

class DragAndDropTest : public testing::Test {
 protected:
  void SetUp() override {
    ShownErrors().clear();
    Form.show();
  }

  // A file of the given text; an ".ape" without one is a real one, as only those are added.
  std::string Make(const std::string& Name, const std::string& Text = {}) {
    const std::filesystem::path path = Dir.File(Name);
    std::filesystem::create_directories(path.parent_path());
    if (Text.empty() && path.extension() == ".ape") {
      test::TApeFixtureSpec tiny;
      tiny.Frames = 4410;
      std::filesystem::copy_file(test::ApeFixture(tiny), path);
    } else {
      std::ofstream(path) << Text;
    }
    return path.string();
  }
  TDropResult DropPaths(const std::vector<std::string>& Paths, QPoint At = {160, 140}) {
    QList<QUrl> urls;
    for (const std::string& path : Paths) urls << QUrl::fromLocalFile(Q(path));
    QMimeData data;
    data.setUrls(urls);
    return Drop(Form, At, data);
  }
  std::vector<std::string> Lines() { return Form.Driver().Jobs().Lines(); }

  test::TScratchDir Dir;
  test::TScratchDir SettingsDir;
  TForm1 Form{test::SettingsIn(SettingsDir.File("corvane.conf"))};
};

const char* const kTwoTracks =
    "TITLE \"Album\"\nFILE \"CDImage.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\n"
    "INDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Two\"\nINDEX 01 01:00:00\n";

TEST_F(DragAndDropTest, TwoFilesAreAddedInTheOrderDropped) {
  const std::string sheet = Make("disc/CDImage.cue", kTwoTracks);
  Make("disc/CDImage.ape");
  const std::string lone = Make("b.ape");
  const TDropResult result = DropPaths({lone, sheet});
  EXPECT_TRUE(result.DropAccepted);
  // Copied, never moved: the file manager must keep its files.
  EXPECT_EQ(result.Action, Qt::CopyAction);
  EXPECT_EQ(Lines(), (std::vector<std::string>{lone, "1 | 1 - One,  --CDImage.cue",
                                               "1 | 2 - Two,  --CDImage.cue"}));
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join('\n').toStdString();
}

TEST_F(DragAndDropTest, AFolderGivesItsSheetsAndTheApeFilesTheyDoNotUse) {
  Make("album/CDImage.ape");
  Make("album/CDImage.cue", kTwoTracks);
  const std::string lone = Make("album/Bonus.ape");
  Make("album/cover.jpg");
  EXPECT_TRUE(DropPaths({Dir.File("album")}).DropAccepted);
  EXPECT_EQ(Lines(), (std::vector<std::string>{lone, "1 | 1 - One,  --CDImage.cue",
                                               "1 | 2 - Two,  --CDImage.cue"}));
  EXPECT_TRUE(ShownErrors().isEmpty()) << ShownErrors().join('\n').toStdString();
  // Dropped again: nothing twice.
  DropPaths({Dir.File("album")});
  EXPECT_EQ(Lines().size(), 3u);
}

TEST_F(DragAndDropTest, OtherFilesAreIgnoredAndProblemsShownInOneMessage) {
  EXPECT_TRUE(DropPaths({Make("notes.txt")}).DropAccepted);
  EXPECT_TRUE(Lines().empty());
  EXPECT_TRUE(ShownErrors().isEmpty());

  std::filesystem::create_directory(Dir.File("empty"));
  const std::string good = Make("a.ape");
  DropPaths({Dir.File("empty"), good, Dir.File("gone.cue")});
  EXPECT_EQ(Lines(), std::vector<std::string>{good});
  ASSERT_EQ(ShownErrors().size(), 1);
  const QStringList message = ShownErrors().first().split('\n');
  ASSERT_EQ(message.size(), 3) << ShownErrors().first().toStdString();
  EXPECT_EQ(message[0], QString::fromUtf8(texts::kAddProblems));
  EXPECT_TRUE(message[1].startsWith(Q(Dir.File("empty") + "：" + texts::kCauseNothingToConvert)));
  EXPECT_TRUE(message[2].startsWith(Q(Dir.File("gone.cue") + "：找不到文件")));
}

TEST_F(DragAndDropTest, AcceptedOnlyWithALocalFileOrFolder) {
  QMimeData text;
  text.setText(QStringLiteral("/music/a.ape"));
  EXPECT_FALSE(Drop(Form, {160, 140}, text).EnterAccepted);
  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.ape"))});
  EXPECT_FALSE(Drop(Form, {160, 140}, web).EnterAccepted);
  // One local file among other links is enough; the links are left out.
  const std::string local = Make("a.ape");
  QMimeData mixed;
  mixed.setUrls({QUrl(QStringLiteral("https://example.org/b.ape")), QUrl::fromLocalFile(Q(local))});
  EXPECT_TRUE(Drop(Form, {160, 140}, mixed).DropAccepted);
  EXPECT_EQ(Lines(), std::vector<std::string>{local});
}

TEST_F(DragAndDropTest, TakenAnywhereOnTheWindowAlsoOnTheEditFields) {
  const std::string file = Make("a.ape");
  const QWidget* const places[] = {Form.ListBox1->viewport(),
                                   Form.Edit1,
                                   Form.ComboBox1,
                                   Form.Button1,
                                   Form.TrackBar1,
                                   Form.Image1,
                                   Form.StatusBar1};
  for (const QWidget* place : places) {
    const QPoint centre = place->mapTo(&Form, place->rect().center());
    EXPECT_EQ(DropTargetAt(Form, centre), &Form) << place->objectName().toStdString();
    Form.Button9->click();
    EXPECT_TRUE(DropPaths({file}, centre).DropAccepted) << place->objectName().toStdString();
    EXPECT_EQ(Lines(), std::vector<std::string>{file}) << place->objectName().toStdString();
  }
  // The fields' text was not touched by the drops.
  EXPECT_EQ(Form.Edit1->text(), QString::fromUtf8(texts::kSourceFolder));
  EXPECT_EQ(Form.ComboBox1->currentText(), QStringLiteral("5"));
}

TEST_F(DragAndDropTest, StatusBarSaysWhatReleasingDoesWhileADragIsOver) {
  const QString before = Form.StatusText();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Q(Make("a.ape")))});
  QDragEnterEvent enter({160, 140}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Form, &enter);
  EXPECT_EQ(Form.StatusText(), QString::fromUtf8(texts::kStatusDropHint));
  QDragLeaveEvent leave;
  QApplication::sendEvent(&Form, &leave);
  EXPECT_EQ(Form.StatusText(), before);
  // Not offered as a copy: refused, and the status left alone.
  QDragEnterEvent moveOnly({160, 140}, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Form, &moveOnly);
  EXPECT_FALSE(moveOnly.isAccepted());
  EXPECT_EQ(Form.StatusText(), before);
}

TEST_F(DragAndDropTest, RefusedWhileABatchRunsAsTheAddButtonIs) {
  Form.TrackBar1->setValue(1);
  const std::string running = Dir.Copy(test::ApeFixture(test::SlowFixture()), "a.ape");
  DropPaths({running});
  Form.Button1->click();
  ASSERT_FALSE(Form.Button3->isEnabled());
  const TDropResult result = DropPaths({Make("b.ape")});
  EXPECT_FALSE(result.EnterAccepted);
  // A drop that arrives all the same (a drag begun before the batch) adds nothing either.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Q(Dir.File("b.ape")))});
  QDropEvent drop(QPointF(160, 140), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Form, &drop);
  QCoreApplication::processEvents();
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(Lines(), std::vector<std::string>{running});
  Form.Button2->click();
  ASSERT_TRUE(Form.Button3->isEnabled());
  EXPECT_TRUE(DropPaths({Dir.File("b.ape")}).DropAccepted);
  EXPECT_EQ(Lines().size(), 2u);
}

}  // namespace
}  // namespace corvane
