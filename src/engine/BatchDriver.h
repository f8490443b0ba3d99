#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BatchOptions.h"
#include "Disc.h"
#include "DiscCompletion.h"
#include "FLACOut.h"
#include "JobFailure.h"
#include "JobLine.h"
#include "JobListModel.h"
#include "JobRunner.h"
#include "NameTemplate.h"
#include "OutputPlan.h"
#include "QtMainThreadHandoff.h"
#include "TextCodec.h"

namespace corvane {

// Works off the job list from the top, one job at a time: hands the job of line 0 to the job
// runner, and 200 ms after each done notification has the runner write the tags, deletes the
// line and starts the next job. Toolkit-free
// apart from Qt's core, so tests and other front ends can drive it without widgets; the main
// window's buttons call Start (Button1Click), Stop (Button2Click), PauseResume (Button8Click)
// and Clear (Button9Click).
//
// Every job's output is planned when the batch starts, so no two jobs write one file. The sink
// writes under a temporary name; the tags go into that file, and only then does it replace
// the output name. A job that fails or is stopped leaves what stood at its name untouched.
//
// Everything here runs on the user-interface thread. The sink's worker reaches it only through
// the handoff (progress, done) and through a queued failure report.
class TBatchDriver : public QObject {
  Q_OBJECT

 public:
  // Creates the runner; throws EACSException when a codec library is missing.
  explicit TBatchDriver(QObject* Parent = nullptr);
  // Ends a run in progress (the sink finishes and closes its file) and joins the worker.
  ~TBatchDriver() override;

  TJobListModel& Jobs() { return FJobs; }
  // The discs of the loaded sheets, in the order their lines number them.
  const TDiscList& CueSheetList() const { return FCueSheetList; }
  // Level and CPU usage are set here.
  TJobRunner& Runner() { return *FRunner; }
  // The source of the job in progress (null before the first job) and the sink.
  TAudioSource* MACIn1() { return FRunner->Source(); }
  TFLACOut& FLACOut1() { return FRunner->Sink(); }
  QTimer& Timer1() { return FTimer1; }

  // Appends ".ape" files (one line each, unless the list has the same path) and ".cue" files
  // (one line per track, unless the sheet is loaded already); an APE file with a cue sheet in
  // its tag adds the sheet's tracks. Other files are skipped. Goes on past a file that cannot
  // be added, or a sheet that is refused, and returns one text per such file, naming it and
  // saying why.
  std::vector<std::string> AddFiles(const std::vector<std::string>& Files);
  // Reads loaded sheet SheetIndex (0-based) again in the given encoding and relabels its
  // lines. Throws ECueSheetError, keeping the sheet as it was, when the new reading is refused
  // or gives other tracks.
  void ReadCueSheetAgain(int SheetIndex, TTextEncoding Encoding);
  // Removes line Row; false when there is no such line, or when it is the job in progress.
  bool RemoveLine(int Row);
  // The output folder field's text, taken as the next jobs start.
  void SetOutputFolder(std::string FieldText) { FOutputFolder = std::move(FieldText); }
  // The name template the next Start names its outputs by, with its folders made as each job
  // starts; none gives the default names. Throws ENameTemplateError, keeping the one before,
  // for a template that cannot be used.
  void SetNameTemplate(const std::optional<std::string>& Template);

  // What the next batches do besides converting: verify, AccurateRip, ReplayGain.
  void SetBatchOptions(const TBatchOptions& Options);
  const TBatchOptions& BatchOptions() const { return FOptions; }

  // The batch.
  void Start();
  void StartNextJob();
  void FLACOut1Done();
  void Timer1Timer();
  void Stop();
  void PauseResume();
  void Clear();
  void FreeCueSheets();
  // For the window closing: drops pending steps, ends a run in progress (its file finished and
  // closed) and joins the worker. The driver does nothing afterwards.
  void Shutdown();

  // The 0-based sheet and track of a cue-track line (see JobLine.h).
  static int CueIndexOfLine(const std::string& Line) { return corvane::CueIndexOfLine(Line); }
  static int TrackIndexOfLine(const std::string& Line) { return corvane::TrackIndexOfLine(Line); }

