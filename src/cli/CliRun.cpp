#include "CliRun.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "AppTexts.h"
#include "CliTexts.h"
#include "Disc.h"
#include "DiscCompletion.h"
#include "DiscIdentity.h"
#include "DiscVerdictText.h"
#include "FolderScan.h"
#include "InputFormats.h"
#include "JobAdding.h"
#include "Language.h"
#include "NameTemplate.h"
#include "OutputNames.h"
#include "OutputPlan.h"
#include "ParallelBatch.h"
#include "PathNames.h"
#include "QtMainThreadHandoff.h"

namespace corvane {

using namespace proof;
namespace {

constexpr int kRedrawMs = 200;
constexpr const char* kProgram = "corvane-cli: ";

// The jobs of a run and the discs of their sheets.
struct TRunJobs {
  std::vector<TJob> Jobs;
  TDiscList Sheets;
  int Problems = 0;  // files that could not be added
};

// The job as a line of output names it: the source file, or which track of which sheet.
std::string JobLabel(const TJob& Job) {
  if (Job.Kind == TJobKind::PlainFile) return Job.Text;
  return FormatText(clitexts::kTrackJob, {Job.Disc->Source(), std::to_string(Job.Track + 1)});
}

// A dry run's name for a job: a cue track with its title, so the user can tell which song
// each planned file will hold.
std::string DryRunLabel(const TJob& Job) {
  std::string label = JobLabel(Job);
  if (Job.Kind != TJobKind::CueTrack) return label;
  try {
    const std::string& title = Job.Disc->Track(Job.Track).Title;
    if (!title.empty()) label = FormatText(clitexts::kTitledJob, {label, title});
  } catch (const std::exception&) {
    // A track its sheet does not have: the job says so when it runs.
  }
  return label;
}

// The failure as the window words it, its first line after the program's name.
std::string FailureText(const TFailure& Failure, const TJob& Job) {
  const TFailureReport report = DescribeJobFailure(Failure, Job);
  std::istringstream lines(report.Message);
  std::string text;
  for (std::string line; std::getline(lines, line);) {
    text += (text.empty() ? std::string(kProgram) : "\n  ") + line;
  }
  return text;
}

// ".ape, .flac, …".
std::string Extensions() {
  std::string extensions;
  for (const TInputFormat& format : InputFormats()) {
    extensions += (extensions.empty() ? "" : ", ") + std::string(format.Extension);
  }
  return extensions;
}

void CollectJobs(const TCliOptions& Options, TRunJobs& Jobs, TConsoleProgress& Console) {
  const TFolderScan scan = ExpandFolders(
      Options.Paths, Options.Recursive ? TFolderDepth::Recursive : TFolderDepth::TopOnly);
  std::vector<std::string> problems = scan.Problems;
  std::vector<std::string> files;
  for (const std::string& file : scan.Files) {
    const std::string extension = UpperExtension(file);
    if (InputFormatOf(file) != nullptr || extension == ".CUE") {
      files.push_back(file);
    } else if (const TRefusedFormat* refused = RefusedFormatOf(file)) {
      problems.push_back(FormatText(clitexts::kNotSupported, {file, refused->Name}));
    } else {
      problems.push_back(FormatText(clitexts::kNotAnInput, {file, Extensions()}));
    }
  }
  TAddedJobs added =
      AddJobFiles(files, Options.Encoding, Jobs.Sheets, [&](const std::string& File) {
        return std::any_of(Jobs.Jobs.begin(), Jobs.Jobs.end(),
                           [&](const TJob& Job) { return Job.Text == File; });
      });
  for (TJob& job : added.Jobs) Jobs.Jobs.push_back(std::move(job));
  for (std::string& problem : added.Problems) problems.push_back(std::move(problem));
  for (const std::string& problem : problems) Console.PrintError(kProgram + problem);
  Jobs.Problems = static_cast<int>(problems.size());
}

// Every job with its output planned: named by the template or as the window names it, and no
// two alike.
std::vector<TJob> PlannedJobs(const TCliOptions& Options, const TRunJobs& Jobs) {
  std::string folder = Options.OutputFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::optional<TNameTemplate> naming;
  if (Options.NameTemplate) naming.emplace(*Options.NameTemplate);
  std::vector<std::string> natural;
  for (const TJob& job : Jobs.Jobs) {
    natural.push_back(naming ? TemplateOutputOf(job, folder, *naming)
                             : NaturalOutputOf(job, folder));
  }
  const std::vector<std::string> planned = TOutputPlan().Plan(natural);
  std::vector<TJob> jobs = Jobs.Jobs;
  for (size_t i = 0; i < jobs.size(); ++i) jobs[i].Output = planned[i];
  return jobs;
}

bool SomethingAt(const std::string& Path) {
  std::error_code error;
  return std::filesystem::symlink_status(Path, error).type() !=
             std::filesystem::file_type::not_found &&
         !error;
}

// Sample frames of a job's audio, to weigh it in the total; 0 when it cannot be told.
int64_t AudioFrames(const TJob& Job) {
  int64_t frames = 0;
  try {
    for (const TAudioSegment& segment : Job.Audio) {
      int64_t end = segment.EndSample;
      if (end < 0) {
        const std::unique_ptr<TAudioSource> probe = OpenAudioSource(segment.FileName);
        probe->SetFileName(segment.FileName);
        end = probe->FileFrames();
      }
      frames += std::max<int64_t>(end - segment.StartSample, 0);
    }
  } catch (const std::exception&) {
    return 0;
  }
  return frames;
}

// Runs the jobs and reports each as it ends. Returns the jobs that failed, or -1 when
// interrupted.
class TRun {
 public:
  TRun(const TCliOptions& Options, int Cores, std::vector<TJob> Jobs, TConsoleProgress& Console)
      : FConsole(Console),
        FBatch(FHandoff, std::move(Jobs), Options.Jobs, Options.Level, Cores, Options.Batch) {
    if (Console.Mode() == TConsoleProgress::TMode::Terminal) {
      for (const TJob& job : FBatch.Jobs()) FWeights.push_back(AudioFrames(job));
    } else {
      FWeights.assign(FBatch.Jobs().size(), 1);
    }
    for (int64_t weight : FWeights) FTotalWeight += weight;
  }

