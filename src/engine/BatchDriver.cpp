#include "BatchDriver.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "AppTexts.h"
#include "CueSheetLoader.h"
#include "JobAdding.h"
#include "JobLine.h"
#include "Language.h"
#include "OutputNames.h"
#include "PathNames.h"

namespace corvane {
namespace {

constexpr int kNextJobDelayMs = 200;

}  // namespace

TBatchDriver::TBatchDriver(QObject* Parent)
    : QObject(Parent),
      FRunner(std::make_unique<TJobRunner>(
          FHandoff,
          TJobRunner::TEvents{[this] { FLACOut1Done(); },
                              [this](const TFailure& Failure) { HandleJobFailure(Failure); },
                              [this](int Percent) { emit ProgressChanged(Percent); }})),
      FOutputFolder(texts::kSourceFolder) {
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
  TAddedJobs added = AddJobFiles(Files, TTextEncoding::Auto, FCueSheetList,
                                 [this](const std::string& File) { return FJobs.Contains(File); });
  for (TJob& job : added.Jobs) FJobs.Append(std::move(job));
  return std::move(added.Problems);
}

void TBatchDriver::ReadCueSheetAgain(int SheetIndex, TTextEncoding Encoding) {
  if (SheetIndex < 0 || SheetIndex >= static_cast<int>(FCueSheetList.size())) return;
  std::shared_ptr<const TDisc>& slot = FCueSheetList[static_cast<size_t>(SheetIndex)];
  const TCueFile& sheet = *slot->Sheet();
  std::shared_ptr<const TDisc> again = LoadCueSheet(sheet.CueFileName, Encoding);
  // The lines name tracks by position: a reading with other tracks would mix them up.
  if (!again || again->Sheet()->Tracks.size() != sheet.Tracks.size() ||
      again->Sheet()->HiddenTrack.has_value() != sheet.HiddenTrack.has_value()) {
    throw ECueSheetError(TextOf(texts::kCueEncodingChangedTracks)
                             .arg(QString::fromStdString(ExtractFileName(sheet.CueFileName)))
                             .toStdString());
  }
  const std::shared_ptr<const TDisc> old = slot;
  slot = again;
  std::vector<TJob> relabelled = JobsOfDisc(again, SheetIndex + 1);
  for (int row = 0; row < FJobs.Count(); ++row) {
    if (FJobs.At(row).Disc != old) continue;
    const int track = FJobs.At(row).Track;
    for (TJob& job : relabelled) {
      if (job.Track == track) FJobs.Replace(row, job);
    }
  }
}

bool TBatchDriver::RemoveLine(int Row) {
  if (Row < 0 || Row >= FJobs.Count()) return false;
  // Line 0 is the job in progress: its tags and its deletion are still to come.
  if (FRunning && Row == 0) return false;
  // A track taken out of a running batch ends its disc's part as not converted.
  if (FRunning && FDiscs) FDiscs->JobEnded(FJobs.At(Row), false);
  FJobs.RemoveAt(Row);
  return true;
}

void TBatchDriver::Start() {
  if (FRunning || !FRunner || FJobs.Count() == 0) return;
  FWrittenCount = 0;
  FFailedCount = 0;
  FFailedJobs.clear();
  FBatchSize = FJobs.Count();
  FNotes.clear();
  FDiscEnds.clear();
  FEndAwaitingDiscs = false;
  PlanOutputs();
  std::vector<TJob> jobs;
  for (int row = 0; row < FJobs.Count(); ++row) jobs.push_back(FJobs.At(row));
  FDiscs = std::make_unique<TDiscCompletion>(
      jobs, FOptions,
      TDiscCompletion::TEvents{[this](const TDiscCompletion::TDiscEnd& End) { DiscHasEnded(End); },
                               [this] {
                                 if (FEndAwaitingDiscs) EndBatch();
                               }},
      AccurateRipCacheFolder());
  SetRunning(true);
  if (FStopEndPending) {
    // The stopped run has not ended yet; starting now would let its done notification advance
    // this batch. Its end starts the job instead.
    FStartHeldBack = true;
    return;
  }
  Guarded([this] { StartNextJob(); });
}

void TBatchDriver::SetBatchOptions(const TBatchOptions& Options) {
  FOptions = Options;
  if (FRunner) FRunner->SetVerify(Options.Verify);
}

void TBatchDriver::DiscHasEnded(const TDiscCompletion::TDiscEnd& End) {
  FDiscEnds.push_back(End);
  emit DiscEnded(static_cast<int>(FDiscEnds.size()) - 1);
}

void TBatchDriver::SetNameTemplate(const std::optional<std::string>& Template) {
  FNaming = Template ? std::optional<TNameTemplate>(TNameTemplate(*Template)) : std::nullopt;
  // A template's folders are not there yet; the default names go beside a folder that is.
  if (FRunner) FRunner->SetMakeFolders(FNaming.has_value());
}

void TBatchDriver::PlanOutputs() {
  const std::string folder = OutputFolderOf(FOutputFolder);
  std::vector<std::string> natural;
  natural.reserve(static_cast<size_t>(FJobs.Count()));
  for (int row = 0; row < FJobs.Count(); ++row) {
    const TJob& job = FJobs.At(row);
    natural.push_back(FNaming ? TemplateOutputOf(job, folder, *FNaming)
                              : NaturalOutputOf(job, folder));
  }
  const std::vector<std::string> planned = FPlan.Plan(natural);
  for (int row = 0; row < FJobs.Count(); ++row) {
    FJobs.SetOutput(row, planned[static_cast<size_t>(row)]);
  }
}

void TBatchDriver::StartNextJob() {
  if (!FRunner) return;
  if (FJobs.Count() == 0) throw std::logic_error("The job list is empty.");
  const TJob job = JobOfLine0();
  FRunner->Start(job, FDiscs ? FDiscs->MeasuresFor(job) : nullptr);
  // A pause pressed between two jobs holds the next one too.
  if (FPaused) FRunner->Pause();
  emit JobStarted();
}

TJob TBatchDriver::JobOfLine0() const {
  TJob job = FJobs.At(0);
  if (job.Output.empty()) job.Output = NaturalOutputOf(job, OutputFolderOf(FOutputFolder));
  return job;
}

void TBatchDriver::StoppedRunEnded() {
  FStopEndPending = false;
  // The stopped run may have finished all the same; stopped means not kept.
  FRunner->DiscardFinishedFile();
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
  Note(FRunner->Complete());
  FPlan.Written(FRunner->Job().Output);
  ++FWrittenCount;
  FJobs.RemoveAt(0);
  if (FDiscs) FDiscs->JobEnded(FRunner->Job(), true);
  NextJob();
}

void TBatchDriver::NextJob() {
  if (FJobs.Count() > 0) {
    Guarded([this] { StartNextJob(); });
    return;
  }
  // The verdicts of the last discs belong to this batch's end.
  if (FDiscs && FDiscs->Busy()) {
    FEndAwaitingDiscs = true;
    return;
  }
  EndBatch();
}

void TBatchDriver::EndBatch() {
  FEndAwaitingDiscs = false;
  // A failed job's sheet stays loaded, so its line can be tried again.
  if (FFailedJobs.empty()) FreeCueSheets();
  RestoreFailedJobs();
  FPlan.Reset();
  SetPaused(false);
  SetRunning(false);
  emit BatchFinished(FWrittenCount);
}

void TBatchDriver::RestoreFailedJobs() {
  for (size_t i = 0; i < FFailedJobs.size(); ++i) {
    TJob job = FFailedJobs[i].Job;
    job.Output.clear();
    FJobs.Insert(static_cast<int>(i), std::move(job));
  }
}

void TBatchDriver::Note(const std::vector<std::string>& Notes) {
  // Every track of a sheet finds the same oversized cover: one note says it.
  for (const std::string& note : Notes) {
    if (std::find(FNotes.begin(), FNotes.end(), note) != FNotes.end()) continue;
    FNotes.push_back(note);
    emit Noted(QString::fromStdString(note));
  }
}

void TBatchDriver::Stop() {
  if (!FRunner) return;
  FTimer1.stop();
  FDeferredStart.stop();
  FStartHeldBack = false;
  // Before the sink is told: the done notification the stop produces must not arm the timer.
  const bool wasRunning = FRunning;
  FEndAwaitingDiscs = false;
  SetRunning(false);
  SetPaused(false);
  if (wasRunning) RestoreFailedJobs();
  // Every stop ends with one done notification (or a failure): a parked worker is woken for it.
  // That end gives up a finished file not yet tagged (between jobs, halted in the tag step,
  // or a run that finished as the stop came): only then has the worker let go of it.
  FStopEndPending = true;
  FRunner->Stop();
}

void TBatchDriver::PauseResume() {
  if (!FRunning || !FRunner) return;
  if (FPaused) {
    FRunner->Resume();
    SetPaused(false);
  } else {
    FRunner->Pause();
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
  FCueSheetList.clear();
}

void TBatchDriver::Shutdown() {
  FTimer1.stop();
  FDeferredStart.stop();
  FStartHeldBack = false;
  FStopEndPending = false;
  FEndAwaitingDiscs = false;
  FDiscs.reset();
  FRunner.reset();
  FreeCueSheets();
  SetPaused(false);
  SetRunning(false);
}

void TBatchDriver::HandleJobFailure(const TFailure& Failure) {
  // A report still queued when the window closed has nobody left to tell.
  if (!FRunner) return;
  const TFailureReport report =
      FJobs.Count() == 0 ? DescribeFailure(Failure, {}) : DescribeJobFailure(Failure, JobOfLine0());
  const bool goesOn = FRunning && !FStopEndPending && FJobs.Count() > 0;
  // The stopped run failed instead of ending: still worth telling, but no batch moves on.
  if (FStopEndPending) StoppedRunEnded();
  if (goesOn) {
    ++FFailedCount;
    FFailedJobs.push_back({FJobs.At(0), report.Message, report.Summary});
    if (FDiscs) FDiscs->JobEnded(FJobs.At(0), false);
    FJobs.RemoveAt(0);
  }
  emit JobFailed(QString::fromStdString(report.Message), QString::fromStdString(report.Summary));
  // An unattended batch finishes everything it can.
  if (goesOn) NextJob();
}

}  // namespace corvane
