#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BatchOptions.h"
#include "DiscCompletion.h"
#include "Job.h"
#include "JobFailure.h"
#include "JobLane.h"

namespace corvane {

class TMainThreadHandoff;

// Converts the jobs of a batch with up to a given number of them at once, each on a lane of
// its own (TJobLane), in list order: a lane takes the next job as soon as its last one has
// ended, without a pause. A job that fails is reported and the others go on.
//
// The outputs are planned beforehand: every job's Output is set, no two alike, so the files
// written do not depend on which lane finishes first.
//
// Runs on the thread of Handoff; the events are called there, from its queue.
class TParallelBatch {
 public:
  struct TEvents {
    std::function<void(size_t Job, size_t Lane)> Started;
    // Failure: none when the job's file was written; Notes: what it has to tell all the same.
    std::function<void(size_t Job, const std::optional<TFailure>& Failure,
                       const std::vector<std::string>& Notes)>
        Ended;
    // Every job and disc has ended.
    std::function<void()> Finished;
    // The last job of a disc (or an album) has ended, and what comes after it is done.
    std::function<void(const TDiscCompletion::TDiscEnd& End)> DiscEnded;
  };

  // Makes as many lanes as Lanes says, but no more than there are jobs, each encoding at
  // compression Level, sharing Cores cores, doing what Options asks besides. Throws
  // EACSException when a codec library is missing. Handoff must outlive the batch.
  TParallelBatch(TMainThreadHandoff& Handoff, std::vector<TJob> Jobs, int Lanes, int Level,
                 int Cores, TBatchOptions Options = {});
  // Ends the jobs in progress; their temporary files go.
  ~TParallelBatch();
  TParallelBatch(const TParallelBatch&) = delete;
  TParallelBatch& operator=(const TParallelBatch&) = delete;

  // Starts the first jobs. With no jobs at all, Finished comes from the queue.
  void Start(TEvents Events);

  const std::vector<TJob>& Jobs() const { return FJobs; }
  size_t LaneCount() const { return FLanes.size(); }
  // The job lane Lane converts, none while it is idle.
  std::optional<size_t> JobOfLane(size_t Lane) const { return FJobOfLane.at(Lane); }
  int ProgressOfLane(size_t Lane) const { return FLanes.at(Lane)->Progress(); }
  int DecodeThreadsOfLane(size_t Lane) const { return FLanes.at(Lane)->DecodeThreads(); }
  bool Finished() const { return FEnded == FJobs.size() && !FDiscs.Busy(); }

 private:
  void StartNext(size_t Lane);
  void JobEnded(size_t Lane, size_t Job, const std::optional<TFailure>& Failure);
  // Gives every busy lane its share of the cores, again whenever the number of busy lanes
  // changes: the last job of a batch gets them all.
  void ShareCores();
  void FinishIfDone();

  TMainThreadHandoff& FHandoff;
  std::vector<TJob> FJobs;
  const int FCores;
  std::vector<std::unique_ptr<TJobLane>> FLanes;
  std::vector<std::optional<size_t>> FJobOfLane;
  TEvents FEvents;
  TDiscCompletion FDiscs;
  size_t FNext = 0;   // the next job to start
  size_t FEnded = 0;  // jobs that have ended
  bool FFinishTold = false;
};

// The decoding threads each of BusyLanes lanes gets on a machine of Cores cores: an equal
// share, at least one.
int DecodeThreadsPerLane(int Cores, int BusyLanes);

}  // namespace corvane
