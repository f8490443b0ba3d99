#include "MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>

#include "AboutWindow.h"
#include "AppTexts.h"
#include "Application.h"
#include "BatchDriver.h"
#include "BatchStatus.h"
#include "CompressionLevel.h"
#include "Disc.h"
#include "FolderScan.h"
#include "FormStyle.h"
#include "InputFormats.h"
#include "Language.h"
#include "OptionsDialog.h"
#include "OutputFolder.h"
#include "PathNames.h"
#include "TextFormat.h"
#include "WindowPlacement.h"
#include "WindowSettings.h"

namespace corvane {
namespace {

// A text of AppTexts.h in the language chosen at start-up.
QString Text(const char* Source) {
  return TextOf(Source);
}

template <typename Widget>
Widget* Place(QWidget* Parent, const char* Name, int Left, int Top, int Width, int Height) {
  auto* widget = new Widget(Parent);
  widget->setObjectName(QString::fromLatin1(Name));
  widget->setGeometry(Left, Top, Width, Height);
  return widget;
}

// A label sized to its text, as the form's auto-sized labels are.
QLabel* PlaceLabel(QWidget* Parent, const char* Name, int Left, int Top, const char* Caption) {
  auto* label = new QLabel(Text(Caption), Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->move(Left, Top);
  label->adjustSize();
  return label;
}

QPushButton* PlaceButton(QWidget* Parent, const char* Name, int Left, int Top, int Width,
                         int Height, const char* Caption) {
  auto* button = Place<QPushButton>(Parent, Name, Left, Top, Width, Height);
  button->setText(Text(Caption));
  button->setAutoDefault(false);
  return button;
}

QFrame* PlaceRule(QWidget* Parent, const char* Name, int Left, int Top, int Width, int Height,
                  QFrame::Shape Shape) {
  auto* frame = Place<QFrame>(Parent, Name, Left, Top, Width, Height);
  frame->setFrameShape(Shape);
  frame->setFrameShadow(QFrame::Sunken);
  return frame;
}

void SetFontPixels(QWidget* Widget, int Pixels) {
  QFont font = Widget->font();
  font.setPixelSize(Pixels);
  Widget->setFont(font);
}

// A name template as the driver takes it: none for the default names.
std::optional<std::string> TemplateOf(const QString& Text) {
  if (Text.isEmpty()) return std::nullopt;
  return Text.toStdString();
}

// The local files and folders a drag carries, in its order; links to the web are not files.
QStringList LocalPathsOf(const QMimeData* Data) {
  QStringList paths;
  if (Data == nullptr || !Data->hasUrls()) return paths;
  for (const QUrl& url : Data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

TForm1::TForm1(std::unique_ptr<QSettings> Settings, QWidget* Parent)
    : QWidget(Parent),
      FDriver(std::make_unique<TBatchDriver>()),
      FSettings(std::make_unique<TWindowSettings>(std::move(Settings))) {
  setWindowTitle(Text(texts::kMainCaption));
  setWindowIcon(QIcon(QStringLiteral(":/artwork/icon.png")));
  ApplyFormStyle(*this, kClientWidth, kClientHeight);
  // Where the user left it; centred the first time, or when the stored place is no use. On
  // the screen either way: the screen may be smaller, or the scale factor larger, than then.
  PlaceOnScreen(*this, restoreGeometry(FSettings->WindowGeometry()));
  CreateControls();
  FormCreate();
  ConnectHandlers();
  AboutMe = new TAboutMe(this);
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  Image1 = Place<QLabel>(this, "Image1", 0, 0, 433, 41);
  Image1->setPixmap(QPixmap(QStringLiteral(":/artwork/banner.png")));
  Label5 = PlaceLabel(this, "Label5", 16, 56, texts::kListHeading);
  SetFontPixels(Label5, 16);
  Label5->resize(289, 20);

  ListBox1 = Place<QListView>(this, "ListBox1", 16, 88, 305, 121);
  ListBox1->setModel(&FDriver->Jobs());
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox1->setUniformItemSizes(true);
  ListBox1->installEventFilter(this);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);

  Button3 = PlaceButton(this, "Button3", 32, 216, 97, 25, texts::kAddFiles);
  Button4 = PlaceButton(this, "Button4", 144, 216, 97, 25, texts::kRemoveFromList);
  Button9 = PlaceButton(this, "Button9", 256, 216, 51, 25, texts::kClear);
  Bevel1 = PlaceRule(this, "Bevel1", 8, 248, 321, 6, QFrame::HLine);
  Label4 = PlaceLabel(this, "Label4", 11, 264, texts::kSaveTo);
  Edit1 = Place<QLineEdit>(this, "Edit1", 11, 280, 209, 21);
  Edit1->setText(FSettings->OutputFolder());
  Button6 = PlaceButton(this, "Button6", 230, 277, 89, 25, texts::kBrowse);
  Bevel2 = PlaceRule(this, "Bevel2", 8, 312, 321, 6, QFrame::HLine);

  Button1 = PlaceButton(this, "Button1", 24, 336, 121, 41, texts::kStartConversion);
  Label7 = PlaceLabel(this, "Label7", 160, 336, texts::kCompressionLevel);
  Label7->resize(57, 13);
  ComboBox1 = Place<QComboBox>(this, "ComboBox1", 160, 352, 57, 21);
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  // A typed "9" would show a level the encoder does not have while the batch ran at another.
  ComboBox1->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-8]")), ComboBox1));
  for (int level = 0; level <= 8; ++level) ComboBox1->addItem(QString::number(level));
  ComboBox1->setCurrentIndex(FSettings->CompressionLevel());
  Label1 = PlaceLabel(this, "Label1", 240, 328, texts::kCpuUsage);
  Label1->resize(81, 13);
  TrackBar1 = Place<QSlider>(this, "TrackBar1", 236, 344, 70, 20);
  TrackBar1->setOrientation(Qt::Horizontal);
  TrackBar1->setRange(1, 3);
  TrackBar1->setValue(FSettings->CpuUsage());
  TrackBar1->setPageStep(1);
  TrackBar1->setTickInterval(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  Label2 = PlaceLabel(this, "Label2", 236, 368, texts::kLow);
  Label3 = PlaceLabel(this, "Label3", 292, 368, texts::kHigh);

  ProgressBar1 = Place<QProgressBar>(this, "ProgressBar1", 16, 392, 225, 17);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  Label6 = Place<QLabel>(this, "Label6", 254, 388, 49, 25);
  Label6->setText(QStringLiteral("100%"));
  SetFontPixels(Label6, 19);
  QPalette red = Label6->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  Label6->setPalette(red);

  Button8 = PlaceButton(this, "Button8", 135, 420, 89, 25, texts::kPauseConversion);
  Button2 = PlaceButton(this, "Button2", 230, 420, 89, 25, texts::kStopConversion);
  Bevel3 = PlaceRule(this, "Bevel3", 336, 24, 9, 441, QFrame::Box);
  Image1->raise();  // the banner covers the top of the frame
  // Beside 关于 in the column that has room, so no control of the form moves.
  Button10 = PlaceButton(this, "Button10", 357, 336, 59, 25, texts::kOptions);
  Image2 = Place<QLabel>(this, "Image2", 360, 368, 57, 49);
  Image2->setPixmap(QPixmap(QStringLiteral(":/artwork/small.png")));
  Button5 = PlaceButton(this, "Button5", 357, 424, 59, 25, texts::kAbout);

  StatusBar1 = Place<QStatusBar>(this, "StatusBar1", 0, kClientHeight - 19, kClientWidth, 19);
  StatusBar1->setSizeGripEnabled(false);
  FStatusPanel = new QLabel(StatusBar1);
  FStatusPanel->setTextFormat(Qt::PlainText);
  StatusBar1->addWidget(FStatusPanel, 1);

  ExecuteOpenDialog = [this]() -> std::optional<QStringList> {
    QFileDialog& dialog = OpenDialog1();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFiles();
  };
  ExecuteFolderPicker = [this](const QString& StartFolder) -> std::optional<QString> {
    const QString folder = QFileDialog::getExistingDirectory(
        this, Text(texts::kChooseFolder), StartFolder, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  };
  ExecuteOptionsDialog = [](TOptionsDialog& Dialog) { return Dialog.exec() == QDialog::Accepted; };

  // Tab order of the form; the progress bar takes no focus.
  QWidget* const order[] = {ListBox1,  Button3,   Button4, Button9, Edit1,    Button6, Button1,
                            ComboBox1, TrackBar1, Button8, Button2, Button10, Button5};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Files dropped anywhere on the window go to the job list: no control takes a drop for
  // itself (the edit fields would paste the files' addresses as text).
  for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
  setAcceptDrops(true);
}

void TForm1::FormCreate() {
  SetStatusText(Text(texts::kStatusStartUp));
  TrackBar1Change();
  // The level the level field shows; the status text keeps its start-up greeting.
  FDriver->Runner().SetCompressionLevel(FSettings->CompressionLevel());
  FDriver->SetOutputFolder(Edit1->text().toStdString());
  FDriver->SetNameTemplate(TemplateOf(FSettings->NameTemplate()));
  FDriver->SetBatchOptions(FSettings->BatchOptions());
}

void TForm1::ConnectHandlers() {
  const auto on = [this](QPushButton* Button, void (TForm1::*Handler)()) {
    connect(Button, &QPushButton::clicked, this,
            [this, Handler] { RunReportingErrors([&] { (this->*Handler)(); }); });
  };
  on(Button1, &TForm1::Button1Click);
  on(Button2, &TForm1::Button2Click);
  on(Button3, &TForm1::Button3Click);
  on(Button4, &TForm1::Button4Click);
  on(Button5, &TForm1::Button5Click);
  on(Button6, &TForm1::Button6Click);
  on(Button8, &TForm1::Button8Click);
  on(Button9, &TForm1::Button9Click);
  on(Button10, &TForm1::Button10Click);
  connect(ComboBox1, &QComboBox::editTextChanged, this,
          [this] { RunReportingErrors([&] { ComboBox1Change(); }); });
  connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& Folder) {
    FDriver->SetOutputFolder(Folder.toStdString());
    FSettings->SetOutputFolder(Folder);
  });

  connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
    if (std::unique_ptr<QMenu> menu = EncodingMenu(ListBox1->indexAt(At).row())) {
      menu->exec(ListBox1->viewport()->mapToGlobal(At));
    }
  });

