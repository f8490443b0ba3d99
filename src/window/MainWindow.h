#pragma once

#include <QElapsedTimer>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QPushButton;
class QSlider;
class QStatusBar;

namespace corvane {

class TAboutMe;
class TBatchDriver;
class TOptionsDialog;
class TWindowSettings;

// The main window: the job list, the output folder, the compression level, the CPU usage and
// the batch buttons. The batch itself is the driver's; the handlers below pass the clicks on.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // The fixed client area the controls are placed in, pixel by pixel: the window does not resize,
  // so the job list and the buttons keep their places for every user.
  static constexpr int kClientWidth = 421;
  static constexpr int kClientHeight = 478;

  // Creates the driver with its source and sink first: throws EACSException when a codec
  // library is missing, before any control exists. Settings is the store the window
  // remembers its settings in between runs (the program's is in the user's configuration
  // folder; tests give files of their own).
  explicit TForm1(std::unique_ptr<QSettings> Settings, QWidget* Parent = nullptr);
  ~TForm1() override;

  TBatchDriver& Driver() { return *FDriver; }
  QString StatusText() const;

  // Handlers, named after their control and event.
  void FormCreate();
  void FormClose();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button8Click();
  void Button9Click();
  // The options dialog: what it confirms is kept and used from the next Start on.
  void Button10Click();
  // Files and folders dropped on the window, in the order dropped: added as "添加文件" adds
  // files, a folder giving its cue sheets and the APE files they do not use, subfolders
  // included.
  void FormDropFiles(const QStringList& Paths);
  void ListBox1KeyDown(int Key);
  // The job list's context menu at row Row: on a cue track, the encodings to read its sheet
  // again in; nothing on other lines. Choosing one re-reads the sheet and relabels its lines.
  std::unique_ptr<QMenu> EncodingMenu(int Row);
  void ComboBox1Change();
  void TrackBar1Change();
  void FLACOut1Progress(int Percent);
  // The driver receives the sink's done notification and its timer itself; these pass a call
  // made on the form on to it.
  void FLACOut1Done();
  void Timer1Timer();

  // What the file-open dialog and the folder picker return (nothing when cancelled). Tests
  // hand in lists of their own here. The picker opens at StartFolder.
  std::function<std::optional<QStringList>()> ExecuteOpenDialog;
  std::function<std::optional<QString>(const QString& StartFolder)> ExecuteFolderPicker;
  // Shows the options dialog; true when the user confirmed it.
  std::function<bool(TOptionsDialog& Dialog)> ExecuteOptionsDialog;

  // The controls, in reading order.
  QLabel* Image1 = nullptr;
  QLabel* Label5 = nullptr;
  QListView* ListBox1 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button9 = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button6 = nullptr;
  QFrame* Bevel2 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label7 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label6 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button2 = nullptr;
  QFrame* Bevel3 = nullptr;
  QPushButton* Button10 = nullptr;
  QLabel* Image2 = nullptr;
  QPushButton* Button5 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  TAboutMe* AboutMe = nullptr;
  // The file-open dialog, made on first use: a file dialog starts a thread to watch folders.
  QFileDialog& OpenDialog1();
  // The dialog's first choice: every input format and cue sheets.
  static QString AllSupportedFilter();

 protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dragLeaveEvent(QDragLeaveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void SetStatusText(const QString& Text);
  void SetBatchControlsEnabled(bool Enabled);
  void ShowJobFailure(const QString& Message, const QString& Summary);
  // The status bar while a batch runs, and at its end.
  void ShowBatchProgress();
  void ShowBatchEnd(int Written);
  // Adds Files and shows, in one message, the problems found before (Problems) and while
  // adding them.
  void AddFilesReporting(const std::vector<std::string>& Files,
                         std::vector<std::string> Problems = {});
  // Takes a drag that carries local files or folders, as a copy, while files can be added.
  bool TakeDrag(QDropEvent& Event);
  void EndDragHint();

  std::unique_ptr<TBatchDriver> FDriver;
  std::unique_ptr<TWindowSettings> FSettings;
  QLabel* FStatusPanel = nullptr;
  // The batch in progress, as the status bar tells it.
  QElapsedTimer FBatchClock;
  QString FJobName;
  int FJobPercent = 0;
  QFileDialog* FOpenDialog1 = nullptr;
  // The status text a drag over the window covers with its hint, while one does.
  std::optional<QString> FStatusBeforeDrag;
};

}  // namespace corvane
