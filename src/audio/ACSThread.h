#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ACSOutput.h"

namespace corvane {

class THandoffCall;

// The worker of one output. It is "suspended" by parking at the top of its cycle: Pause and
// the end of every run set the flag, and the worker waits there until Resume clears it.
// docs/threads.md tells the whole life of a job across the threads.
class TACSThread {
 public:
  explicit TACSThread(TACSOutput& Owner);
  TACSThread(const TACSThread&) = delete;
  TACSThread& operator=(const TACSThread&) = delete;
  // Requests the exit, drops a pending hand-off and joins.
  ~TACSThread();

  bool Suspended() const;
  // Waiting at the top of the cycle.
  bool Parked() const;
  void Suspend();
  void Resume();

  std::atomic<bool> SuspendWhenIdle{true};
  // Set by Stop, cleared by Start and by the worker when it ends a run.
  std::atomic<bool> StopRequested{false};
  std::atomic<int> LoopDelay{0};
  // Not owned; null runs the hand-offs on the worker itself.
  std::atomic<TMainThreadHandoff*> Handoff{nullptr};

 private:
  void Execute();
  void RunCycle();
  // Runs Call on the user-interface thread and waits; false when the wait was abandoned
  // because the output is being destroyed. An exception of Call is rethrown here.
  bool RunOnMainThread(std::function<void()> Call);

  TACSOutput& FOwner;
  // Guards FSuspended, FParked, FExitRequested and FPendingCall; written by both threads.
  mutable std::mutex FStateMutex;
  std::condition_variable FWake;
  bool FSuspended = true;
  bool FParked = false;
  bool FExitRequested = false;
  std::shared_ptr<THandoffCall> FPendingCall;
  std::thread FThread;  // last: starts after everything above exists
};

// Carries one done notification of an output to the user-interface thread.
class TVerySmallThread {
 public:
  TVerySmallThread(TOutputDoneEvent Handler, TACSOutput& Output)
      : DoneHandler(std::move(Handler)), Sender(Output) {}
  void Execute() const {
    if (DoneHandler) DoneHandler(Sender);
  }

  TOutputDoneEvent DoneHandler;
  TACSOutput& Sender;
};

}  // namespace corvane
