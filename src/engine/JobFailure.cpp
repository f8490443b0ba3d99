#include "JobFailure.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "ACSException.h"
#include "AppTexts.h"
#include "JobLine.h"
#include "MACDllApi.h"
#include "MACIn.h"

namespace corvane {
namespace {

std::string MinutesSeconds(double Seconds) {
  const auto whole = static_cast<long long>(std::floor(Seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
  return text;
}

std::string SourceCause(const TFailure& Failure, const std::string& Source) {
  if (Failure.DamagedAt >= 0) {
    return FormatText(texts::kCauseDamagedAt, {MinutesSeconds(Failure.DamagedAt)});
  }
  switch (Failure.DecoderCode) {
    case MAC_ERROR_IO_READ: {
      // The decoder does not say why it could not open the file; opening it ourselves does.
      const std::string why = WhyUnreadable(Source);
      return why.empty() ? texts::kCauseUnreadable : why;
    }
    case MAC_ERROR_INVALID_INPUT_FILE:
    case 1005:  // unsupported bit depth
    case 1006:  // unsupported sample rate
    case 1007:  // unsupported channel count
    case 1008:  // too small
    case 1013:  // unsupported file type
      return texts::kCauseNotApe;
    case 1009:  // invalid checksum
    case MAC_ERROR_DECOMPRESSING_FRAME:
      return texts::kCauseDamaged;
    case MAC_ERROR_INSUFFICIENT_MEMORY:
      return texts::kCauseOutOfMemory;
    default:
      return {};
  }
}

}  // namespace

std::string FormatText(const char* Text, std::initializer_list<std::string> Arguments) {
  std::string out = Text;
  int number = 1;
  for (const std::string& argument : Arguments) {
    const std::string mark = "%" + std::to_string(number++);
    const size_t at = out.find(mark);
    if (at != std::string::npos) out.replace(at, mark.size(), argument);
  }
  return out;
}

TFailure FailureOf(const std::exception& E) {
  TFailure failure;
  failure.Text = E.what();
  if (const auto* file = dynamic_cast<const EFileError*>(&E)) {
    // The sink's and the tag step's files: all of them stand for the job's output.
    failure.Side = TFailure::TSide::Output;
    failure.ErrorCode = file->ErrorCode();
  } else if (const auto* decoder = dynamic_cast<const EAPEException*>(&E)) {
    failure.Side = TFailure::TSide::Source;
    failure.DecoderCode = decoder->Code();
    if (const auto* data = dynamic_cast<const EAPEDataError*>(&E)) {
      failure.DamagedAt = data->Seconds();
      failure.File = data->FileName();
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
        return texts::kCauseFolderNotFound;
      }
      return texts::kCauseNotFound;
    }
    case EACCES:
    case EPERM:
      return texts::kCausePermissionDenied;
    case EROFS:
      return texts::kCauseReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return texts::kCauseDiskFull;
    case EISDIR:
      return texts::kCauseFolderInTheWay;
    case ENOMEM:
      return texts::kCauseOutOfMemory;
    default:
      return {};
  }
}

std::string WhyUnreadable(const std::string& File) {
  const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  const int error = errno;
  const std::string cause = CauseOfErrorCode(error, File);
  return cause.empty() ? texts::kCauseUnreadable : cause;
}

TFailureReport DescribeFailure(const TFailure& Failure, const TJobNames& Names) {
  std::string file;
  std::string cause;
  switch (Failure.Side) {
    case TFailure::TSide::Source:
      file = Failure.File.empty() ? Names.Source : Failure.File;
      cause = SourceCause(Failure, file);
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
  if (!file.empty()) report.Message += "\n" + std::string(texts::kFailureFile) + file;
  if (!cause.empty()) report.Message += "\n" + std::string(texts::kFailureCause) + cause;
  if (!Names.Job.empty() && Names.Job != file) {
    report.Message += "\n" + std::string(texts::kFailureJob) + Names.Job;
  }
  if (!file.empty() && !cause.empty()) {
    report.Summary = ExtractFileName(file) + "：" + cause;
  } else {
    const std::string what = Names.Job.empty() ? file : Names.Job;
    report.Summary = (what.empty() ? std::string() : ExtractFileName(what) + "：") + Failure.Text;
  }
  return report;
}

}  // namespace corvane