  TBatchDriver* driver = FDriver.get();
  connect(driver, &TBatchDriver::RunningChanged, this,
          [this](bool Running) { SetBatchControlsEnabled(!Running); });
  connect(driver, &TBatchDriver::PausedChanged, this, [this](bool Paused) {
    Button8->setText(Text(Paused ? texts::kResumeConversion : texts::kPauseConversion));
    if (Paused) {
      SetStatusText(Text(texts::kStatusPaused));
    } else if (FDriver->Running()) {
      ShowBatchProgress();
    }
  });
  connect(driver, &TBatchDriver::ProgressChanged, this, &TForm1::FLACOut1Progress);
  connect(driver, &TBatchDriver::JobStarted, this, [this] {
    if (FDriver->JobNumber() == 1) FBatchClock.start();
    const TJob& job = FDriver->Jobs().At(0);
    FJobName = job.Kind == TJobKind::PlainFile || !job.Disc
                   ? QString::fromStdString(ExtractFileName(job.Text))
                   : Text(texts::kCueTrackJob)
                         .arg(QString::fromStdString(ExtractFileName(job.Disc->Source())))
                         .arg(job.Track + 1);
    FJobPercent = 0;
    ShowBatchProgress();
  });
  connect(driver, &TBatchDriver::JobFailed, this, &TForm1::ShowJobFailure);
  connect(driver, &TBatchDriver::Noted, this, &TForm1::SetStatusText);
  connect(driver, &TBatchDriver::BatchFinished, this, &TForm1::ShowBatchEnd);
  connect(driver, &TBatchDriver::DiscEnded, this,
          [this](int Index) { SetStatusText(DiscEndText(FDriver->DiscEnds().at(Index))); });
}

void TForm1::ShowBatchProgress() {
  if (FDriver->Paused()) return;
  SetStatusText(
      BatchStatusText({FDriver->JobNumber(), FDriver->BatchSize(), FDriver->FailedCount(), FJobName,
                       FJobPercent, static_cast<double>(FBatchClock.elapsed()) / 1000.0}));
}

void TForm1::ShowBatchEnd(int Written) {
  const int failed = FDriver->FailedCount();
  QString text = failed > 0 ? Text(texts::kStatusBatchDoneWithFailures).arg(Written).arg(failed)
                            : Text(texts::kStatusBatchDone).arg(Written);
  // What the batch had to tell stays in view once it is done.
  for (const std::string& note : FDriver->Notes())
    text += Text(texts::kSemicolon) + QString::fromStdString(note);
  for (const TDiscCompletion::TDiscEnd& disc : FDriver->DiscEnds()) {
    text += Text(texts::kSemicolon) + DiscEndText(disc);
  }
  SetStatusText(text);
  if (failed == 0) return;
  // One message at the end, not one per failure: the batch ran unattended.
  QString message = Text(texts::kFailedJobsBack).arg(failed);
  for (const TBatchDriver::TFailedJob& job : FDriver->FailedJobs()) {
    message += "\n\n" + QString::fromStdString(job.Message);
  }
  TApplication::ShowError(message);
}

QString TForm1::AllSupportedFilter() {
  return Text(texts::kFilterAll).arg(QString::fromStdString(SupportedFilePatterns()));
}

QFileDialog& TForm1::OpenDialog1() {
  if (FOpenDialog1 == nullptr) {
    FOpenDialog1 = new QFileDialog(this);
    FOpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    FOpenDialog1->setFileMode(QFileDialog::ExistingFiles);
    FOpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    FOpenDialog1->setNameFilters(
        {Text(texts::kFilterApe), Text(texts::kFilterCue), AllSupportedFilter()});
    FOpenDialog1->selectNameFilter(AllSupportedFilter());
    const QString folder = FSettings->AddFilesFolder();
    if (!folder.isEmpty()) FOpenDialog1->setDirectory(folder);
  }
  return *FOpenDialog1;
}

QString TForm1::StatusText() const {
  return FStatusPanel->text();
}

void TForm1::SetStatusText(const QString& Message) {
  // One line: a line break or a control character from a name shows as an escape.
  const QString text = QString::fromStdString(EscapeControls(Message.toStdString(), false));
  FStatusPanel->setText(text);
  // A text cut off at the window's edge is still there whole; a tooltip that looks like markup
  // would be rendered as such, so it is spelt out.
  FStatusPanel->setToolTip(Qt::mightBeRichText(text) ? "<qt>" + text.toHtmlEscaped() + "</qt>"
                                                     : text);
}

void TForm1::SetBatchControlsEnabled(bool Enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{Button1, Button3, Button4, Button6,
                                                          Button9, Button10, Edit1, ComboBox1}) {
    control->setEnabled(Enabled);
  }
}

