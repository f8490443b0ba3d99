#include "JobRunner.h"

#include <algorithm>
#include <stdexcept>

#include "AppTexts.h"
#include "CompressionLevel.h"
#include "InputFormats.h"
#include "MainThreadHandoff.h"
#include "OutputFolders.h"
#include "ReplayGainTags.h"
#include "TextFormat.h"

namespace corvane {
namespace {

// Padding beyond what a job's tags need, so a later tag editor can still write in place.
constexpr int64_t kPaddingRoomToGrow = 4096;

uint32_t PaddingFor(const TJobTags& Tags, int64_t Room) {
  const int64_t padding = Tags.MetadataBytes() + Room + kPaddingRoomToGrow;
  return static_cast<uint32_t>(std::min<int64_t>(padding, UINT32_MAX));
}

}  // namespace

TJobRunner::TJobRunner(TMainThreadHandoff& Handoff, TEvents Events)
    : FHandoff(Handoff),
      FEvents(std::move(Events)),
      FSink(std::make_unique<TFLACOut>()),
      FDecodeThreads(MachineCores()) {
  RequireDecoders();
  TFLACOut& sink = *FSink;
  sink.SetMainThreadHandoff(&FHandoff);
  sink.SetSuspendWhenIdle(true);
  sink.SetFileMode(foRewrite);
  // The tags go into the finished file before it takes the output's name.
  sink.SetAutoCommit(false);
  sink.SetQLPCoeffPrecision(0);
  sink.SetQLPCoeffPrecisionSearch(false);
  // As flac -V: what is written is decoded and compared before the file is called done.
  sink.SetVerify(true);
  sink.SetOnDone([this](TACSOutput&) {
    if (FEvents.Encoded) FEvents.Encoded();
  });
  sink.SetOnProgress([this](TACSOutput& Sender) {
    if (FEvents.Progress) FEvents.Progress(Sender.Progress());
  });
  // On the worker for a failed cycle, on this thread for a failed start: either way the report
  // is queued, so the runner's owner hears of it on its own thread, never from inside Start.
  sink.SetOnThreadException([this](TACSOutput&, const std::exception& E) { Failed(E); });
}

TJobRunner::~TJobRunner() {
  FAlive.reset();
  // The worker ends a run in progress and takes its temporary file with it.
  FSink.reset();
}

void TJobRunner::Failed(const std::exception& E) {
  Report(FailureOf(E));
}

void TJobRunner::Report(TFailure Failure) {
  FHandoff.Post([this, alive = std::weak_ptr<char>(FAlive), failure = std::move(Failure)] {
    if (alive.lock() && FEvents.Failed) FEvents.Failed(failure);
  });
}

void TJobRunner::PrepareSource(const TJob& Job) {
  // One source serves every job of its format; another format gets a source of its own.
  const TInputFormat* format = InputFormatOf(Job.Audio.front().FileName);
  if (!FSource || format != FSourceFormat) {
    std::unique_ptr<TAudioSource> source = OpenAudioSource(Job.Audio.front().FileName);
    source->SetDecodeThreads(FDecodeThreads);
    FSink->SetInput(source.get());
    FSource = std::move(source);
    FSourceFormat = format;
  }
  FSource->SetAudio(Job.Audio);
}

void TJobRunner::Start(const TJob& Job, std::shared_ptr<TTrackMeasures> Measures) {
  FJob = Job;
  FJobTags = {};
  FMeasures = std::move(Measures);
  FSink->SetPcmTap(FMeasures);
  if (FJob.Unresolved) {
    Report(*FJob.Unresolved);
    return;
  }
  try {
    PrepareSource(FJob);
    if (FMakeFolders) MakeOutputFolders(FJob.Output);
    FJobTags = FTags.TagsOf(FJob);
    int64_t room = 0;
    if (FMeasures && FMeasures->WantsLoudness()) {
      DropReplayGain(FJobTags);
      room = kReplayGainRoom;
    }
    FSink->SetFileName(FJob.Output);
    FSink->SetPaddingReserve(PaddingFor(FJobTags, room));
    // A failure to prepare the output arrives through the sink's failure handler.
    FSink->Start();
  } catch (const std::exception& E) {
    Failed(E);
  }
}

const std::vector<std::string>& TJobRunner::Complete() {
  try {
    const std::string& finished = FSink->FinishedFile();
    if (finished.empty()) {
      throw std::runtime_error(FormatText(texts::kErrorNoFinishedFile, {FJob.Output}));
    }
    if (FMeasures && FMeasures->Loudness()) {
      AddTrackGain(FJobTags, *FMeasures->Loudness());
    } else if (FMeasures && !FMeasures->LoudnessProblem().empty()) {
      FJobTags.Notes.push_back(
          FormatText(texts::kNoteNoTrackGain, {FJob.Output, FMeasures->LoudnessProblem()}));
    }
    FTags.Write(FJobTags, finished);
    // Tagged, so complete: now it may take the output's name.
    FSink->CommitFinishedFile();
  } catch (...) {
    FSink->DiscardFinishedFile();
    throw;
  }
  return FJobTags.Notes;
}

void TJobRunner::DiscardFinishedFile() {
  FSink->DiscardFinishedFile();
}

void TJobRunner::Stop() {
  FSink->Resume();
  FSink->Stop();
}

void TJobRunner::Pause() {
  FSink->Pause();
}

void TJobRunner::Resume() {
  FSink->Resume();
}

int TJobRunner::Progress() const {
  return std::max(FSink->Progress(), 0);
}

bool TJobRunner::SetCompressionLevel(int Level) {
  return ApplyCompressionLevel(*FSink, Level);
}

void TJobRunner::SetLoopDelay(int Milliseconds) {
  FSink->SetLoopDelay(Milliseconds);
}

void TJobRunner::SetDecodeThreads(int Count) {
  FDecodeThreads = std::max(Count, 0);
  if (FSource) FSource->SetDecodeThreads(FDecodeThreads);
}

}  // namespace corvane