  bool Running() const { return FRunning; }
  bool Paused() const { return FPaused; }
  // Files written and jobs failed since the last Start.
  int WrittenCount() const { return FWrittenCount; }
  int FailedCount() const { return FFailedCount; }
  // The jobs that failed since the last Start, in order, with what was said of each. Their
  // lines leave the list while the batch goes on, and come back at its top when it ends or is
  // stopped, so Start tries them again.
  struct TFailedJob {
    TJob Job;
    std::string Message;
    std::string Summary;
  };
  const std::vector<TFailedJob>& FailedJobs() const { return FFailedJobs; }
  // The position of the job in progress (1-based) and the jobs of the batch.
  int JobNumber() const { return FWrittenCount + FFailedCount + 1; }
  int BatchSize() const { return FBatchSize; }
  // What the jobs since the last Start had to tell although they succeeded (a cover too large
  // to embed, say), each text once.
  const std::vector<std::string>& Notes() const { return FNotes; }
  // The discs whose last job has ended since the last Start, with their verdicts and logs.
  const std::vector<TDiscCompletion::TDiscEnd>& DiscEnds() const { return FDiscEnds; }

 signals:
  // The batch controls are disabled while Running is true.
  void RunningChanged(bool Running);
  void PausedChanged(bool Paused);
  void ProgressChanged(int Percent);
  // A job failed, or could not be started; the batch goes on with the next one. Message says
  // which file and why; Summary says it in one line.
  void JobFailed(const QString& Message, const QString& Summary);
  // A job started: line 0 is the JobNumber-th job of the batch.
  void JobStarted();
  // The list has been worked off; Written files were written, and FailedJobs are back in the
  // list.
  void BatchFinished(int Written);
  // A job succeeded with something to tell the user (see Notes); not repeated in a batch.
  void Noted(const QString& Text);
  // The last job of a disc has ended and its log is written: DiscEnds()[Index] says how it went.
  void DiscEnded(int Index);

 private:
  void SetRunning(bool Value);
  void SetPaused(bool Value);
  // Runs a step of the batch; an error halts the batch and is reported.
  template <typename Step>
  void Guarded(Step&& DoStep);
  void HandleJobFailure(const TFailure& Failure);
  // The job of line 0 with the file it writes: as planned, or its own name before the batch is
  // planned.
  TJob JobOfLine0() const;
  void PlanOutputs();
  // Notes of a job that succeeded, each told once a batch.
  void Note(const std::vector<std::string>& Notes);
  // Line 0 is done with: the next job starts, or the batch ends.
  void NextJob();
  // Every job has ended and no disc waits for the database any more.
  void EndBatch();
  void DiscHasEnded(const TDiscCompletion::TDiscEnd& End);
  // The failed jobs' lines go back to the top of the list, in their order.
  void RestoreFailedJobs();
  // The done notification or failure of a stopped run arrived: forget its file, and start the
  // job held back for it.
  void StoppedRunEnded();

  TQtMainThreadHandoff FHandoff;
  std::unique_ptr<TJobRunner> FRunner;  // uses FHandoff; destroyed before it
  QTimer FTimer1;
  // Starts a job that Start had to hold back until the stopped run before it had ended.
  QTimer FDeferredStart;
  TJobListModel FJobs;
  TDiscList FCueSheetList;
  std::string FOutputFolder;
  std::optional<TNameTemplate> FNaming;
  bool FRunning = false;
  bool FPaused = false;
  // A Stop was issued and its done notification (or failure) has not arrived yet: that
  // notification belongs to the stopped run and must not advance a batch.
  bool FStopEndPending = false;
  bool FStartHeldBack = false;
  TOutputPlan FPlan;
  int FWrittenCount = 0;
  int FFailedCount = 0;
  int FBatchSize = 0;
  std::vector<TFailedJob> FFailedJobs;
  std::vector<std::string> FNotes;
  TBatchOptions FOptions;
  // The batch's discs; kept past a stop, so a disc whose jobs have all ended still gets its log.
  std::unique_ptr<TDiscCompletion> FDiscs;
  std::vector<TDiscCompletion::TDiscEnd> FDiscEnds;
  // The list is worked off, but a disc still waits for the database.
  bool FEndAwaitingDiscs = false;
};

}  // namespace corvane
