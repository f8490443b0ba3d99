#include "JobLane.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "ACSException.h"
#include "CompressionLevel.h"
#include "FLACOut.h"
#include "JobSetup.h"
#include "MACIn.h"
#include "MainThreadHandoff.h"

namespace corvane {

void MakeOutputFolders(const std::string& Output) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(Output).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    throw EFileError("Cannot create folder \"" + folder.string() + "\". " + error.message(),
                     folder.string(), error.value());
  }
}

TJobLane::TJobLane(TMainThreadHandoff& Handoff, int Level)
    : FHandoff(Handoff), FSource(std::make_unique<TMACIn>()), FSink(std::make_unique<TFLACOut>()) {
  FSource->SetDecodeThreads(FDecodeThreads);
  TFLACOut& sink = *FSink;
  sink.SetMainThreadHandoff(&FHandoff);
  sink.SetInput(FSource.get());
  ConfigureBatchSink(sink);
  ApplyCompressionLevel(sink, Level);
  sink.SetOnDone([this](TACSOutput&) { Done(); });
  // On the worker for a failed cycle, on this thread for a failed start: either way the end is
  // queued, so it comes after the worker has let go of the job and never from inside Start.
  sink.SetOnThreadException(
      [this, alive = std::weak_ptr<char>(FAlive)](TACSOutput&, const std::exception& E) {
        FHandoff.Post([this, alive, failure = FailureOf(E)] {
          if (alive.lock()) End(failure);
        });
      });
}

TJobLane::~TJobLane() {
  FAlive.reset();
  // The worker ends a run in progress and takes its temporary file with it.
  FSink.reset();
}

void TJobLane::Start(const TJob& Job, const TCueSheetList& Sheets, TJobEnd End) {
  FJob = Job;
  FSheets = &Sheets;
  FEnd = std::move(End);
  try {
    PrepareJobSource(*FSource, FJob, Sheets);
    MakeOutputFolders(FJob.Output);
    FSink->SetFileName(FJob.Output);
    FSink->SetPaddingReserve(TagPaddingOf(FTags, FJob, Sheets));
    // A failure to prepare the output arrives through the sink's failure handler.
    FSink->Start();
  } catch (const std::exception& E) {
    FHandoff.Post([this, alive = std::weak_ptr<char>(FAlive), failure = FailureOf(E)] {
      if (alive.lock()) this->End(failure);
    });
  }
}

int TJobLane::Progress() const {
  return Busy() ? std::max(FSink->Progress(), 0) : 0;
}

void TJobLane::SetDecodeThreads(int Count) {
  FDecodeThreads = std::max(Count, 1);
  FSource->SetDecodeThreads(FDecodeThreads);
}

void TJobLane::Done() {
  // Inside the worker's done notification: the worker still waits on it, so the tags and the
  // next job come once it has returned.
  FHandoff.Post([this, alive = std::weak_ptr<char>(FAlive)] {
    if (alive.lock()) Complete();
  });
}

void TJobLane::Complete() {
  try {
    const std::string& finished = FSink->FinishedFile();
    if (finished.empty()) {
      throw std::runtime_error("There is no finished file of " + FJob.Output +
                               " to write the tags into.");
    }
    FTags.TransferTags(FJob, *FSheets, finished);
    // Tagged, so complete: now it may take the output's name.
    FSink->CommitFinishedFile();
  } catch (const std::exception& E) {
    FSink->DiscardFinishedFile();
    End(FailureOf(E));
    return;
  }
  End(std::nullopt);
}

void TJobLane::End(std::optional<TFailure> Failure) {
  // Taken out first: the handler may start the next job on this lane.
  TJobEnd end = std::move(FEnd);
  FEnd = nullptr;
  FSheets = nullptr;
  if (end) end(Failure);
}

}  // namespace corvane