  int Execute(TInterrupt& Interrupt) {
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
      if (Interrupt.Signal.load() != 0) {
        loop.exit(-1);
        return;
      }
      Draw();
    });
    FStart = std::chrono::steady_clock::now();
    // From here a signal is only recorded: the tick gives up the jobs and their files.
    Interrupt.JobsStarted.store(true);
    if (Interrupt.Signal.load() != 0) return -1;
    FBatch.Start({[this](size_t, size_t) { Draw(); },
                  [this](size_t Job, const std::optional<TFailure>& Failure,
                         const std::vector<std::string>& Notes) { Ended(Job, Failure, Notes); },
                  [&loop] { loop.exit(0); },
                  [this](const TDiscCompletion::TDiscEnd& End) { DiscEnded(End); }});
    tick.start(kRedrawMs);
    Draw();
    const int result = loop.exec();
    FConsole.Finish();
    return result < 0 ? -1 : FFailed;
  }

  int Written() const { return FWritten; }

 private:
  void Ended(size_t Job, const std::optional<TFailure>& Failure,
             const std::vector<std::string>& Notes) {
    const TJob& job = FBatch.Jobs()[Job];
    FEndedWeight += FWeights[Job];
    ++FEnded;
    Draw();
    if (Failure) {
      ++FFailed;
      FConsole.PrintError(FailureText(*Failure, job));
      FConsole.Print(FormatText(clitexts::kFailed, {JobLabel(job)}));
    } else {
      ++FWritten;
      FConsole.Print(FormatText(clitexts::kWritten, {job.Output}));
    }
    // Every track of a sheet finds the same oversized cover: one note says it.
    for (const std::string& note : Notes) {
      if (FNotes.insert(note).second) FConsole.PrintNote(kProgram + note);
    }
  }

  void DiscEnded(const TDiscCompletion::TDiscEnd& End) {
    Draw();
    for (const std::string& note : End.Notes) FConsole.PrintNote(kProgram + note);
    if (!End.Verdict) return;
    std::string line =
        FormatText(clitexts::kDisc, {End.Source, DiscVerdictText(*End.Verdict).toStdString()});
    if (!End.LogFile.empty()) line += FormatText(texts::kDiscLog, {End.LogFile});
    FConsole.Print(line);
  }

