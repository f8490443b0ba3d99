#include "Disc.h"

#include <stdexcept>

#include "AppTexts.h"
#include "Job.h"
#include "JobLine.h"
#include "PathNames.h"
#include "TextFormat.h"

namespace corvane {

TDisc::TDisc(std::string AudioFile) : FSource(std::move(AudioFile)) {
  FAudio[0].Segments = {{FSource, 0, -1}};
}

TDisc::TDisc(std::unique_ptr<const TCueFile> Sheet, std::map<int, TTrackAudio> Audio)
    : FSource(Sheet->CueFileName), FSheet(std::move(Sheet)), FAudio(std::move(Audio)) {}

const TCueTrack& TDisc::Track(int Index) const {
  if (FSheet && Index == -1 && FSheet->HiddenTrack) return *FSheet->HiddenTrack;
  if (!FSheet || Index < 0 || Index >= static_cast<int>(FSheet->Tracks.size())) {
    throw std::runtime_error(
        FormatText(texts::kErrorSheetHasNoTrack, {FSource, std::to_string(Index + 1)}));
  }
  return FSheet->Tracks[static_cast<size_t>(Index)];
}

std::vector<int> TDisc::TrackIndexes() const {
  if (!FSheet) return {0};
  std::vector<int> indexes;
  if (FSheet->HiddenTrack) indexes.push_back(-1);
  for (int k = 0; k < static_cast<int>(FSheet->Tracks.size()); ++k) indexes.push_back(k);
  return indexes;
}

const TTrackAudio& TDisc::AudioOf(int Index) const {
  static const TTrackAudio kNone;
  const auto found = FAudio.find(Index);
  return found == FAudio.end() ? kNone : found->second;
}

const TCueFile& SheetOfJob(const TJob& Job) {
  if (!Job.Disc || !Job.Disc->Sheet()) {
    throw std::runtime_error(FormatText(texts::kErrorJobHasNoSheet, {Job.Text}));
  }
  return *Job.Disc->Sheet();
}

TJob WholeFileJob(const std::string& AudioFile) {
  return JobsOfDisc(std::make_shared<const TDisc>(AudioFile), 0).front();
}

std::vector<TJob> JobsOfDisc(const std::shared_ptr<const TDisc>& Disc, int SheetPosition) {
  std::vector<TJob> jobs;
  const TCueFile* sheet = Disc->Sheet();
  for (int index : Disc->TrackIndexes()) {
    TJob job;
    job.Disc = Disc;
    job.Track = index;
    if (sheet) {
      job.Kind = TJobKind::CueTrack;
      job.Text = CueTrackLine(SheetPosition, index + 1, Disc->Track(index), sheet->CueFileName);
    } else {
      job.Text = Disc->Source();
    }
    const TTrackAudio& audio = Disc->AudioOf(index);
    job.Audio = audio.Segments;
    job.Unresolved = audio.Problem;
    if (job.Audio.empty() && !job.Unresolved) {
      job.Unresolved.emplace();
      job.Unresolved->Text =
          FormatText(texts::kErrorTrackHoldsNoAudio,
                     {std::to_string(index + 1), ExtractFileName(Disc->Source())});
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

}  // namespace corvane
