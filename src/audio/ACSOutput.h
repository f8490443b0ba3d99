#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>

#include "ACSInput.h"
#include "InputSlot.h"

namespace corvane {

class TACSOutput;
class TACSThread;
class TMainThreadHandoff;

enum TOutputStatus { osRunning = 0, osPaused = 1, osIdle = 2 };

using TOutputDoneEvent = std::function<void(TACSOutput& Sender)>;
using TOutputProgressEvent = std::function<void(TACSOutput& Sender)>;
using TThreadExceptionEvent = std::function<void(TACSOutput& Sender, const std::exception& E)>;

// An audio sink with its own worker thread, which pulls one block from Input per cycle.
//
// Threads: Start, Stop, Pause, Resume, the setters and destruction belong to the
// user-interface thread; ProcessBlock and FinishOutput run on the worker. OnProgress and OnDone
// are handed to the user-interface thread through the handoff, the worker waiting;
// OnThreadException runs on the thread that caught the failure.
//
// A concrete sink must call ShutdownWorker() first thing in its destructor, so that the worker
// never calls into a half-destroyed object.
class TACSOutput {
 public:
  TACSOutput();
  TACSOutput(const TACSOutput&) = delete;
  TACSOutput& operator=(const TACSOutput&) = delete;
  virtual ~TACSOutput();

  TACSInput* Input() const { return FInput.Get(); }
  virtual void SetInput(TACSInput* New);

  void Start();
  void Stop();
  void Pause();
  void Resume();
  TOutputStatus Status() const;
  // Percent of the input's read pass delivered; -1 for a source of unknown size.
  int Progress() const;
  // Milliseconds the worker sleeps per cycle; values above 100 are ignored, 5 or less is none.
  void SetLoopDelay(int Value);
  int LoopDelay() const;
  bool SuspendWhenIdle() const;
  void SetSuspendWhenIdle(bool Value);
  bool Busy() const { return FBusy.load(); }
  // The worker waits at the top of its cycle (paused, or idle between runs).
  bool WorkerParked() const;

  void SetOnDone(TOutputDoneEvent Handler) { FOnDone = std::move(Handler); }
  void SetOnProgress(TOutputProgressEvent Handler) { FOnProgress = std::move(Handler); }
  void SetOnThreadException(TThreadExceptionEvent Handler) {
    FOnThreadException = std::move(Handler);
  }
  // Where OnProgress and OnDone run. Without one they run on the worker itself. Not owned; it
  // must outlive this output.
  void SetMainThreadHandoff(TMainThreadHandoff* Handoff);

 protected:
  // Sink hooks. PrepareOutput runs on the caller of Start before the run counts as busy;
  // ProcessBlock once per worker cycle (true: more to do); FinishOutput when a run ends,
  // also after a failure (then its errors are swallowed), so it must cope with a run that
  // was torn down half-way.
  virtual void PrepareOutput() = 0;
  virtual bool ProcessBlock(bool Abort) = 0;
  virtual void FinishOutput() = 0;
  // The worker's pause between cycles that the loop delay asks for.
  virtual void SleepBetweenCycles(std::chrono::milliseconds Pause);

  bool CanOutput() const { return FCanOutput.load(); }
  // True while FinishOutput closes a run that failed, rather than one that ended or stopped.
  bool RunFailed() const { return FRunFailed; }
  // Held while a reader takes data from Input, and by SetInput while it swaps Input.
  void LockInput() { FInput.Lock(); }
  void UnlockInput() { FInput.Unlock(); }
  class TInputLockScope {
   public:
    explicit TInputLockScope(TACSOutput& Output) : FOutput(Output) { FOutput.LockInput(); }
    ~TInputLockScope() { FOutput.UnlockInput(); }
    TInputLockScope(const TInputLockScope&) = delete;
    TInputLockScope& operator=(const TInputLockScope&) = delete;

   private:
    TACSOutput& FOutput;
  };
  // Stops the worker: a run in progress is ended (FinishOutput, no OnDone), a pending
  // hand-off to the user-interface thread is dropped, and the thread is joined.
  void ShutdownWorker();

 private:
  friend class TACSThread;

  void EndRun();
  void HandleFailure(const std::exception& E);

  std::unique_ptr<TACSThread> FWorker;
  // Set by the user-interface thread (under the input lock during a run), read by the worker.
  TInputSlot FInput;
  std::atomic<bool> FBusy{false};
  std::atomic<bool> FCanOutput{false};
  // Read and written by the worker only.
  int FLastProgress = 0;
  bool FRunFailed = false;
  TOutputDoneEvent FOnDone;
  TOutputProgressEvent FOnProgress;
  TThreadExceptionEvent FOnThreadException;
};

}  // namespace corvane
