#include "InputSlot.h"

#include <thread>

namespace corvane {

TInputSlot::~TInputSlot() {
  if (TACSInput* input = FInput.load()) input->RemoveUser(this);
}

void TInputSlot::Store(TACSInput* New) {
  TACSInput* old = FInput.exchange(New);
  if (old == New) return;
  if (old != nullptr) old->RemoveUser(this);
  if (New != nullptr) New->AddUser(this);
}

void TInputSlot::Set(TACSInput* New, bool Running) {
  if (!Running) {
    Store(New);
    return;
  }
  TACSInput* old = FInput.load();
  if (New != nullptr) New->BeginRead();
  Lock();
  Store(New);
  Unlock();
  if (old != nullptr && old != New) old->EndRead();
}

void TInputSlot::Lock() {
  while (FLock.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
}

void TInputSlot::Unlock() {
  FLock.clear(std::memory_order_release);
}

void TInputSlot::InputRemoved(TACSInput* Removed) {
  // Waits out a read in progress, then forgets the source: a reader whose source is gone sees
  // the end of its data.
  Lock();
  if (FInput.load() == Removed) FInput = nullptr;
  Unlock();
}

}  // namespace corvane
