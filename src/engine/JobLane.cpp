#include "JobLane.h"

#include <algorithm>

#include "MainThreadHandoff.h"

namespace corvane {

TJobLane::TJobLane(TMainThreadHandoff& Handoff, int Level)
    : FHandoff(Handoff),
      FRunner(Handoff,
              {// Inside the worker's done notification: the worker still waits on it, so the
               // tags and the next job come once it has returned.
               [this] {
                 FHandoff.Post([this, alive = std::weak_ptr<char>(FAlive)] {
                   if (alive.lock()) Complete();
                 });
               },
               [this](const TFailure& Failure) { End(Failure); }, nullptr}) {
  FRunner.SetCompressionLevel(Level);
  FRunner.SetDecodeThreads(1);
  FRunner.SetMakeFolders(true);
}

TJobLane::~TJobLane() {
  FAlive.reset();
}

void TJobLane::Start(const TJob& Job, TJobEnd End, std::shared_ptr<TTrackMeasures> Measures) {
  FEnd = std::move(End);
  FNotes.clear();
  FRunner.Start(Job, std::move(Measures));
}

void TJobLane::SetDecodeThreads(int Count) {
  FRunner.SetDecodeThreads(std::max(Count, 1));
}

void TJobLane::Complete() {
  try {
    FNotes = FRunner.Complete();
  } catch (const std::exception& E) {
    End(FailureOf(E));
    return;
  }
  End(std::nullopt);
}

void TJobLane::End(std::optional<TFailure> Failure) {
  // Taken out first: the handler may start the next job on this lane.
  TJobEnd end = std::move(FEnd);
  FEnd = nullptr;
  if (end) end(Failure);
}

}  // namespace corvane
