#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "File.h"

namespace corvane {

// Misuse the components refuse, in their own words.
inline constexpr const char* kInputNotAssigned = "Input is not assigned";
inline constexpr const char* kSourceBusy = "The component is Busy";
inline constexpr const char* kRangeOutsideFile = "The sample range lies outside the file";

// Misuse of an audio component, or a failure of one of the codec components.
class EACSException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file operation that failed. The file and the system's error number travel with the
// message, so that whoever shows it can say which file and why in the user's own words.
class EFileError : public EACSException {
 public:
  EFileError(const std::string& Message, std::string FileName, int ErrorCode)
      : EACSException(Message), FFileName(std::move(FileName)), FErrorCode(ErrorCode) {}
  explicit EFileError(const TFileError& Error)
      : EFileError(Error.Message, Error.FileName, Error.Code) {}

  const std::string& FileName() const noexcept { return FFileName; }
  // errno of the failed call.
  int ErrorCode() const noexcept { return FErrorCode; }

 private:
  std::string FFileName;
  int FErrorCode;
};

}  // namespace corvane
