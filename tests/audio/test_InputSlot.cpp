#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ACSConverter.h"
#include "FrameworkDoubles.h"
#include "InputSlot.h"

namespace corvane::test {
namespace {

// The order in which sources' read passes begin and end.
struct TPassLog {
  std::mutex Mutex;
  std::vector<std::string> Events;
  void Add(std::string Event) {
    std::lock_guard lock(Mutex);
    Events.push_back(std::move(Event));
  }
};

class TLoggedSource : public TPcmSource {
 public:
  TLoggedSource(std::string Name, TPassLog& Log)
      : TPcmSource(Bytes(64)), FName(std::move(Name)), FLog(Log) {}
  void BeginRead() override {
    TPcmSource::BeginRead();
    FLog.Add("begin " + FName);
  }
  void EndRead() override {
    TPcmSource::EndRead();
    FLog.Add("end " + FName);
  }

 private:
  std::string FName;
  TPassLog& FLog;
};

// A filter whose input lock the test can take, passing its input's data on unchanged.
class TPassThrough : public TACSConverter {
 public:
  int BitsPerSample() override { return 16; }
  int Channels() override { return 2; }
  int SampleRate() override { return 44100; }
  int64_t ReadData(uint8_t*, int64_t) override { return 0; }
  void BeginRead() override { FBusy = true; }
  void EndRead() override { FBusy = false; }
  using TACSConverter::LockInput;
  using TACSConverter::UnlockInput;
};

// Runs Take (which may block on a lock) on a thread: true when it returned within a second.
// When it did not, Release frees it, so the thread can always be joined.
bool ReturnsSoon(const std::function<void()>& Take, const std::function<void()>& Release) {
  std::atomic<bool> returned{false};
  std::thread taker([&] {
    Take();
    returned = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + 1s;
  while (!returned && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  const bool soon = returned;
  if (!soon) Release();
  taker.join();
  return soon;
}

TEST(InputSlot, ForgetsTheSourcesItNoLongerHoldsAndTheOneDestroyed) {
  TInputSlot slot;
  auto first = std::make_unique<TPcmSource>(Bytes(8));
  auto second = std::make_unique<TPcmSource>(Bytes(8));
  slot.Set(first.get(), false);
  slot.Set(second.get(), false);
  first.reset();  // no longer held: the slot is not told
  EXPECT_EQ(slot.Get(), second.get());
  second.reset();
  EXPECT_EQ(slot.Get(), nullptr);
}

TEST(InputSlot, SlotDestroyedBeforeItsSourceLeavesNothingBehind) {
  TPcmSource source(Bytes(8));
  {
    TInputSlot slot;
    slot.Set(&source, false);
    EXPECT_TRUE(source.HasUsers());
  }
  // The source's destructor would call into the dead slot if it were still a user.
  EXPECT_FALSE(source.HasUsers());
}

TEST(InputSlot, SwapDuringARunBeginsTheNewPassBeforeEndingTheOld) {
  TPassLog log;
  TLoggedSource first("first", log), second("second", log);
  TInputSlot slot;
  slot.Set(&first, false);
  first.BeginRead();
  slot.Set(&second, true);
  EXPECT_EQ(slot.Get(), &second);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"begin first", "begin second", "end first"}));
  // The source it already holds is not ended by being set again.
  slot.Set(&second, true);
  EXPECT_EQ(log.Events.back(), "begin second");
  EXPECT_EQ(second.EndReads, 0);
}

TEST(InputSlot, SwapAndDestructionWaitForTheReadInProgress) {
  TPcmSource replacement(Bytes(8));
  auto doomed = std::make_unique<TPcmSource>(Bytes(8));
  TInputSlot slot;
  slot.Set(doomed.get(), false);

  slot.Lock();
  EXPECT_FALSE(ReturnsSoon([&] { slot.Set(&replacement, true); }, [&] { slot.Unlock(); }));
  EXPECT_EQ(slot.Get(), &replacement);

  slot.Set(doomed.get(), false);
  slot.Lock();
  EXPECT_FALSE(ReturnsSoon([&] { doomed.reset(); }, [&] { slot.Unlock(); }));
  EXPECT_EQ(slot.Get(), nullptr);
}

TEST(Converter, NeverReadsFromItself) {
  TPassThrough filter;
  TPcmSource source(Bytes(8));
  filter.SetInput(&source);
  filter.SetInput(&filter);
  EXPECT_EQ(filter.Input(), &source);
}

TEST(Converter, UnlockChainFreesEveryFilterUpstream) {
  TPassThrough upstream, downstream;
  TPcmSource source(Bytes(8));
  upstream.SetInput(&source);
  downstream.SetInput(&upstream);
  upstream.LockInput();
  downstream.LockInput();
  downstream.UnlockChain();
  for (TPassThrough* filter : {&upstream, &downstream}) {
    EXPECT_TRUE(ReturnsSoon([&] { filter->LockInput(); }, [&] { filter->UnlockInput(); }));
    filter->UnlockInput();
  }
}

TEST(Converter, SourceDestroyedUpstreamEndsItsInput) {
  TPassThrough filter;
  auto source = std::make_unique<TPcmSource>(Bytes(8));
  filter.SetInput(source.get());
  source.reset();
  EXPECT_EQ(filter.Input(), nullptr);
}

}  // namespace
}  // namespace corvane::test
