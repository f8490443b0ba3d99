#pragma once

#include <atomic>

#include "ACSInput.h"

namespace corvane {

// A source that is itself fed by an Input (a filter). It keeps the swap protocol and the lock
// chain that sinks rely on: a sink that fails while a filter holds its input lock unlocks the
// whole chain upstream of it (UnlockChain), so no source stays locked after the failure.
class TACSConverter : public TACSInput, private TACSInputUser {
 public:
  ~TACSConverter() override;

  TACSInput* Input() const { return FInput.load(); }
  virtual void SetInput(TACSInput* New);
  // Clears InputLock here and, recursively, in every converter upstream.
  void UnlockChain();

 protected:
  void LockInput();
  void UnlockInput();

 private:
  void InputRemoved(TACSInput* Removed) override;
  void StoreInput(TACSInput* New);

  std::atomic<TACSInput*> FInput{nullptr};
  std::atomic_flag FInputLock = ATOMIC_FLAG_INIT;
};

}  // namespace corvane
