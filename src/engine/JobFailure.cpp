#include "JobFailure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "ACSException.h"
#include "AppTexts.h"
#include "Disc.h"
#include "InputFormats.h"
#include "Job.h"
#include "Language.h"
#include "PathNames.h"
#include "TextFormat.h"

namespace corvane {
namespace {

std::string MinutesSeconds(double Seconds) {
  const auto whole = static_cast<long long>(std::floor(Seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string SourceCauseOf(const TFailure& Failure, const std::string& Source) {
  if (Failure.SampleRate >= 0) {
    return FormatText(texts::kCauseSampleRate, {std::to_string(Failure.SampleRate)});
  }
  if (Failure.DamagedAt >= 0) {
    return FormatText(texts::kCauseDamagedAt, {MinutesSeconds(Failure.DamagedAt)});
  }
  switch (Failure.SourceFault) {
    case TSourceFault::Unreadable: {
      // The decoder does not say why it could not open the file; opening it ourselves does.
      const std::string why = WhyUnreadable(Source);
      return why.empty() ? TranslatedText(texts::kCauseUnreadable) : why;
    }
    case TSourceFault::NotThisFormat:
    case TSourceFault::Unsupported:
      return FormatText(texts::kCauseNotOfFormat, {FormatShortName(Source)});
    case TSourceFault::Damaged:
      return TranslatedText(texts::kCauseDamaged);
    case TSourceFault::OutOfMemory:
      return TranslatedText(texts::kCauseOutOfMemory);
    case TSourceFault::Unknown:
      return {};
  }
  return {};
}

namespace {

// The audio file a cue track's failure is about: the first of its files that cannot be
// opened, else the one it starts in.
std::string CueTrackAudioFile(const TJob& Job) {
  std::vector<std::string> files;
  for (const TAudioSegment& segment : Job.Audio) files.push_back(segment.FileName);
  if (files.empty() && Job.Disc && Job.Disc->Sheet()) {
    for (const TCueSpan& span : TrackSpans(*Job.Disc->Sheet(), Job.Track)) {
      files.push_back(Job.Disc->Sheet()->Files.at(static_cast<size_t>(span.File)).Path);
    }
  }
  for (const std::string& file : files) {
    if (!WhyUnreadable(file).empty()) return file;
  }
  return files.empty() ? std::string() : files.front();
}

}  // namespace

TFailure FailureOf(const std::exception& E) {
  TFailure failure;
  failure.Text = E.what();
  if (const auto* file = dynamic_cast<const EFileError*>(&E)) {
    // The sink's and the tag step's files: all of them stand for the job's output.
    failure.Side = TFailure::TSide::Output;
    failure.ErrorCode = file->ErrorCode();
  } else if (const auto* source = dynamic_cast<const ESourceError*>(&E)) {
    failure.Side = TFailure::TSide::Source;
    failure.SourceFault = source->Fault();
    failure.DamagedAt = source->DamagedAt();
    failure.File = source->FileName();
    if (const auto* rate = dynamic_cast<const ESampleRateError*>(source)) {
      failure.SampleRate = rate->Rate();
    }
  }
  return failure;
}

std::string CauseOfErrorCode(int ErrorCode, const std::string& File) {
  switch (ErrorCode) {
    case ENOENT:
    case ENOTDIR: {
      std::error_code ignored;
      const std::string folder = ExtractFilePath(File);
      if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
        // A file where a folder of the path should be is not a missing folder.
        for (std::filesystem::path part(folder); !part.empty() && part != part.parent_path();
             part = part.parent_path()) {
          const auto type = std::filesystem::status(part, ignored).type();
          if (type == std::filesystem::file_type::not_found) continue;
          if (type != std::filesystem::file_type::directory) {
            return FormatText(texts::kCauseNotAFolder, {part.string()});
          }
          break;
        }
        return TranslatedText(texts::kCauseFolderNotFound);
      }
      return TranslatedText(texts::kCauseNotFound);
    }
    case EACCES:
    case EPERM:
      return TranslatedText(texts::kCausePermissionDenied);
    case EROFS:
      return TranslatedText(texts::kCauseReadOnly);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return TranslatedText(texts::kCauseDiskFull);
    case EISDIR:
      return TranslatedText(texts::kCauseFolderInTheWay);
    case ENOMEM:
      return TranslatedText(texts::kCauseOutOfMemory);
    default:
      return {};
  }
}

bool IsSpecialFile(const std::string& File) {
  struct stat status {};
  return ::stat(File.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

std::string WhyUnreadable(const std::string& File) {
  if (IsSpecialFile(File)) return TranslatedText(texts::kCauseNotAFile);
  // Never waits: a pipe would block an open without a writer.
  const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  const int error = errno;
  const std::string cause = CauseOfErrorCode(error, File);
  return cause.empty() ? TranslatedText(texts::kCauseUnreadable) : cause;
}

TFailureReport DescribeFailure(const TFailure& Failure, const TJobNames& Names) {
  std::string file;
  std::string cause;
  switch (Failure.Side) {
    case TFailure::TSide::Source:
      file = Failure.File.empty() ? Names.Source : Failure.File;
      cause = SourceCauseOf(Failure, file);
      break;
    case TFailure::TSide::Output:
      file = Names.Output;
      cause = CauseOfErrorCode(Failure.ErrorCode, Names.Output);
      break;
    case TFailure::TSide::Unknown:
      break;
  }
  TFailureReport report;
  report.Message = Failure.Text;
  if (!file.empty()) report.Message += "\n" + TranslatedText(texts::kFailureFile) + file;
  if (!cause.empty()) report.Message += "\n" + TranslatedText(texts::kFailureCause) + cause;
  if (!Names.Job.empty() && Names.Job != file) {
    report.Message += "\n" + TranslatedText(texts::kFailureJob) + Names.Job;
  }
  if (!file.empty() && !cause.empty()) {
    report.Summary = ExtractFileName(file) + TranslatedText(texts::kColon) + cause;
  } else {
    const std::string what = Names.Job.empty() ? file : Names.Job;
    report.Summary =
        (what.empty() ? std::string() : ExtractFileName(what) + TranslatedText(texts::kColon)) +
        Failure.Text;
  }
  return report;
}

TJobNames NamesOfJob(const TJob& Job) {
  TJobNames names;
  names.Output = Job.Output;
  if (Job.Kind == TJobKind::PlainFile || !Job.Disc) {
    names.Job = names.Source = Job.Text;
    return names;
  }
  names.Job = FormatText(texts::kCueTrackJob, {Job.Disc->Source(), std::to_string(Job.Track + 1)});
  names.Source = CueTrackAudioFile(Job);
  return names;
}

TFailureReport DescribeJobFailure(const TFailure& Failure, const TJob& Job) {
  return DescribeFailure(Failure, NamesOfJob(Job));
}

}  // namespace corvane
