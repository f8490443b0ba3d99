#pragma once

#include "ACSInput.h"
#include "InputSlot.h"

namespace corvane {

// A source that is itself fed by an Input (a filter). It keeps the swap protocol and the lock
// chain that sinks rely on: a sink that fails while a filter holds its input lock unlocks the
// whole chain upstream of it (UnlockChain), so no source stays locked after the failure.
class TACSConverter : public TACSInput {
 public:
  TACSInput* Input() const { return FInput.Get(); }
  // A converter never reads from itself.
  virtual void SetInput(TACSInput* New);
  // Clears InputLock here and, recursively, in every converter upstream.
  void UnlockChain();

 protected:
  void LockInput() { FInput.Lock(); }
  void UnlockInput() { FInput.Unlock(); }

 private:
  TInputSlot FInput;
};

}  // namespace corvane