void TForm1::ShowJobFailure(const QString& Message, const QString& Summary) {
  SetStatusText(Text(texts::kStatusBatchHalted)
                    .arg(FDriver->WrittenCount())
                    .arg(FDriver->FailedCount())
                    .arg(Summary));
  // A running batch goes on: its failures are listed when it ends.
  if (!FDriver->Running()) TApplication::ShowError(Message);
}

void TForm1::Button1Click() {
  // Before the driver plans its outputs: a folder that is not there would fail every job.
  if (FDriver->Jobs().Count() > 0) {
    if (const std::optional<QString> problem = MakeOutputFolder(Edit1->text())) {
      TApplication::ShowError(*problem);
      return;
    }
  }
  FDriver->Start();
}

void TForm1::Button2Click() {
  const bool wasRunning = FDriver->Running();
  FDriver->Stop();
  if (!wasRunning) return;
  const int failed = FDriver->FailedCount();
  SetStatusText(
      failed > 0
          ? Text(texts::kStatusBatchStoppedWithFailures).arg(FDriver->WrittenCount()).arg(failed)
          : Text(texts::kStatusBatchStopped).arg(FDriver->WrittenCount()));
}

void TForm1::Button8Click() {
  FDriver->PauseResume();
}

void TForm1::Button9Click() {
  FDriver->Clear();
}

