#include "BatchDriver.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "AppTexts.h"
#include "CueSheetLoader.h"
#include "CueTime.h"
#include "JobSetup.h"

namespace corvane {
namespace {

constexpr int kNextJobDelayMs = 200;

}  // namespace

TBatchDriver::TBatchDriver(QObject* Parent)
    : QObject(Parent),
      FMACIn1(std::make_unique<TMACIn>()),
      FFLACOut1(std::make_unique<TFLACOut>()),
      FOutputFolder(texts::kSourceFolder) {
  TFLACOut& out = *FFLACOut1;
  out.SetMainThreadHandoff(&FHandoff);
  out.SetInput(FMACIn1.get());
  ConfigureBatchSink(out);
  out.SetOnDone([this](TACSOutput&) { FLACOut1Done(); });
  out.SetOnProgress([this](TACSOutput& Sender) { emit ProgressChanged(Sender.Progress()); });
  out.SetOnThreadException(
      [this](TACSOutput&, const std::exception& E) { JobFailedOnAnyThread(E); });

  FTimer1.setInterval(kNextJobDelayMs);
  FTimer1.setSingleShot(true);
  connect(&FTimer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
  FDeferredStart.setInterval(0);
  FDeferredStart.setSingleShot(true);
  connect(&FDeferredStart, &QTimer::timeout, this, [this] { Guarded([this] { StartNextJob(); }); });
}

TBatchDriver::~TBatchDriver() {
  // Whoever listens may be half destroyed by now.
  const QSignalBlocker quiet(this);
  Shutdown();
}

template <typename Step>
void TBatchDriver::Guarded(Step&& DoStep) {
  try {
    DoStep();
  } catch (const std::exception& E) {
    HandleJobFailure(FailureOf(E));
  }
}

void TBatchDriver::SetRunning(bool Value) {
  if (FRunning == Value) return;
  FRunning = Value;
  emit RunningChanged(Value);
}

void TBatchDriver::SetPaused(bool Value) {
  if (FPaused == Value) return;
  FPaused = Value;
  emit PausedChanged(Value);
}

std::vector<std::string> TBatchDriver::AddFiles(const std::vector<std::string>& Files) {
  return AddJobFiles(Files, TTextEncoding::Auto, FJobs, FCueSheetList);
}

void TBatchDriver::ReadCueSheetAgain(int SheetIndex, TTextEncoding Encoding) {
  if (SheetIndex < 0 || SheetIndex >= static_cast<int>(FCueSheetList.size())) return;
  std::unique_ptr<TCueFile>& slot = FCueSheetList[static_cast<size_t>(SheetIndex)];
  std::unique_ptr<TCueFile> again = LoadCueSheet(slot->CueFileName, Encoding);
  // The lines name tracks by position: a reading with other tracks would mix them up.
  if (!again || again->Tracks.size() != slot->Tracks.size() ||
      again->HiddenTrack.has_value() != slot->HiddenTrack.has_value()) {
    throw ECueSheetError(QString::fromUtf8(texts::kCueEncodingChangedTracks)
                             .arg(QString::fromStdString(ExtractFileName(slot->CueFileName)))
                             .toStdString());
  }
  slot = std::move(again);
  for (int row = 0; row < FJobs.Count(); ++row) {
    const TJob& job = FJobs.At(row);
    if (job.Kind != TJobKind::CueTrack || CueIndexOfLine(job.Text) != SheetIndex) continue;
    const int track = TrackIndexOfLine(job.Text);
    FJobs.SetText(row, CueTrackLine(SheetIndex + 1, track + 1, TrackOfLine(*slot, job.Text),
                                    slot->CueFileName));
  }
}

bool TBatchDriver::RemoveLine(int Row) {
  if (Row < 0 || Row >= FJobs.Count()) return false;
  // Line 0 is the job in progress: its tags and its deletion are still to come.
  if (FRunning && Row == 0) return false;
  FJobs.RemoveAt(Row);
  return true;
}

void TBatchDriver::Start() {
  if (FRunning || !FFLACOut1 || FJobs.Count() == 0) return;
  FWrittenCount = 0;
  FFailedCount = 0;
  FNotes.clear();
  PlanOutputs();
  SetRunning(true);
  FHalted = false;
  if (FStopEndPending) {
    // The stopped run has not ended yet; starting now would let its done notification advance
    // this batch. Its end starts the job instead.
    FStartHeldBack = true;
    return;
  }
  Guarded([this] { StartNextJob(); });
}

void TBatchDriver::PlanOutputs() {
  const std::string folder = OutputFolderOf(FOutputFolder);
  std::vector<std::string> natural;
  natural.reserve(static_cast<size_t>(FJobs.Count()));
  for (int row = 0; row < FJobs.Count(); ++row) {
    natural.push_back(NaturalOutputOf(FJobs.At(row), FCueSheetList, folder));
  }
  const std::vector<std::string> planned = FPlan.Plan(natural);
  for (int row = 0; row < FJobs.Count(); ++row) {
    FJobs.SetOutput(row, planned[static_cast<size_t>(row)]);
  }
}

void TBatchDriver::StartNextJob() {
  if (!FFLACOut1) return;
  if (FJobs.Count() == 0) throw std::logic_error("The job list is empty.");
  const TJob& job = FJobs.At(0);
  PrepareJobSource(*FMACIn1, job, FCueSheetList);
  FFLACOut1->SetFileName(OutputOfLine0());
  FFLACOut1->SetPaddingReserve(TagPaddingOf(FTags, job, FCueSheetList));
  FFLACOut1->Start();
  // A pause pressed between two jobs holds the next one too.
  if (FPaused) FFLACOut1->Pause();
}

std::string TBatchDriver::OutputOfLine0() const {
  const TJob& job = FJobs.At(0);
  return job.Output.empty() ? NaturalOutputOf(job, FCueSheetList, OutputFolderOf(FOutputFolder))
                            : job.Output;
}

int64_t TBatchDriver::CueTimeToSample(const std::string& Time) {
  const std::optional<int64_t> frames = CueTimeToCdFrames(Time);
  if (!frames) throw std::runtime_error("\"" + Time + "\" is not a cue sheet time (mm:ss:ff).");
  // Opens and closes the file; its length is known from then on.
  const int rate = FMACIn1->SampleRate();
  return std::min(CdFramesToSample(*frames, rate), FMACIn1->TotalSamples());
}

void TBatchDriver::StoppedRunEnded() {
  FStopEndPending = false;
  // The stopped run may have finished all the same; stopped means not kept.
  FFLACOut1->DiscardFinishedFile();
  // The worker parks once the notification returns; the held-back job starts after that.
  if (FStartHeldBack) {
    FStartHeldBack = false;
    FDeferredStart.start();
  }
}

void TBatchDriver::FLACOut1Done() {
  if (FStopEndPending) {
    StoppedRunEnded();
    return;
  }
  if (FRunning) FTimer1.start();
}

void TBatchDriver::Timer1Timer() {
  FTimer1.stop();
  if (FJobs.Count() == 0) return;
  TransferTags();
  // Tagged, so complete: now it may take the output's name.
  FFLACOut1->CommitFinishedFile();
  FPlan.Written(FFLACOut1->FileName());
  ++FWrittenCount;
  FJobs.RemoveAt(0);
  if (FJobs.Count() > 0) {
    StartNextJob();
    return;
  }
  FreeCueSheets();
  FPlan.Reset();
  SetPaused(false);
  SetRunning(false);
  emit BatchFinished(FWrittenCount);
}

void TBatchDriver::TransferTags() {
  if (FJobs.Count() == 0 || !FFLACOut1) return;
  const std::string& finished = FFLACOut1->FinishedFile();
  if (finished.empty()) {
    throw std::runtime_error("There is no finished file of " + FFLACOut1->FileName() +
                             " to write the tags into.");
  }
  FTags.TransferTags(FJobs.At(0), FCueSheetList, finished);
  // Every track of a sheet finds the same oversized cover: one note says it.
  for (const std::string& note : FTags.Notes()) {
    if (std::find(FNotes.begin(), FNotes.end(), note) != FNotes.end()) continue;
    FNotes.push_back(note);
    emit Noted(QString::fromStdString(note));
  }
}

void TBatchDriver::Stop() {
  if (!FFLACOut1) return;
  FTimer1.stop();
  FDeferredStart.stop();
  FStartHeldBack = false;
  // Before the sink is told: the done notification the stop produces must not arm the timer.
  SetRunning(false);
  FHalted = false;
  SetPaused(false);
  // Every stop ends with one done notification (or a failure): a parked worker is woken for it.
  // That end gives up a finished file not yet tagged (between jobs, halted in the tag step,
  // or a run that finished as the stop came): only then has the worker let go of it.
  FStopEndPending = true;
  FFLACOut1->Resume();
  FFLACOut1->Stop();
}

void TBatchDriver::PauseResume() {
  if (!FRunning || !FFLACOut1) return;
  if (FPaused) {
    FFLACOut1->Resume();
    SetPaused(false);
  } else {
    FFLACOut1->Pause();
    SetPaused(true);
  }
}

void TBatchDriver::Clear() {
  if (FRunning) return;
  FJobs.Clear();
  FreeCueSheets();
  FPlan.Reset();
}

void TBatchDriver::FreeCueSheets() {
  for (const auto& sheet : FCueSheetList) sheet->FreeTracks();
  FCueSheetList.clear();
}

void TBatchDriver::Shutdown() {
  FTimer1.stop();
  FDeferredStart.stop();
  FStartHeldBack = false;
  FStopEndPending = false;
  FFLACOut1.reset();
  FreeCueSheets();
  SetPaused(false);
  SetRunning(false);
}

void TBatchDriver::JobFailedOnAnyThread(const std::exception& E) {
  // Runs on the worker for a failed cycle, on this thread for a failed start. Either way the
  // report is queued, so the driver's state changes on its own thread only; the queue goes
  // with the driver.
  FHandoff.Post([this, failure = FailureOf(E)] { HandleJobFailure(failure); });
}

TJobNames TBatchDriver::NamesOfLine0() const {
  if (FJobs.Count() == 0) return {};
  return NamesOfJob(FJobs.At(0), FCueSheetList, OutputOfLine0());
}

void TBatchDriver::HandleJobFailure(const TFailure& Failure) {
  // A report still queued when the window closed has nobody left to tell.
  if (!FFLACOut1) return;
  if (FStopEndPending) {
    // The stopped run failed instead of ending: still worth telling, but no batch is halted.
    StoppedRunEnded();
  } else if (FRunning) {
    FHalted = true;
    ++FFailedCount;
  }
  const TFailureReport report = DescribeFailure(Failure, NamesOfLine0());
  emit JobFailed(QString::fromStdString(report.Message), QString::fromStdString(report.Summary));
}

}  // namespace corvane
