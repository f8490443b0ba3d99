#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Job.h"
#include "JobFailure.h"
#include "JobRunner.h"

namespace corvane {

class TMainThreadHandoff;

// A runner that converts the jobs handed to it one after another, with no pause between the
// encoder's end and the tag step, for a driver that runs several jobs at once on lanes of their
// own. Folders missing on the output's path are made first.
//
// Runs on the thread of Handoff. The end of a job is reported from Handoff's queue once the
// worker has let go of the job, never from inside Start, so the end may start the next job.
class TJobLane {
 public:
  // Failure: none when the job's file was written.
  using TJobEnd = std::function<void(const std::optional<TFailure>& Failure)>;

  // Compression Level 0 to 8. Throws EACSException when a codec library is missing. Handoff
  // must outlive the lane.
  TJobLane(TMainThreadHandoff& Handoff, int Level);
  // Ends a job in progress; its temporary file goes, End is not called.
  ~TJobLane();
  TJobLane(const TJobLane&) = delete;
  TJobLane& operator=(const TJobLane&) = delete;

  // Converts Job into Job.Output (a final name, planned beforehand). End is called exactly
  // once.
  void Start(const TJob& Job, TJobEnd End, std::shared_ptr<TTrackMeasures> Measures = nullptr);
  bool Busy() const { return static_cast<bool>(FEnd); }
  // What the last job to end has to tell although it succeeded (a cover not embedded, say).
  const std::vector<std::string>& Notes() const { return FNotes; }
  // Percent of the running job's audio encoded so far.
  int Progress() const { return Busy() ? FRunner.Progress() : 0; }

  // Threads the source decodes ahead on, the lane's share of the machine's cores when several
  // lanes run; a count below 1 means 1. A running job follows it from its next read on.
  void SetDecodeThreads(int Count);
  int DecodeThreads() const { return FRunner.DecodeThreads(); }
  void SetVerify(bool Value) { FRunner.SetVerify(Value); }

 private:
  void Complete();
  void End(std::optional<TFailure> Failure);

  TMainThreadHandoff& FHandoff;
  TJobRunner FRunner;
  std::vector<std::string> FNotes;
  TJobEnd FEnd;
  // Goes with the lane: a continuation still queued in the handoff then finds the lane gone.
  std::shared_ptr<char> FAlive = std::make_shared<char>();
};

}  // namespace corvane