void TForm1::FLACOut1Done() {
  FDriver->FLACOut1Done();
}

void TForm1::Timer1Timer() {
  FDriver->Timer1Timer();
}

void TForm1::Button3Click() {
  const std::optional<QStringList> files = ExecuteOpenDialog();
  if (!files) return;
  if (!files->isEmpty()) FSettings->SetAddFilesFolder(QFileInfo(files->first()).absolutePath());
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(files->size()));
  for (const QString& file : *files) names.push_back(file.toStdString());
  AddFilesReporting(names);
}

void TForm1::AddFilesReporting(const std::vector<std::string>& Files,
                               std::vector<std::string> Problems) {
  const std::vector<std::string> adding = FDriver->AddFiles(Files);
  Problems.insert(Problems.end(), adding.begin(), adding.end());
  if (!FDriver->Running())
    SetStatusText(Text(texts::kStatusJobsInList).arg(FDriver->Jobs().Count()));
  if (Problems.empty()) return;
  // One message for the whole selection: the files that could be added are in the list.
  QString message = Text(texts::kAddProblems);
  for (const std::string& problem : Problems) message += '\n' + QString::fromStdString(problem);
  TApplication::ShowError(message);
}

void TForm1::FormDropFiles(const QStringList& Paths) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(Paths.size()));
  for (const QString& path : Paths) paths.push_back(path.toStdString());
  TFolderScan scan = ExpandFolders(paths, TFolderDepth::Recursive);
  AddFilesReporting(scan.Files, std::move(scan.Problems));
}

