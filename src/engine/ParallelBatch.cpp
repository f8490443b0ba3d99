#include "ParallelBatch.h"

#include <algorithm>

#include "MainThreadHandoff.h"

namespace corvane {

int DecodeThreadsPerLane(int Cores, int BusyLanes) {
  return std::max(1, Cores / std::max(1, BusyLanes));
}

TParallelBatch::TParallelBatch(TMainThreadHandoff& Handoff, std::vector<TJob> Jobs, int Lanes,
                               int Level, int Cores, TBatchOptions Options)
    : FHandoff(Handoff),
      FJobs(std::move(Jobs)),
      FCores(std::max(Cores, 1)),
      FDiscs(FJobs, Options,
             {[this](const TDiscCompletion::TDiscEnd& End) {
                if (FEvents.DiscEnded) FEvents.DiscEnded(End);
              },
              [this] { FinishIfDone(); }},
             AccurateRipCacheFolder()) {
  const size_t lanes = std::min(static_cast<size_t>(std::max(Lanes, 1)), FJobs.size());
  for (size_t lane = 0; lane < lanes; ++lane) {
    FLanes.push_back(std::make_unique<TJobLane>(FHandoff, Level));
    FLanes.back()->SetVerify(Options.Verify);
  }
  FJobOfLane.resize(lanes);
}

TParallelBatch::~TParallelBatch() = default;

void TParallelBatch::Start(TEvents Events) {
  FEvents = std::move(Events);
  if (FJobs.empty()) {
    FHandoff.Post([this] {
      if (FEvents.Finished) FEvents.Finished();
    });
    return;
  }
  for (size_t lane = 0; lane < FLanes.size(); ++lane) StartNext(lane);
}

void TParallelBatch::StartNext(size_t Lane) {
  if (FNext >= FJobs.size()) {
    FJobOfLane[Lane].reset();
    ShareCores();
    return;
  }
  const size_t job = FNext++;
  FJobOfLane[Lane] = job;
  ShareCores();
  if (FEvents.Started) FEvents.Started(job, Lane);
  FLanes[Lane]->Start(
      FJobs[job],
      [this, Lane, job](const std::optional<TFailure>& Failure) { JobEnded(Lane, job, Failure); },
      FDiscs.MeasuresFor(FJobs[job]));
}

void TParallelBatch::JobEnded(size_t Lane, size_t Job, const std::optional<TFailure>& Failure) {
  // Idle while the end is told, so whoever listens sees the lane as it is.
  FJobOfLane[Lane].reset();
  ++FEnded;
  if (FEvents.Ended) {
    FEvents.Ended(Job, Failure, Failure ? std::vector<std::string>() : FLanes[Lane]->Notes());
  }
  // The disc's end may wait for the database; the batch's end waits for it.
  FDiscs.JobEnded(FJobs[Job], !Failure);
  StartNext(Lane);
  FinishIfDone();
}

void TParallelBatch::FinishIfDone() {
  if (Finished() && !FFinishTold) {
    FFinishTold = true;
    if (FEvents.Finished) FEvents.Finished();
  }
}

void TParallelBatch::ShareCores() {
  const int busy = static_cast<int>(std::count_if(FJobOfLane.begin(), FJobOfLane.end(),
                                                  [](const auto& Job) { return Job.has_value(); }));
  const int share = DecodeThreadsPerLane(FCores, busy);
  for (size_t lane = 0; lane < FLanes.size(); ++lane) {
    if (FJobOfLane[lane]) FLanes[lane]->SetDecodeThreads(share);
  }
}

}  // namespace corvane
