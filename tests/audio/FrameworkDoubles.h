#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ACSFileOut.h"
#include "ACSInput.h"
#include "MainThreadHandoff.h"
#include "PcmSignal.h"

namespace corvane::test {

using namespace std::chrono_literals;

// Stands in for the user-interface thread: the test thread pumps the posted calls.
class TTestHandoff : public TMainThreadHandoff {
 public:
  // Notifies under the lock: once the test has run the call it may destroy the handoff, and a
  // poster still inside notify_all would then touch a destroyed condition variable.
  void Post(std::function<void()> Call) override {
    std::lock_guard lock(FMutex);
    FQueue.push_back(std::move(Call));
    FPosted.notify_all();
  }

  // Runs the posted calls until Done holds; false when Timeout passes first.
  bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    for (;;) {
      if (Done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::function<void()> call;
      {
        // A short wait: Done may also turn true through another thread.
        std::unique_lock lock(FMutex);
        if (!FPosted.wait_for(lock, 2ms, [this] { return !FQueue.empty(); })) continue;
        call = std::move(FQueue.front());
        FQueue.pop_front();
      }
      call();
    }
  }

  // Waits until a call is posted, without running it.
  bool WaitForPost(std::chrono::milliseconds Timeout = 10s) {
    std::unique_lock lock(FMutex);
    return FPosted.wait_for(lock, Timeout, [this] { return !FQueue.empty(); });
  }

  size_t Pending() {
    std::lock_guard lock(FMutex);
    return FQueue.size();
  }

 private:
  std::mutex FMutex;
  std::condition_variable FPosted;
  std::deque<std::function<void()>> FQueue;
};

// PCM held in memory, handed out at most Piece bytes per call: the source every suite of the
// audio layer reads from. The fields set before a run make it misbehave on purpose.
class TPcmSource : public TACSInput {
 public:
  explicit TPcmSource(std::vector<uint8_t> Pcm, TPcmFormat Of = {16, 2, 44100})
      : Format(Of), FPcm(std::move(Pcm)) {}
  TPcmSource(TPcmFormat Of, std::vector<uint8_t> Pcm) : TPcmSource(std::move(Pcm), Of) {}

  int BitsPerSample() override { return Format.BitsPerSample; }
  int Channels() override { return Format.Channels; }
  int SampleRate() override { return Format.SampleRate; }
  void BeginRead() override {
    ++BeginReads;
    if (!BeginReadError.empty()) throw std::runtime_error(BeginReadError);
    FAt = 0;
    FPosition = 0;
    FSize =
        Endless ? int64_t{1'000'000'000} : ReportedSize.value_or(static_cast<int64_t>(FPcm.size()));
    FBusy = true;
  }
  void EndRead() override {
    ++EndReads;
    FBusy = false;
  }
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override {
    if (FailAfter >= 0 && FAt >= FailAfter) throw std::runtime_error("The source broke.");
    if (Endless) {
      std::memset(Dest, 0, static_cast<size_t>(BufferSize));
      FPosition += BufferSize;
      return BufferSize;
    }
    const int64_t count = std::min({BufferSize, Piece, static_cast<int64_t>(FPcm.size()) - FAt});
    if (count > 0) std::memcpy(Dest, FPcm.data() + FAt, static_cast<size_t>(count));
    FAt += count;
    FPosition += count;
    return count;
  }
  // For Progress: fakes a read pass at Position of Size.
  void SetProgressState(int64_t Position, int64_t Size) {
    FPosition = Position;
    FSize = Size;
  }

  // Set before a run.
  TPcmFormat Format;
  int64_t Piece = INT64_MAX;
  std::optional<int64_t> ReportedSize;  // else the true size; -1: unknown
  int64_t FailAfter = -1;               // throw once this many bytes went out
  std::string BeginReadError;           // throw it from BeginRead
  bool Endless = false;                 // silence that never runs dry, of a huge size
  std::atomic<int> BeginReads{0};
  std::atomic<int> EndReads{0};

 private:
  std::vector<uint8_t> FPcm;
  int64_t FAt = 0;
};

// A sink that records every byte it is given, one block of BlockBytes per cycle.
class TRecordingSink : public TACSFileOut {
 public:
  explicit TRecordingSink(int64_t BlockBytes = 4096) : FBlockBytes(BlockBytes) {}
  ~TRecordingSink() override { ShutdownWorker(); }

  std::vector<uint8_t> Received() {
    std::lock_guard lock(FMutex);
    return FReceived;
  }

  bool FailPrepare = false;
  int FailInCycle = -1;                 // throw from ProcessBlock in this cycle (0-based)
  std::atomic<bool> HoldCycles{false};  // ProcessBlock spins while set (to catch a run mid-way)
  std::atomic<int> Prepares{0};
  std::atomic<int> Finishes{0};
  std::atomic<int> FailedFinishes{0};
  std::atomic<int> Cycles{0};
  std::atomic<int> ActiveCycles{0};
  std::atomic<bool> SawAbort{false};
  std::atomic<int> Sleeps{0};  // pauses the loop delay asked for

 protected:
  void PrepareOutput() override {
    ++Prepares;
    if (FailPrepare) throw std::runtime_error("prepare failed");
    Input()->BeginRead();
    FEnded = false;
  }

  bool ProcessBlock(bool Abort) override {
    ++Cycles;
    if (!CanOutput()) return true;
    const int cycle = ActiveCycles++;
    while (HoldCycles.load()) std::this_thread::sleep_for(1ms);
    if (cycle == FailInCycle) throw std::runtime_error("cycle failed");
    if (Abort) {
      SawAbort = true;
      return false;
    }
    if (FEnded) return false;
    std::vector<uint8_t> block(static_cast<size_t>(FBlockBytes));
    int64_t got = 0;
    {
      TInputLockScope lock(*this);
      while (got < FBlockBytes) {
        TACSInput* input = Input();
        const int64_t n =
            input == nullptr ? 0 : input->ReadData(block.data() + got, FBlockBytes - got);
        if (n == 0) {
          FEnded = true;
          break;
        }
        got += n;
      }
    }
    std::lock_guard lock(FMutex);
    FReceived.insert(FReceived.end(), block.begin(), block.begin() + got);
    return got > 0;
  }

  void SleepBetweenCycles(std::chrono::milliseconds) override { ++Sleeps; }

  void FinishOutput() override {
    ++Finishes;
    if (RunFailed()) ++FailedFinishes;
    if (TACSInput* input = Input()) input->EndRead();
  }

 private:
  int64_t FBlockBytes;
  bool FEnded = false;
  std::mutex FMutex;
  std::vector<uint8_t> FReceived;
};

inline std::vector<uint8_t> Bytes(size_t Count) {
  std::vector<uint8_t> data(Count);
  for (size_t i = 0; i < Count; ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return data;
}

}  // namespace corvane::test
