#include "ACSOutput.h"

#include <cmath>
#include <thread>

#include "ACSConverter.h"
#include "ACSException.h"
#include "ACSThread.h"

namespace corvane {

TACSOutput::TACSOutput() : FWorker(std::make_unique<TACSThread>(*this)) {}

TACSOutput::~TACSOutput() {
  ShutdownWorker();
  if (TACSInput* input = FInput.load()) input->RemoveUser(this);
}

void TACSOutput::ShutdownWorker() { FWorker.reset(); }

void TACSOutput::SetMainThreadHandoff(TMainThreadHandoff* Handoff) {
  if (FWorker) FWorker->Handoff = Handoff;
}

void TACSOutput::StoreInput(TACSInput* New) {
  TACSInput* old = FInput.exchange(New);
  if (old == New) return;
  if (old != nullptr) old->RemoveUser(this);
  if (New != nullptr) New->AddUser(this);
}

void TACSOutput::SetInput(TACSInput* New) {
  if (!Busy()) {
    StoreInput(New);
    return;
  }
  // Swap during a run: the new source is opened before the old one is let go, and never in
  // the middle of a read.
  TACSInput* old = FInput.load();
  if (New != nullptr) New->BeginRead();
  LockInput();
  StoreInput(New);
  UnlockInput();
  if (old != nullptr && old != New) old->EndRead();
}

void TACSOutput::InputRemoved(TACSInput* Removed) {
  // The source is being destroyed: wait out a read in progress, then forget it. A sink whose
  // Input is gone during a run sees the end of its data.
  LockInput();
  if (FInput.load() == Removed) FInput = nullptr;
  UnlockInput();
}

void TACSOutput::LockInput() {
  while (FInputLock.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
}

void TACSOutput::UnlockInput() { FInputLock.clear(std::memory_order_release); }

void TACSOutput::Start() {
  if (Busy()) throw EACSException("Component is Busy");
  if (FInput.load() == nullptr) throw EACSException("Input is not assigned");
  UnlockInput();
  try {
    PrepareOutput();
  } catch (const std::exception& E) {
    HandleFailure(E);
    return;
  }
  FBusy = true;
  FWorker->StopRequested = false;
  FCanOutput = true;
  FWorker->Resume();
}

void TACSOutput::Stop() {
  if (FWorker) FWorker->StopRequested = true;
}

void TACSOutput::Pause() {
  if (FWorker) FWorker->Suspend();
}

void TACSOutput::Resume() {
  if (FWorker) FWorker->Resume();
}

TOutputStatus TACSOutput::Status() const {
  if (!Busy()) return osIdle;
  return FWorker && FWorker->Suspended() ? osPaused : osRunning;
}

int TACSOutput::Progress() const {
  const TACSInput* input = FInput.load();
  if (input == nullptr) return 0;
  const int64_t size = input->Size();
  if (size == -1) return -1;
  if (size == 0) return 0;
  // nearbyint rounds halves to the even neighbour: 1 of 8 gives 12, 3 of 8 gives 38.
  return static_cast<int>(
      std::nearbyint(static_cast<double>(input->Position()) / static_cast<double>(size) * 100.0));
}

void TACSOutput::SetLoopDelay(int Value) {
  if (FWorker && Value <= 100) FWorker->LoopDelay = Value;
}

int TACSOutput::LoopDelay() const { return FWorker ? FWorker->LoopDelay.load() : 0; }

bool TACSOutput::SuspendWhenIdle() const { return FWorker && FWorker->SuspendWhenIdle.load(); }

void TACSOutput::SetSuspendWhenIdle(bool Value) {
  if (FWorker) FWorker->SuspendWhenIdle = Value;
}

void TACSOutput::EndRun() {
  if (!Busy()) return;
  FCanOutput = false;
  FinishOutput();
  FBusy = false;
}

void TACSOutput::HandleFailure(const std::exception& E) {
  UnlockInput();
  if (Status() != osIdle) {
    if (auto* converter = dynamic_cast<TACSConverter*>(FInput.load())) {
      try {
        converter->UnlockChain();
      } catch (...) {
      }
    }
    FRunFailed = true;
    try {
      FinishOutput();
    } catch (...) {
    }
    FRunFailed = false;
  }
  FCanOutput = false;
  FBusy = false;
  if (FOnThreadException) FOnThreadException(*this, E);
}

}  // namespace corvane
