#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace corvane {

// Why a source could not deliver its audio, whatever its format, so that whoever tells the
// user needs no codec library's error numbers.
enum class TSourceFault {
  Unknown,
  Unreadable,     // the file cannot be opened or read
  NotThisFormat,  // not a file of the source's format
  Unsupported,    // of the format, but a version or layout the decoder does not take
  Damaged,        // the data is damaged or ends before its declared length
  OutOfMemory,
};

// A failure of a source's decoder.
class ESourceError : public std::runtime_error {
 public:
  ESourceError(const std::string& Message, TSourceFault Fault, std::string FileName = {},
               double DamagedAt = -1)
      : std::runtime_error(Message),
        FFault(Fault),
        FFileName(std::move(FileName)),
        FDamagedAt(DamagedAt) {}

  TSourceFault Fault() const noexcept { return FFault; }
  // The file the decoder was reading, when it says (a track's audio may span files).
  const std::string& FileName() const noexcept { return FFileName; }
  // Seconds into that file where its data broke; below 0 when not known.
  double DamagedAt() const noexcept { return FDamagedAt; }

 private:
  TSourceFault FFault;
  std::string FFileName;
  double FDamagedAt;
};

// A file whose sample rate the FLAC files we write cannot carry: none at all, or more than a
// FLAC frame header can name.
class ESampleRateError : public ESourceError {
 public:
  ESampleRateError(int64_t Rate, std::string FileName)
      : ESourceError("Sample rate " + std::to_string(Rate) + " Hz cannot be written to FLAC",
                     TSourceFault::Unsupported, std::move(FileName)),
        FRate(Rate) {}
  int64_t Rate() const noexcept { return FRate; }

 private:
  int64_t FRate;
};

}  // namespace corvane
