#pragma once

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ACSFileOut.h"
#include "ACSInput.h"
#include "MainThreadHandoff.h"

namespace corvane::test {

using namespace std::chrono_literals;

// Stands in for the user-interface thread: the test thread pumps the posted calls.
class TTestHandoff : public TMainThreadHandoff {
 public:
  void Post(std::function<void()> Call) override {
    {
      std::lock_guard lock(FMutex);
      FQueue.push_back(std::move(Call));
    }
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

// A source of known bytes, handed out at most Piece bytes per call.
class TMemorySource : public TACSInput {
 public:
  explicit TMemorySource(std::vector<uint8_t> Data, int64_t Piece = 1 << 20,
                         bool KnownSize = true)
      : FData(std::move(Data)), FPiece(Piece), FKnownSize(KnownSize) {}

  int BitsPerSample() override { return 16; }
  int Channels() override { return 2; }
  int SampleRate() override { return 44100; }
  void BeginRead() override {
    FAt = 0;
    FPosition = 0;
    FSize = FKnownSize ? static_cast<int64_t>(FData.size()) : -1;
    FBusy = true;
    ++BeginReads;
  }
  void EndRead() override {
    FBusy = false;
    ++EndReads;
  }
  int64_t ReadData(uint8_t* Dest, int64_t BufferSize) override {
    if (FailAt >= 0 && static_cast<int64_t>(FAt) >= FailAt) throw std::runtime_error("read failed");
    const int64_t count = std::min({BufferSize, FPiece, static_cast<int64_t>(FData.size() - FAt)});
    if (count > 0) std::memcpy(Dest, FData.data() + FAt, static_cast<size_t>(count));
    FAt += static_cast<size_t>(count);
    FPosition += count;
    return count;
  }
  // For Progress: fakes a read pass at Position of Size.
  void SetProgressState(int64_t Position, int64_t Size) {
    FPosition = Position;
    FSize = Size;
  }

  int64_t FailAt = -1;  // throw once this many bytes were delivered
  std::atomic<int> BeginReads{0};
  std::atomic<int> EndReads{0};

 private:
  std::vector<uint8_t> FData;
  int64_t FPiece;
  bool FKnownSize;
  size_t FAt = 0;
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
  int FailInCycle = -1;          // throw from ProcessBlock in this cycle (0-based)
  std::atomic<bool> HoldCycles{false};  // ProcessBlock spins while set (to catch a run mid-way)
  std::atomic<int> Prepares{0};
  std::atomic<int> Finishes{0};
  std::atomic<int> FailedFinishes{0};
  std::atomic<int> Cycles{0};
  std::atomic<int> ActiveCycles{0};
  std::atomic<bool> SawAbort{false};

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
        const int64_t n = input == nullptr ? 0 : input->ReadData(block.data() + got, FBlockBytes - got);
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
