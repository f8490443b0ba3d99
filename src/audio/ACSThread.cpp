#include "ACSThread.h"

#include <chrono>
#include <utility>

#include "MainThreadHandoff.h"

namespace corvane {

// One call handed to the user-interface thread. The worker waits on it; destroying the output
// cancels a call that has not started, so the worker is never left waiting for a thread that
// is itself waiting to join the worker.
class THandoffCall {
 public:
  void Run(const std::function<void()>& Call) {
    {
      std::lock_guard lock(FMutex);
      if (FState == State::Cancelled) return;
      FState = State::Running;
    }
    try {
      Call();
    } catch (...) {
      FError = std::current_exception();
    }
    {
      std::lock_guard lock(FMutex);
      FState = State::Finished;
    }
    FChanged.notify_all();
  }

  void Cancel() {
    {
      std::lock_guard lock(FMutex);
      if (FState == State::Queued) FState = State::Cancelled;
    }
    FChanged.notify_all();
  }

  bool Wait() {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this] { return FState == State::Finished || FState == State::Cancelled; });
    if (FState == State::Cancelled) return false;
    // Taken out of the shared state so the exception dies on this thread, never on the
    // user-interface thread while this one still reads it.
    if (std::exception_ptr error = std::exchange(FError, nullptr)) std::rethrow_exception(error);
    return true;
  }

 private:
  enum class State { Queued, Running, Finished, Cancelled };
  std::mutex FMutex;
  std::condition_variable FChanged;
  State FState = State::Queued;
  std::exception_ptr FError;
};

TACSThread::TACSThread(TACSOutput& Owner) : FOwner(Owner), FThread([this] { Execute(); }) {}

TACSThread::~TACSThread() {
  {
    std::lock_guard lock(FStateMutex);
    FExitRequested = true;
    if (FPendingCall) FPendingCall->Cancel();
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
}

bool TACSThread::Suspended() const {
  std::lock_guard lock(FStateMutex);
  return FSuspended;
}

bool TACSThread::Parked() const {
  std::lock_guard lock(FStateMutex);
  return FParked;
}

void TACSThread::Suspend() {
  std::lock_guard lock(FStateMutex);
  FSuspended = true;
}

void TACSThread::Resume() {
  {
    std::lock_guard lock(FStateMutex);
    if (!FSuspended) return;
    FSuspended = false;
  }
  FWake.notify_all();
}

void TACSThread::Execute() {
  for (;;) {
    {
      std::unique_lock lock(FStateMutex);
      FParked = true;
      FWake.wait(lock, [this] { return !FSuspended || FExitRequested; });
      FParked = false;
      if (FExitRequested) break;
    }
    RunCycle();
  }
  // Leaving with a run open (the window closes mid-batch): finish it so the file is complete
  // and closed. No done notification: nobody is left to hear it.
  try {
    FOwner.EndRun();
  } catch (...) {
    FOwner.FCanOutput = false;
    FOwner.FBusy = false;
  }
}

void TACSThread::RunCycle() {
  const int delay = LoopDelay.load();
  if (delay > 5) FOwner.SleepBetweenCycles(std::chrono::milliseconds(delay));
  try {
    if (FOwner.Progress() != FOwner.FLastProgress) {
      FOwner.FLastProgress = FOwner.Progress();
      if (FOwner.FOnProgress) {
        if (!RunOnMainThread([this] { FOwner.FOnProgress(FOwner); })) return;
      }
    }
    const bool more = FOwner.ProcessBlock(StopRequested.load());
    if (StopRequested.load() || !more) {
      StopRequested = false;
      FOwner.EndRun();
      const TVerySmallThread carrier(FOwner.FOnDone, FOwner);
      // The worker counts as suspended from the moment the handler has returned, on the
      // user-interface thread: a Start made inside the handler finds it running and leaves the
      // new run paused, while a Start made any time later finds it suspended and wakes it.
      RunOnMainThread([this, &carrier] {
        carrier.Execute();
        if (SuspendWhenIdle.load()) Suspend();
      });
    }
  } catch (const std::exception& E) {
    StopRequested = false;
    // Suspended before the failure is reported, so a Start made in reaction to the report
    // wakes the worker instead of leaving the new run paused.
    if (SuspendWhenIdle.load()) Suspend();
    FOwner.HandleFailure(E);
  }
}

bool TACSThread::RunOnMainThread(std::function<void()> Call) {
  TMainThreadHandoff* handoff = Handoff.load();
  if (handoff == nullptr) {
    Call();
    return true;
  }
  auto pending = std::make_shared<THandoffCall>();
  {
    std::lock_guard lock(FStateMutex);
    if (FExitRequested) return false;
    FPendingCall = pending;
  }
  handoff->Post([pending, Call = std::move(Call)] { pending->Run(Call); });
  bool ran = false;
  try {
    ran = pending->Wait();
  } catch (...) {
    std::lock_guard lock(FStateMutex);
    FPendingCall.reset();
    throw;
  }
  std::lock_guard lock(FStateMutex);
  FPendingCall.reset();
  return ran;
}

}  // namespace corvane
