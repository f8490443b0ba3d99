#pragma once

#include <chrono>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "ACSOutput.h"
#include "FrameworkDoubles.h"

namespace corvane::test {

// Runs a sink the way the window does: the waiting thread plays the user-interface thread
// through a TTestHandoff, so OnProgress and OnDone run on it (and the worker is parked again
// once they return, before the next Start); failures arrive from whichever thread caught them.
class TSinkRun {
 public:
  explicit TSinkRun(TACSOutput& Out) : FOut(Out) {
    Out.SetMainThreadHandoff(&FHandoff);
    Out.SetOnDone([this](TACSOutput&) {
      std::lock_guard lock(FMutex);
      ++FDone;
    });
    Out.SetOnThreadException([this](TACSOutput&, const std::exception& E) {
      std::lock_guard lock(FMutex);
      FErrors.push_back(E.what());
    });
  }
  ~TSinkRun() {
    FOut.SetOnDone(nullptr);
    FOut.SetOnThreadException(nullptr);
    FOut.SetMainThreadHandoff(nullptr);
  }
  TSinkRun(const TSinkRun&) = delete;
  TSinkRun& operator=(const TSinkRun&) = delete;

  // Starts a run and serves it until it ends: "" when it ended with OnDone, else its error.
  std::string Run() {
    FOut.Start();
    return Wait();
  }
  std::string Wait(std::chrono::seconds Timeout = std::chrono::seconds(300)) {
    if (!FHandoff.PumpUntil([this] { return Ends() > FSeen; }, Timeout)) return "timed out";
    ++FSeen;
    std::lock_guard lock(FMutex);
    return FErrors.empty() ? std::string() : FErrors.back();
  }
  int Done() {
    std::lock_guard lock(FMutex);
    return FDone;
  }
  size_t Errors() {
    std::lock_guard lock(FMutex);
    return FErrors.size();
  }

 private:
  size_t Ends() {
    std::lock_guard lock(FMutex);
    return static_cast<size_t>(FDone) + FErrors.size();
  }

  TACSOutput& FOut;
  TTestHandoff FHandoff;
  // Written by the user-interface thread (done) and by whichever thread failed (errors).
  std::mutex FMutex;
  int FDone = 0;
  std::vector<std::string> FErrors;
  size_t FSeen = 0;  // ends Wait has returned for; the waiting thread's own
};

}  // namespace corvane::test
