#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CueSheetList.h"
#include "JobFailure.h"
#include "JobLine.h"
#include "TagTransfer.h"

namespace corvane {

class TFLACOut;
class TMACIn;
class TMainThreadHandoff;

// One APE source and one FLAC sink that convert the jobs handed to them one after another, for
// a driver that runs several jobs at once on lanes of their own. A job goes as in the window:
// the sink writes a hidden temporary file beside the output, the tags go into it, and only
// then does it take the output's name; a job that fails leaves what stood there untouched.
// Folders missing on the output's path are made first.
//
// Runs on the thread of Handoff (which must run an event loop, or a pumped queue); the sink's
// worker reaches it through Handoff only. The end of a job is reported from Handoff once the
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

  // Converts Job into Job.Output (a final name, planned beforehand). Sheets must stay loaded
  // until the job ends. End is called exactly once.
  void Start(const TJob& Job, const TCueSheetList& Sheets, TJobEnd End);
  bool Busy() const { return static_cast<bool>(FEnd); }
  // What the last job to end has to tell although it succeeded (a cover not embedded, say).
  const std::vector<std::string>& Notes() const { return FTags.Notes(); }
  // Percent of the running job's audio encoded so far.
  int Progress() const;

  // Threads the source decodes ahead on, the lane's share of the machine's cores when several
  // lanes run; a count below 1 means 1. A running job follows it from its next read on.
  void SetDecodeThreads(int Count);
  int DecodeThreads() const { return FDecodeThreads; }

 private:
  void Done();
  void Complete();
  void End(std::optional<TFailure> Failure);

  TMainThreadHandoff& FHandoff;
  std::unique_ptr<TMACIn> FSource;
  std::unique_ptr<TFLACOut> FSink;  // reads FSource; destroyed before it
  TTagTransfer FTags;
  int FDecodeThreads = 1;
  // The job in progress; FEnd is set from Start until the job's end is reported.
  TJob FJob;
  const TCueSheetList* FSheets = nullptr;
  TJobEnd FEnd;
  // Goes with the lane: a continuation still queued in the handoff then finds the lane gone.
  std::shared_ptr<char> FAlive = std::make_shared<char>();
};

// Makes the folders on the path to the file Output that are missing. Throws EFileError naming
// the folder that could not be made.
void MakeOutputFolders(const std::string& Output);

}  // namespace corvane
