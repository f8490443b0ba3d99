#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QStatusBar;

namespace corvane {

class TAboutMe;
class TBatchDriver;

// The main window: the job list, the output folder, the compression level, the CPU usage and
// the batch buttons. The batch itself is the driver's; the handlers below pass the clicks on.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Client area as shown: the designed 692 x 478 narrowed to an outer width of 429 pixels.
  static constexpr int kClientWidth = 421;
  static constexpr int kClientHeight = 478;

  // Creates the driver with its source and sink first: throws EACSException when a codec
  // library is missing, before any control exists.
  explicit TForm1(QWidget* Parent = nullptr);
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
  // hand in lists of their own here.
  std::function<std::optional<QStringList>()> ExecuteOpenDialog;
  std::function<std::optional<QString>()> ExecuteFolderPicker;

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
  QLabel* Image2 = nullptr;
  QPushButton* Button5 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  TAboutMe* AboutMe = nullptr;
  // The file-open dialog, made on first use: a file dialog starts a thread to watch folders.
  QFileDialog& OpenDialog1();

 protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void SetStatusText(const QString& Text);
  void SetBatchControlsEnabled(bool Enabled);
  void ShowJobFailure(const QString& Message, const QString& Summary);

  std::unique_ptr<TBatchDriver> FDriver;
  QLabel* FStatusPanel = nullptr;
  QFileDialog* FOpenDialog1 = nullptr;
};

}  // namespace corvane
