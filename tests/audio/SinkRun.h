#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ACSOutput.h"
#include "MainThreadHandoff.h"

namespace corvane::test {

// Runs a sink the way the window does: the waiting thread plays the user-interface thread, so
// OnProgress and OnDone run on it (and the worker is parked again once they return, before the
// next Start); failures arrive from whichever thread caught them.
class TSinkRun : public TMainThreadHandoff {
 public:
  explicit TSinkRun(TACSOutput& Out) : FOut(Out) {
    Out.SetMainThreadHandoff(this);
    Out.SetOnDone([this](TACSOutput&) { Note([this] { ++FDone; }); });
    Out.SetOnThreadException([this](TACSOutput&, const std::exception& E) {
      Note([this, what = std::string(E.what())] { FErrors.push_back(what); });
    });
  }
  ~TSinkRun() override {
    FOut.SetOnDone(nullptr);
    FOut.SetOnThreadException(nullptr);
    FOut.SetMainThreadHandoff(nullptr);
  }
  TSinkRun(const TSinkRun&) = delete;
  TSinkRun& operator=(const TSinkRun&) = delete;

  void Post(std::function<void()> Call) override {
    std::lock_guard lock(FMutex);
    FCalls.push_back(std::move(Call));
    FChanged.notify_all();
  }

  // Starts a run and serves it until it ends: "" when it ended with OnDone, else its error.
  std::string Run() {
    FOut.Start();
    return Wait();
  }
  std::string Wait(std::chrono::seconds Timeout = std::chrono::seconds(300)) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    std::unique_lock lock(FMutex);
    for (;;) {
      if (FDone + FErrors.size() > FSeen) break;
      if (!FCalls.empty()) {
        std::function<void()> call = std::move(FCalls.front());
        FCalls.pop_front();
        lock.unlock();
        call();
        lock.lock();
        continue;
      }
      if (FChanged.wait_until(lock, deadline) == std::cv_status::timeout) return "timed out";
    }
    ++FSeen;
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
  // Notifies under the lock: the waiter may be gone as soon as it has seen the change.
  void Note(const std::function<void()>& Change) {
    std::lock_guard lock(FMutex);
    Change();
    FChanged.notify_all();
  }

  TACSOutput& FOut;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::function<void()>> FCalls;
  int FDone = 0;
  std::vector<std::string> FErrors;
  size_t FSeen = 0;
};

}  // namespace corvane::test
