#include "ACSConverter.h"

namespace corvane {

void TACSConverter::SetInput(TACSInput* New) {
  if (New == this) return;
  FInput.Set(New, Busy());
}

void TACSConverter::UnlockChain() {
  UnlockInput();
  if (auto* upstream = dynamic_cast<TACSConverter*>(FInput.Get())) upstream->UnlockChain();
}

}  // namespace corvane
