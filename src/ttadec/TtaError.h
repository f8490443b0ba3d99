#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvane::ttadec {

// Why a TTA file could not be decoded, in terms whoever tells the user can map to their own.
enum class TTtaFault {
  NotThisFormat,  // no TTA1 header where one must be
  Unsupported,    // a TTA file of a kind we do not decode (encrypted, many channels, ...)
  Damaged,        // a header, the seek table or a frame fails its check, or the file is cut short
  Unreadable,     // the file cannot be opened or read
};

// The one exception the decoder raises for a file it cannot decode.
class ETtaError : public std::runtime_error {
 public:
  ETtaError(TTtaFault Fault, const std::string& Message, int64_t Sample = -1)
      : std::runtime_error(Message), FFault(Fault), FSample(Sample) {}

  TTtaFault Fault() const noexcept { return FFault; }
  // For damage: the first sample frame that cannot be delivered (0 when the header or the
  // seek table is damaged); -1 for the other faults.
  int64_t Sample() const noexcept { return FSample; }

 private:
  TTtaFault FFault;
  int64_t FSample;
};

// Damage in TTA frame Frame, which starts at sample frame FirstSample: "TTA frame 3 (from
// sample 138240) " followed by What.
inline ETtaError FrameError(int64_t Frame, int64_t FirstSample, const std::string& What) {
  return ETtaError(TTtaFault::Damaged,
                   "TTA frame " + std::to_string(Frame) + " (from sample " +
                       std::to_string(FirstSample) + ") " + What,
                   FirstSample);
}

}  // namespace corvane::ttadec
