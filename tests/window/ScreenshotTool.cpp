// Runs a batch in the main window and saves what it looks like mid-way, for the README:
//   xvfb-run -a build/bin/corvane_screenshot docs/screenshot.png [about.png]
//   xvfb-run -a build/bin/corvane_screenshot --lang en docs/screenshot-en.png [about.png]
// A damaged APE file comes before two good ones, into an output folder that does not exist
// yet; the picture is taken while the second job converts, then the batch runs to its end by
// itself and what it left is printed. The window is the program's own; the audio is made by
// the tests' fixtures.
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextStream>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "AboutWindow.h"
#include "ApeFixtures.h"
#include "Application.h"
#include "BatchDriver.h"
#include "EngineTestSupport.h"
#include "FLACBinding.h"
#include "Language.h"
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

std::string Copy(const std::string& From, const QString& To) {
  std::filesystem::copy_file(From, To.toStdString());
  return To.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace std::chrono_literals;
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments().mid(1);
  corvane::TLanguage language = corvane::TLanguage::Chinese;
  if (arguments.size() >= 2 && arguments[0] == QStringLiteral("--lang")) {
    const std::optional<corvane::TLanguage> asked =
        corvane::ParseLanguage(arguments[1].toStdString());
    if (!asked) {
      QTextStream(stderr) << "--lang takes zh or en\n";
      return 2;
    }
    language = *asked;
    arguments = arguments.mid(2);
  }
  if (arguments.isEmpty()) {
    QTextStream(stderr) << "usage: corvane_screenshot [--lang zh|en] <main.png> [about.png]\n";
    return 2;
  }
  app.SetLanguage(language);
  const bool english = language == corvane::TLanguage::English;
  // Names as a user of that language would have them.
  const auto named = [english](const char* Chinese, const char* English) {
    return english ? QString::fromUtf8(English) : QString::fromUtf8(Chinese);
  };
  const QString album = QStringLiteral("FLAC/") + named("新专辑", "New album");
  // The end of the batch lists its failures in a message box no one would click away.
  corvane::TApplication::SetErrorPresenter(
      [](const QString& Text) { QTextStream(stdout) << "message: " << Text << "\n"; });
  QTemporaryDir folder;
  const QDir music(folder.path());
  const std::string slow = corvane::test::ApeFixture(corvane::test::SlowFixture());
  const std::string damaged =
      Copy(slow, music.filePath(named("损坏的唱片.ape", "Damaged record.ape")));
  const QStringList files{
      QString::fromStdString(damaged),
      QString::fromStdString(Copy(slow, music.filePath(named("晴天.ape", "Sunny day.ape")))),
      QString::fromStdString(Copy(slow, music.filePath(named("雨后.ape", "After rain.ape"))))};

  // Its own settings: the picture shows the defaults, whatever this machine's user chose.
  corvane::TForm1 form(std::make_unique<QSettings>(music.filePath(QStringLiteral("corvane.conf")),
                                                   QSettings::IniFormat));
  form.show();
  form.TrackBar1->setValue(1);
  form.Edit1->setText(music.filePath(album));
  form.FormDropFiles(files);
  // Damaged after it was added: only its conversion can find out.
  std::vector<char> bytes(4096 * 4, 'x');
  std::ofstream(damaged, std::ios::binary | std::ios::in)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  form.Button1->click();
  const auto deadline = std::chrono::steady_clock::now() + 600s;
  const auto until = [&](const auto& Done) {
    while (!Done() && std::chrono::steady_clock::now() < deadline) Settle();
    return Done();
  };
  if (!until([&] { return form.Driver().JobNumber() == 2 && form.ProgressBar1->value() >= 30; })) {
    QTextStream(stderr) << "The second job never got under way.\n";
    return 1;
  }
  if (!Save(form, arguments[0])) return 1;
  // No Stop: the batch ends by itself.
  if (!until([&] { return form.Button1->isEnabled(); })) return 1;
  QTextStream out(stdout);
  out << "status: " << form.StatusText() << "\n";
  for (const std::string& line : form.Driver().Jobs().Lines()) {
    out << "line: " << QString::fromStdString(line) << "\n";
  }
  for (const QString& written : QDir(music.filePath(album)).entryList(QDir::Files)) {
    out << "written: " << written << "\n";
  }
  if (arguments.size() > 1) {
    form.Button5Click();
    Settle();
    if (!Save(*form.AboutMe, arguments[1])) return 1;
  }
  return 0;
}
