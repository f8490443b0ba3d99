#pragma once

#include <string>
#include <utility>

#include "File.h"

namespace corvane {

// How a tag or metadata reader ended. Every reader follows one rule: it never throws and
// leaves nothing in errno; it says here what it found, with a message for the user that names
// the file.
enum class TReadOutcome {
  Read,           // read whole
  Damaged,        // the file has the format but breaks it; the reader says what it kept
  NotThisFormat,  // no such tag in the file, or no FLAC stream
  FileFailed,     // the file could not be opened or read; ErrorCode has the system's cause
};

struct TReadStatus {
  TReadOutcome Outcome = TReadOutcome::Read;
  std::string Message;  // empty when read whole
  int ErrorCode = 0;    // the system's error number of a FileFailed, for the user's words

  bool Whole() const { return Outcome == TReadOutcome::Read; }
  explicit operator bool() const { return Whole(); }

  static TReadStatus NotThisFormat(std::string Message) {
    return {TReadOutcome::NotThisFormat, std::move(Message), 0};
  }
  static TReadStatus Damaged(std::string Message) {
    return {TReadOutcome::Damaged, std::move(Message), 0};
  }
  static TReadStatus FileFailed(const TFileError& Error) {
    return {TReadOutcome::FileFailed, Error.Message, Error.Code};
  }
};

}  // namespace corvane
