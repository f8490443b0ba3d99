#pragma once

#include <atomic>

#include "ACSInput.h"

namespace corvane {

// Where a sink or a filter holds its source. The slot is one of the source's users, so it
// forgets a source that is destroyed; and it has the input lock, which a reader holds while it
// takes data, so that a source is never swapped or forgotten in the middle of a read.
//
// Threads: Set belongs to the user-interface thread; Lock, Get and Unlock to the reader (the
// worker during a run); a source being destroyed calls in from the thread destroying it.
class TInputSlot final : private TACSInputUser {
 public:
  TInputSlot() = default;
  TInputSlot(const TInputSlot&) = delete;
  TInputSlot& operator=(const TInputSlot&) = delete;
  ~TInputSlot();

  TACSInput* Get() const { return FInput.load(); }
  // Replaces the source. During a run (Running) the new source's read pass begins before the
  // old one's ends, and the swap waits for a read in progress.
  void Set(TACSInput* New, bool Running);
  void Lock();
  void Unlock();

 private:
  void InputRemoved(TACSInput* Removed) override;
  void Store(TACSInput* New);

  // Written by Set (under the lock during a run) and by a source being destroyed (under the
  // lock), read by the reader.
  std::atomic<TACSInput*> FInput{nullptr};
  std::atomic_flag FLock = ATOMIC_FLAG_INIT;
};

}  // namespace corvane
