#include "ACSConverter.h"

#include <thread>

namespace corvane {

TACSConverter::~TACSConverter() {
  if (TACSInput* input = FInput.load()) input->RemoveUser(this);
}

void TACSConverter::StoreInput(TACSInput* New) {
  TACSInput* old = FInput.exchange(New);
  if (old == New) return;
  if (old != nullptr) old->RemoveUser(this);
  if (New != nullptr) New->AddUser(this);
}

void TACSConverter::SetInput(TACSInput* New) {
  if (New == this) return;
  if (!Busy()) {
    StoreInput(New);
    return;
  }
  TACSInput* old = FInput.load();
  if (New != nullptr) New->BeginRead();
  LockInput();
  StoreInput(New);
  UnlockInput();
  if (old != nullptr && old != New) old->EndRead();
}

void TACSConverter::UnlockChain() {
  UnlockInput();
  if (auto* upstream = dynamic_cast<TACSConverter*>(FInput.load())) upstream->UnlockChain();
}

void TACSConverter::LockInput() {
  while (FInputLock.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
}

void TACSConverter::UnlockInput() { FInputLock.clear(std::memory_order_release); }

void TACSConverter::InputRemoved(TACSInput* Removed) {
  LockInput();
  if (FInput.load() == Removed) FInput = nullptr;
  UnlockInput();
}

}  // namespace corvane
