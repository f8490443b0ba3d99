#include "JobSetup.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "AppTexts.h"
#include "CueSheetLoader.h"
#include "CueTrackAudio.h"
#include "FLACOut.h"
#include "MACIn.h"
#include "TagTransfer.h"

namespace corvane {
namespace {

// Padding beyond what a job's tags need, so a later tag editor can still write in place.
constexpr int64_t kPaddingRoomToGrow = 4096;

// "File: why", the error's own text after the user's words for why.
std::string AddProblem(const std::string& File, const std::string& Why, const std::string& Text) {
  std::string problem = File + "：" + Why;
  if (!Why.empty() && !Text.empty()) problem += "。";
  return problem + Text;
}

// The audio file a cue track's failure is about: the first of its files that cannot be
// opened, else the one it starts in.
std::string CueTrackAudioFile(const TCueFile& Sheet, int Track) {
  std::string first;
  for (const TCueSpan& span : TrackSpans(Sheet, Track)) {
    const std::string& path = Sheet.Files.at(static_cast<size_t>(span.File)).Path;
    if (first.empty()) first = path;
    if (!WhyUnreadable(path).empty()) return path;
  }
  return first;
}

bool SheetLoaded(const TCueSheetList& Sheets, const std::string& File) {
  return std::any_of(Sheets.begin(), Sheets.end(),
                     [&](const auto& Sheet) { return Sheet->CueFileName == File; });
}

void AddCueSheet(std::unique_ptr<TCueFile> Sheet, TJobListModel& Jobs, TCueSheetList& Sheets) {
  Sheets.push_back(std::move(Sheet));
  const int position = static_cast<int>(Sheets.size());
  for (std::string& line : CueSheetLines(position, *Sheets.back())) {
    Jobs.Append({std::move(line), TJobKind::CueTrack});
  }
}

}  // namespace

std::vector<std::string> AddJobFiles(const std::vector<std::string>& Files, TTextEncoding Encoding,
                                     TJobListModel& Jobs, TCueSheetList& Sheets) {
  std::vector<std::string> problems;
  for (const std::string& file : Files) {
    const std::string extension = UpperExtension(file);
    const bool ape = extension == ".APE";
    if (!ape && extension != ".CUE") continue;
    if (SheetLoaded(Sheets, file) || (ape && Jobs.Contains(file))) continue;
    std::unique_ptr<TCueFile> sheet;
    try {
      sheet = LoadCueSheet(file, Encoding);
    } catch (const ECueSheetError& E) {
      problems.push_back(E.what());  // names the sheet, the line and the fault already
      continue;
    } catch (const std::exception& E) {
      problems.push_back(AddProblem(file, WhyUnreadable(file), E.what()));
      continue;
    }
    // An APE file with a cue sheet in its tag is a CD image: its tracks are the jobs.
    if (sheet && !sheet->Tracks.empty()) {
      AddCueSheet(std::move(sheet), Jobs, Sheets);
    } else if (ape) {
      Jobs.Append({file, TJobKind::PlainFile});
    } else {
      // Nothing to convert: not kept, so adding it again says so again.
      problems.push_back(AddProblem(file, texts::kCauseNoTracks, {}));
    }
  }
  return problems;
}

std::string NaturalOutputOf(const TJob& Job, const TCueSheetList& Sheets,
                            const std::string& OutputFolder) {
  if (Job.Kind == TJobKind::PlainFile) return PlainOutputName(Job.Text, OutputFolder);
  try {
    const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
    return CueTrackOutputName(sheet.CueFileName, OutputFolder, TrackIndexOfLine(Job.Text));
  } catch (const std::exception&) {
    return {};  // its job fails with the reason when it starts
  }
}

void PrepareJobSource(TMACIn& Source, const TJob& Job, const TCueSheetList& Sheets) {
  Source.SetSegments({});
  Source.SetStartSample(0);
  Source.SetEndSample(-1);
  if (Job.Kind == TJobKind::PlainFile) {
    Source.SetFileName(Job.Text);
    return;
  }
  const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
  const int trackIndex = TrackIndexOfLine(Job.Text);
  TrackOfLine(sheet, Job.Text);  // the track must still be there
  // The track's audio, over as many files as it spans; opens each for its rate and length.
  const std::vector<TAudioSegment> segments = CueTrackSegments(sheet, trackIndex);
  if (segments.empty()) {
    throw std::runtime_error("Track " + std::to_string(trackIndex + 1) + " of " +
                             ExtractFileName(sheet.CueFileName) + " holds no audio.");
  }
  if (segments.size() == 1) {
    Source.SetFileName(segments.front().FileName);
    Source.SetStartSample(segments.front().StartSample);
    Source.SetEndSample(segments.front().EndSample);
  } else {
    Source.SetSegments(segments);
  }
}

void ConfigureBatchSink(TFLACOut& Out) {
  Out.SetSuspendWhenIdle(true);
  Out.SetFileMode(foRewrite);
  // The tags go into the finished file before it takes the output's name.
  Out.SetAutoCommit(false);
  Out.SetQLPCoeffPrecision(0);
  Out.SetQLPCoeffPrecisionSearch(false);
  Out.SetVerify(false);
}

uint32_t TagPaddingOf(TTagTransfer& Tags, const TJob& Job, const TCueSheetList& Sheets) {
  const int64_t padding = Tags.MetadataBytes(Job, Sheets) + kPaddingRoomToGrow;
  return static_cast<uint32_t>(std::min<int64_t>(padding, UINT32_MAX));
}

TJobNames NamesOfJob(const TJob& Job, const TCueSheetList& Sheets, const std::string& Output) {
  TJobNames names;
  names.Output = Output;
  if (Job.Kind == TJobKind::PlainFile) {
    names.Job = names.Source = Job.Text;
    return names;
  }
  try {
    const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
    names.Job = FormatText(texts::kCueTrackJob,
                           {sheet.CueFileName, std::to_string(TrackIndexOfLine(Job.Text) + 1)});
    names.Source = CueTrackAudioFile(sheet, TrackIndexOfLine(Job.Text));
  } catch (const std::exception&) {
    names.Job = Job.Text;
  }
  return names;
}

}  // namespace corvane