bool TForm1::TakeDrag(QDropEvent& Event) {
  // Refused while "添加文件" is: during a batch.
  if (!Button3->isEnabled() || LocalPathsOf(Event.mimeData()).isEmpty()) {
    Event.ignore();
    return false;
  }
  // Always a copy: a file manager told "move" would delete the files it dropped here.
  if (!(Event.possibleActions() & Qt::CopyAction)) {
    Event.ignore();
    return false;
  }
  Event.setDropAction(Qt::CopyAction);
  Event.accept();
  return true;
}

void TForm1::EndDragHint() {
  if (!FStatusBeforeDrag) return;
  SetStatusText(*FStatusBeforeDrag);
  FStatusBeforeDrag.reset();
}

void TForm1::dragEnterEvent(QDragEnterEvent* Event) {
  if (!TakeDrag(*Event) || FStatusBeforeDrag) return;
  FStatusBeforeDrag = StatusText();
  SetStatusText(Text(texts::kStatusDropHint));
}

void TForm1::dragMoveEvent(QDragMoveEvent* Event) {
  TakeDrag(*Event);
}

void TForm1::dragLeaveEvent(QDragLeaveEvent*) {
  EndDragHint();
}

void TForm1::dropEvent(QDropEvent* Event) {
  EndDragHint();
  if (!TakeDrag(*Event)) return;
  // Added once the drop is over: the program that dropped waits until this handler returns,
  // and reading a folder of sheets, or a message about them, may take a while.
  QMetaObject::invokeMethod(
      this,
      [this, paths = LocalPathsOf(Event->mimeData())] {
        if (Button3->isEnabled()) RunReportingErrors([&] { FormDropFiles(paths); });
      },
      Qt::QueuedConnection);
}

void TForm1::Button4Click() {
  const QModelIndexList selected = ListBox1->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  const int row = selected.first().row();
  if (!FDriver->RemoveLine(row)) return;
  QItemSelectionModel* selection = ListBox1->selectionModel();
  if (row - 1 >= 0) {
    selection->setCurrentIndex(FDriver->Jobs().index(row - 1), QItemSelectionModel::ClearAndSelect);
  } else {
    selection->clear();
  }
  ListBox1->setFocus();
}

void TForm1::ListBox1KeyDown(int Key) {
  if (Key == Qt::Key_Delete) Button4Click();
}

