#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioSource.h"
#include "FLACOut.h"
#include "Job.h"
#include "JobFailure.h"
#include "TagTransfer.h"
#include "TrackMeasures.h"

namespace corvane {

class TMainThreadHandoff;

// Converts one job at a time into its planned output: the one place that wires a source of the
// job's format to the FLAC sink, starts the job, writes its tags and commits its file. The
// window's batch driver and the command line's lanes both run their jobs through it; what
// comes between the encoder's end and the tag step (the window's pause of 200 ms, a stop) is
// theirs.
//
// The sink writes a hidden temporary file beside the output; the tags go into it, and only
// then does it take the output's name. A job that fails leaves what stood there untouched.
//
// Runs on the thread of Handoff, which must run an event loop (or a pumped queue); the sink's
// worker reaches it through Handoff only.
class TJobRunner {
 public:
  struct TEvents {
    // The encoder has ended a run (the job's file is finished, or a stopped run has ended).
    // Called inside the worker's done notification: the worker waits until it returns, so
    // the tag step must come later.
    std::function<void()> Encoded;
    // The job failed, or could not be started. Called from Handoff's queue, never from inside
    // Start.
    std::function<void(const TFailure& Failure)> Failed;
    std::function<void(int Percent)> Progress;
  };

  // Throws EACSException when a codec library is missing. Handoff must outlive the runner.
  TJobRunner(TMainThreadHandoff& Handoff, TEvents Events);
  // Ends a run in progress (its temporary file goes) and joins the worker. No event follows.
  ~TJobRunner();
  TJobRunner(const TJobRunner&) = delete;
  TJobRunner& operator=(const TJobRunner&) = delete;

  // Converts Job into Job.Output. Its tags are gathered now, so the encoder leaves room for
  // them. Its audio comes from a source of its format. Measures, when given, sees the PCM as
  // it is encoded; when it measures loudness, the job's ReplayGain replaces the source's.
  void Start(const TJob& Job, std::shared_ptr<TTrackMeasures> Measures = nullptr);
  // The tag step of the job whose file is finished: writes the tags gathered at Start into the
  // file, then lets it take the output's name. Returns what the job has to tell although it
  // succeeded. Throws when that fails; the finished file is given up.
  const std::vector<std::string>& Complete();
  // Gives up a finished file that was not completed: a stopped run's.
  void DiscardFinishedFile();
  // Asks the run to end; the worker ends it with one done notification (or a failure), waking
  // first if it was parked.
  void Stop();
  void Pause();
  void Resume();

  // The job of the last Start.
  const TJob& Job() const { return FJob; }
  // Percent of the job's audio encoded so far.
  int Progress() const;

  // Compression level 0 to 8; false, changing nothing, for another.
  bool SetCompressionLevel(int Level);
  // Milliseconds the worker sleeps per cycle, leaving the processor to other work.
  void SetLoopDelay(int Milliseconds);
  // Threads the source decodes ahead on; a running job follows it from its next read on.
  void SetDecodeThreads(int Count);
  int DecodeThreads() const { return FDecodeThreads; }
  // libFLAC decodes what it encodes and compares (on by default). Between jobs.
  void SetVerify(bool Value) { FSink->SetVerify(Value); }
  // Folders missing on the output's path are made when a job starts.
  void SetMakeFolders(bool Value) { FMakeFolders = Value; }

  TFLACOut& Sink() { return *FSink; }
  // The source of the last job's format; null before the first job.
  TAudioSource* Source() { return FSource.get(); }

 private:
  void Failed(const std::exception& E);
  void Report(TFailure Failure);
  void PrepareSource(const TJob& Job);

  TMainThreadHandoff& FHandoff;
  TEvents FEvents;
  std::unique_ptr<TAudioSource> FSource;
  const struct TInputFormat* FSourceFormat = nullptr;
  std::unique_ptr<TFLACOut> FSink;  // reads FSource; destroyed before it
  TTagTransfer FTags;
  TJob FJob;
  TJobTags FJobTags;
  std::shared_ptr<TTrackMeasures> FMeasures;
  int FDecodeThreads;
  bool FMakeFolders = false;
  // Goes with the runner: a report still queued in the handoff then finds the runner gone.
  std::shared_ptr<char> FAlive = std::make_shared<char>();
};

}  // namespace corvane