  void Draw() {
    if (FConsole.Mode() != TConsoleProgress::TMode::Terminal) return;
    std::vector<TConsoleProgress::TRunning> running;
    double done = static_cast<double>(FEndedWeight);
    for (size_t lane = 0; lane < FBatch.LaneCount(); ++lane) {
      const std::optional<size_t> job = FBatch.JobOfLane(lane);
      if (!job) continue;
      const int percent = FBatch.ProgressOfLane(lane);
      done += static_cast<double>(FWeights[*job]) * percent / 100.0;
      running.push_back({ExtractFileName(FBatch.Jobs()[*job].Output), percent});
    }
    TConsoleProgress::TTotal total;
    total.Fraction = FTotalWeight > 0 ? done / static_cast<double>(FTotalWeight)
                                      : static_cast<double>(FEnded) / FBatch.Jobs().size();
    total.Elapsed = Elapsed();
    total.Ended = FEnded;
    total.Jobs = static_cast<int>(FBatch.Jobs().size());
    FConsole.Draw(std::move(running), total);
  }

  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
  }

  TConsoleProgress& FConsole;
  TQtMainThreadHandoff FHandoff;
  TParallelBatch FBatch;  // uses FHandoff; goes before it
  std::vector<int64_t> FWeights;
  int64_t FTotalWeight = 0;
  int64_t FEndedWeight = 0;
  int FEnded = 0;
  int FWritten = 0;
  int FFailed = 0;
  std::set<std::string> FNotes;
  std::chrono::steady_clock::time_point FStart;
};

// A sheet's disc IDs, which the AccurateRip lookup would send, so a user can check them first.
// Its log too, so a plan shows every file a run would write.
void PrintDiscIds(const TDisc& Disc, const std::string& Log) {
  if (Disc.Sheet() == nullptr) return;
  const std::optional<TDiscLayout> layout = DiscLayoutOf(Disc);
  const std::string ids = layout
                              ? FormatText(clitexts::kDiscIds, {FormatDiscIds(DiscIdsOf(*layout))})
                              : FormatText(clitexts::kNoDiscIds, {});
  const std::string line =
      FormatText(clitexts::kDisc, {Disc.Source(), ids}) + FormatText(texts::kDiscLog, {Log});
  std::printf("%s\n", EscapeControls(line, false).c_str());
}

std::string FilesWritten(int Count) {
  return TextOf(clitexts::kFilesWritten, Count).toStdString();
}

}  // namespace

int RunConversion(const TCliOptions& Options, int Cores, TConsoleProgress& Console,
                  TInterrupt& Interrupt) {
  const auto start = std::chrono::steady_clock::now();
  TRunJobs jobs;
  CollectJobs(Options, jobs, Console);
  std::vector<TJob> toRun;
  int skipped = 0;
  std::vector<TJob> planned = PlannedJobs(Options, jobs);
  std::map<const TDisc*, std::string> logs;
  if (Options.DryRun) logs = PlannedDiscLogs(planned);
  for (TJob& job : planned) {
    const bool exists = SomethingAt(job.Output);
    const bool skip = exists && Options.Existing == TExistingOutput::Skip;
    if (const auto log = logs.find(job.Disc.get()); log != logs.end()) {
      PrintDiscIds(*job.Disc, log->second);
      logs.erase(log);
    }
    if (Options.DryRun) {
      // Always printed: it is what a dry run is for.
      std::printf("%s -> %s%s\n", EscapeControls(DryRunLabel(job), false).c_str(),
                  EscapeControls(job.Output, false).c_str(),
                  skip     ? TranslatedText(clitexts::kExistsSkipped).c_str()
                  : exists ? TranslatedText(clitexts::kExistsReplaced).c_str()
                           : "");
    } else if (skip) {
      Console.Print(FormatText(clitexts::kSkipped, {job.Output}));
    }
    if (skip) {
      ++skipped;
    } else {
      toRun.push_back(std::move(job));
    }
  }
  const int problems = jobs.Problems;
  if (Options.DryRun) {
    std::fflush(stdout);
    return problems > 0 ? kExitFailed : kExitConverted;
  }

  int failed = 0;
  int written = 0;
  if (!toRun.empty()) {
    std::unique_ptr<TRun> run;
    try {
      run = std::make_unique<TRun>(Options, Cores, std::move(toRun), Console);
    } catch (const std::exception& E) {
      Console.PrintError(kProgram + std::string(E.what()));
      return kExitFailed;
    }
    failed = run->Execute(Interrupt);
    written = run->Written();
    if (failed < 0) {
      // Gives up the jobs in progress: each takes its temporary file with it.
      run.reset();
      Console.PrintError(kProgram + FormatText(clitexts::kGivenUp, {FilesWritten(written)}));
      return 128 + Interrupt.Signal.load();
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string notAdded =
      problems > 0 ? TextOf(clitexts::kNotAdded, problems).toStdString() : std::string();
  Console.Print(
      FormatText(clitexts::kSummary, {FilesWritten(written), std::to_string(failed),
                                      std::to_string(skipped), notAdded, ClockText(seconds)}));
  return failed > 0 || problems > 0 ? kExitFailed : kExitConverted;
}

}  // namespace corvane