std::unique_ptr<QMenu> TForm1::EncodingMenu(int Row) {
  if (Row < 0 || Row >= FDriver->Jobs().Count()) return nullptr;
  const TJob& job = FDriver->Jobs().At(Row);
  if (job.Kind != TJobKind::CueTrack) return nullptr;
  const int sheet = CueIndexOfLine(job.Text);
  struct TChoice {
    const char* Label;
    TTextEncoding Encoding;
  };
  static constexpr TChoice kChoices[] = {
      {texts::kEncodingAuto, TTextEncoding::Auto},
      {"GB18030", TTextEncoding::Gb18030},
      {"Big5", TTextEncoding::Big5},
      {"Shift-JIS", TTextEncoding::ShiftJis},
      {"EUC-KR", TTextEncoding::EucKr},
      {"UTF-8", TTextEncoding::Utf8},
      {"Windows-1251", TTextEncoding::Windows1251},
      {"Windows-1252", TTextEncoding::Windows1252},
  };
  auto menu = std::make_unique<QMenu>(Text(texts::kEncodingMenuTitle), this);
  for (const TChoice& choice : kChoices) {
    const TTextEncoding encoding = choice.Encoding;
    connect(menu->addAction(Text(choice.Label)), &QAction::triggered, this,
            [this, sheet, encoding] {
              RunReportingErrors([&] { FDriver->ReadCueSheetAgain(sheet, encoding); });
            });
  }
  return menu;
}

void TForm1::Button5Click() {
  AboutMe->show();
  AboutMe->raise();
  AboutMe->activateWindow();
}

void TForm1::Button10Click() {
  TOptionsDialog dialog(FSettings->NameTemplate(), FDriver->BatchOptions(), this);
  dialog.SetLanguage(FSettings->Language());
  if (!ExecuteOptionsDialog(dialog)) return;
  FSettings->SetLanguage(dialog.Language());
  FDriver->SetNameTemplate(TemplateOf(dialog.NameTemplate()));
  FSettings->SetNameTemplate(dialog.NameTemplate());
  FDriver->SetBatchOptions(dialog.BatchOptions());
  FSettings->SetBatchOptions(dialog.BatchOptions());
}

void TForm1::Button6Click() {
  QString start = FSettings->OutputPickerFolder();
  if (start.isEmpty()) start = QDir::rootPath();
  const std::optional<QString> folder = ExecuteFolderPicker(start);
  if (!folder || folder->isEmpty()) return;
  QString path = QDir::fromNativeSeparators(*folder);
  FSettings->SetOutputPickerFolder(path);
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  Edit1->setText(path);
}

void TForm1::ComboBox1Change() {
  const std::optional<int> level = ParseCompressionLevel(ComboBox1->currentText().toStdString());
  if (!level) return;
  SetStatusText(Text(CompressionLevelStatus(*level)));
  // Only a level the encoder took is kept: "12" changes the status text alone.
  if (FDriver->Runner().SetCompressionLevel(*level)) FSettings->SetCompressionLevel(*level);
}

void TForm1::TrackBar1Change() {
  FDriver->Runner().SetLoopDelay(LoopDelayForCpuUsage(TrackBar1->value()));
  FDriver->Runner().SetDecodeThreads(DecodeThreadsForCpuUsage(TrackBar1->value(), MachineCores()));
  FSettings->SetCpuUsage(TrackBar1->value());
}

void TForm1::FLACOut1Progress(int Percent) {
  if (Percent >= 0 && Percent <= 100) FJobPercent = Percent;
  if (FDriver->Running()) ShowBatchProgress();
  // Values outside 0 to 100 leave the bar where it is.
  ProgressBar1->setValue(Percent);
  Label6->setText(QString::number(ProgressBar1->value()) + QLatin1Char('%'));
}

void TForm1::FormClose() {
  // A batch still running ends here: the sink finishes and closes its file and the worker is
  // joined before the window goes.
  FDriver->Shutdown();
  AboutMe->hide();
  FSettings->SetWindowGeometry(saveGeometry());
  FSettings->Sync();
}

void TForm1::closeEvent(QCloseEvent* Event) {
  FormClose();
  Event->accept();
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == ListBox1 && Event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(Event)->key();
    if (key == Qt::Key_Delete) {
      RunReportingErrors([&] { ListBox1KeyDown(key); });
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}

}  // namespace corvane
