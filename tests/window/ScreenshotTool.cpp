// Shows the main window with a few jobs in it, a folder dropped on it and dragged over it
// again, and saves what it looks like, for the README:
//   xvfb-run -a build/bin/corvane_screenshot docs/screenshot.png [about.png]
// The window is the program's own; only the jobs are made up for the picture.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>
#include <fstream>

#include "AboutWindow.h"
#include "Application.h"
#include "BatchDriver.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "MainWindow.h"

namespace {

bool Save(QWidget& Window, const QString& Path) {
  if (Window.grab().save(Path, "png")) return true;
  QTextStream(stderr) << "Cannot write " << Path << "\n";
  return false;
}

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  if (argc < 2) {
    QTextStream(stderr) << "usage: corvane_screenshot <main.png> [about.png]\n";
    return 2;
  }
  // A message box would wait for a click no one gives.
  corvane::TApplication::SetErrorPresenter(
      [](const QString& Text) { QTextStream(stderr) << Text << "\n"; });
  QTemporaryDir folder;
  // A CD image and its sheet in a folder, dropped on the window as a file manager drops it.
  const QString album = QDir(folder.path()).filePath(QStringLiteral("夏日的歌"));
  QDir().mkpath(album);
  const std::string cue = QDir(album).filePath(QStringLiteral("夏日.cue")).toStdString();
  std::ofstream(cue) << "TITLE \"夏日的歌\"\nFILE \"夏日.wav\" WAVE\n"
                        "TRACK 01 AUDIO\nTITLE \"晴天\"\nPERFORMER \"乐队甲\"\nINDEX 01 00:00:00\n"
                        "TRACK 02 AUDIO\nTITLE \"雨后\"\nPERFORMER \"乐队甲\"\nINDEX 01 04:12:40\n"
                        "TRACK 03 AUDIO\nTITLE \"海边\"\nPERFORMER \"乐队乙\"\nINDEX 01 08:03:15\n";
  std::ofstream(QDir(album).filePath(QStringLiteral("夏日.ape")).toStdString());
  QMimeData dragged;
  dragged.setUrls({QUrl::fromLocalFile(album)});

  // Its own settings: the picture shows the defaults, whatever this machine's user chose.
  corvane::TForm1 form(std::make_unique<QSettings>(
      QDir(folder.path()).filePath(QStringLiteral("corvane.conf")), QSettings::IniFormat));
  form.Driver().AddFiles({"/home/user/音乐/古典/第九交响曲.ape", "/home/user/音乐/民谣/月光.ape"});
  form.show();
  Settle();
  const QPoint overList = form.ListBox1->geometry().center();
  QDragEnterEvent entered(overList, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &entered);
  QDropEvent drop(overList, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
  Settle();
  form.ListBox1->setCurrentIndex(form.Driver().Jobs().index(1));
  form.FLACOut1Progress(37);
  // The same folder dragged over the window again: the status bar says what releasing does.
  QDragEnterEvent enter(overList, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  Settle();
  if (!Save(form, QString::fromLocal8Bit(argv[1]))) return 1;
  if (argc > 2) {
    form.Button5Click();
    Settle();
    if (!Save(*form.AboutMe, QString::fromLocal8Bit(argv[2]))) return 1;
  }
  return 0;
}
