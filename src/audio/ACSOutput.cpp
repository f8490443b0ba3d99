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
}

void TACSOutput::ShutdownWorker() {
  FWorker.reset();
}

void TACSOutput::SetMainThreadHandoff(TMainThreadHandoff* Handoff) {
  if (FWorker) FWorker->Handoff = Handoff;
}

void TACSOutput::SetInput(TACSInput* New) {
  FInput.Set(New, Busy());
}

void TACSOutput::Start() {
  if (Busy()) throw EACSException("Component is Busy");
  if (FInput.Get() == nullptr) throw EACSException(kInputNotAssigned);
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
  const TACSInput* input = FInput.Get();
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

bool TACSOutput::WorkerParked() const {
  return FWorker && FWorker->Parked();
}

void TACSOutput::SleepBetweenCycles(std::chrono::milliseconds Pause) {
  std::this_thread::sleep_for(Pause);
}

int TACSOutput::LoopDelay() const {
  return FWorker ? FWorker->LoopDelay.load() : 0;
}

bool TACSOutput::SuspendWhenIdle() const {
  return FWorker && FWorker->SuspendWhenIdle.load();
}

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
    if (auto* converter = dynamic_cast<TACSConverter*>(FInput.Get())) {
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
