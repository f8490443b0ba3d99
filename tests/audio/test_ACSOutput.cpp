#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "ACSException.h"
#include "FrameworkDoubles.h"

namespace corvane::test {
namespace {

template <typename Predicate>
bool WaitFor(Predicate Done, std::chrono::milliseconds Timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  while (!Done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class ACSOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sink.SetMainThreadHandoff(&ui);
    sink.SetInput(&source);
    sink.SetOnDone([this](TACSOutput&) { ++done; });
    sink.SetOnThreadException([this](TACSOutput&, const std::exception& E) {
      std::lock_guard lock(failureMutex);
      failures.push_back(E.what());
      failureThreads.push_back(std::this_thread::get_id());
    });
  }

  size_t FailureCount() {
    std::lock_guard lock(failureMutex);
    return failures.size();
  }

  TTestHandoff ui;
  TPcmSource source{Bytes(40000)};
  TRecordingSink sink{4096};
  std::atomic<int> done{0};
  // Written by whichever thread reports the failure.
  std::mutex failureMutex;
  std::vector<std::string> failures;
  std::vector<std::thread::id> failureThreads;
};

TEST_F(ACSOutputTest, RunDeliversEverythingAndRaisesDoneOnceOnTheMainThread) {
  std::thread::id doneThread;
  sink.SetOnDone([&](TACSOutput& Sender) {
    EXPECT_EQ(&Sender, &sink);
    doneThread = std::this_thread::get_id();
    ++done;
  });
  EXPECT_EQ(sink.Status(), osIdle);
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(doneThread, std::this_thread::get_id());
  EXPECT_EQ(sink.Received(), Bytes(40000));
  EXPECT_EQ(sink.Status(), osIdle);
  EXPECT_EQ(sink.Finishes, 1);
  EXPECT_EQ(sink.FailedFinishes, 0);
  EXPECT_EQ(source.EndReads, 1);
  // Nothing more arrives once the worker has gone idle.
  ui.PumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(failures.empty());
}

TEST_F(ACSOutputTest, RunStatesFollowStartPauseResumeAndEnd) {
  sink.HoldCycles = true;
  sink.Start();
  EXPECT_EQ(sink.Status(), osRunning);
  sink.Pause();
  EXPECT_EQ(sink.Status(), osPaused);
  sink.Resume();
  EXPECT_EQ(sink.Status(), osRunning);
  sink.HoldCycles = false;
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(sink.Status(), osIdle);
  // A second run on the same output works the same way.
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 2; }));
  EXPECT_EQ(sink.Received().size(), 80000u);
}

TEST_F(ACSOutputTest, StopEndsTheRunWithOneDone) {
  TPcmSource endless{{}};
  endless.Endless = true;
  sink.SetInput(&endless);
  sink.Start();
  ASSERT_TRUE(WaitFor([&] { return sink.ActiveCycles > 3; }));
  sink.Stop();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(sink.Status(), osIdle);
  EXPECT_EQ(endless.EndReads, 1);
  ui.PumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(done, 1);
}

TEST_F(ACSOutputTest, StopWhilePausedWaitsForResume) {
  sink.HoldCycles = true;
  sink.Start();
  ASSERT_TRUE(WaitFor([&] { return sink.ActiveCycles == 1; }));
  sink.Pause();
  sink.HoldCycles = false;
  ASSERT_TRUE(WaitFor([&] { return sink.WorkerParked(); }));
  sink.Stop();
  ui.PumpUntil([] { return false; }, 100ms);
  EXPECT_EQ(done, 0);
  EXPECT_EQ(sink.Status(), osPaused);
  sink.Resume();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_TRUE(sink.SawAbort);
  EXPECT_EQ(sink.Status(), osIdle);
}

TEST_F(ACSOutputTest, StopOnAnIdleOutputIsClearedByTheNextStart) {
  sink.Stop();
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_FALSE(sink.SawAbort);
  EXPECT_EQ(sink.Received(), Bytes(40000));
}

TEST_F(ACSOutputTest, StartFromInsideDoneLeavesTheNewRunPausedUntilResume) {
  sink.SetOnDone([&](TACSOutput&) {
    if (++done == 1) sink.Start();
  });
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(sink.Status(), osPaused);
  ui.PumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(sink.Status(), osPaused);
  sink.Resume();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 2; }));
  EXPECT_EQ(sink.Received().size(), 80000u);
}

TEST_F(ACSOutputTest, StartAfterDoneHasReturnedRunsAtOnce) {
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  sink.Start();
  EXPECT_NE(sink.Status(), osPaused);
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 2; }));
}

TEST_F(ACSOutputTest, FailingPrepareReturnsNormallyAndReportsOnTheCaller) {
  sink.FailPrepare = true;
  EXPECT_NO_THROW(sink.Start());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], "prepare failed");
  EXPECT_EQ(failureThreads[0], std::this_thread::get_id());
  EXPECT_EQ(sink.Status(), osIdle);
  EXPECT_EQ(sink.Finishes, 0);
  ui.PumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(done, 0);
  // The output is usable again.
  sink.FailPrepare = false;
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
}

TEST_F(ACSOutputTest, FailingCycleFinishesTheSinkAndReportsOnceWithoutDone) {
  sink.FailInCycle = 2;
  sink.Start();
  ASSERT_TRUE(WaitFor([&] { return FailureCount() == 1; }));
  ui.PumpUntil([] { return false; }, 100ms);
  EXPECT_EQ(sink.Status(), osIdle);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], "cycle failed");
  EXPECT_NE(failureThreads[0], std::this_thread::get_id());
  EXPECT_EQ(sink.Finishes, 1);
  EXPECT_EQ(sink.FailedFinishes, 1);
  EXPECT_EQ(source.EndReads, 1);
  EXPECT_EQ(done, 0);
  // After a failure the worker is idle and a new run starts normally.
  sink.FailInCycle = -1;
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
}

TEST_F(ACSOutputTest, AFailingSourceFailsTheRun) {
  source.FailAfter = 8192;
  sink.Start();
  ASSERT_TRUE(WaitFor([&] { return FailureCount() == 1; }));
  ui.PumpUntil([] { return false; }, 50ms);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], "The source broke.");
  EXPECT_EQ(done, 0);
}

TEST_F(ACSOutputTest, ExceptionFromTheDoneHandlerIsAFailureOfTheCycle) {
  sink.SetOnDone([](TACSOutput&) { throw std::runtime_error("handler failed"); });
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return FailureCount() == 1; }));
  EXPECT_EQ(failures[0], "handler failed");
  EXPECT_EQ(sink.Status(), osIdle);
}

TEST_F(ACSOutputTest, MisuseRaisesItsMessageAndChangesNothing) {
  sink.HoldCycles = true;
  sink.Start();
  try {
    sink.Start();
    FAIL() << "a busy output started again";
  } catch (const EACSException& E) {
    EXPECT_STREQ(E.what(), "Component is Busy");
  }
  EXPECT_EQ(sink.Prepares, 1);
  sink.HoldCycles = false;
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));

  TRecordingSink unconnected;
  try {
    unconnected.Start();
    FAIL() << "started without input";
  } catch (const EACSException& E) {
    EXPECT_STREQ(E.what(), "Input is not assigned");
  }
  EXPECT_EQ(unconnected.Prepares, 0);
}

TEST_F(ACSOutputTest, ProgressRoundsHalvesToEvenAndHasSpecialValues) {
  struct Case {
    int64_t Position, Size;
    int Expected;
  };
  for (const Case c : {Case{1, 8, 12}, Case{3, 8, 38}, Case{5, 8, 62}, Case{8, 8, 100},
                       Case{0, 8, 0}, Case{9, 8, 112}, Case{0, 0, 0}, Case{5, -1, -1}}) {
    source.SetProgressState(c.Position, c.Size);
    EXPECT_EQ(sink.Progress(), c.Expected) << c.Position << " of " << c.Size;
  }
  sink.SetInput(nullptr);
  EXPECT_EQ(sink.Progress(), 0);
}

TEST_F(ACSOutputTest, ProgressIsReportedOnChangeOnly) {
  TPcmSource big{Bytes(4096 * 300)};
  sink.SetInput(&big);
  std::vector<int> seen;
  sink.SetOnProgress([&](TACSOutput& Sender) { seen.push_back(Sender.Progress()); });
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 100);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
  EXPECT_LE(seen.size(), 101u);
}

TEST_F(ACSOutputTest, UnknownSizeGivesMinusOneAndDataStillArrivesWhole) {
  TPcmSource unknown{Bytes(30001)};
  unknown.Piece = 3;
  unknown.ReportedSize = -1;
  sink.SetInput(&unknown);
  std::vector<int> seen;
  sink.SetOnProgress([&](TACSOutput& Sender) { seen.push_back(Sender.Progress()); });
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(seen, std::vector<int>{-1});
  EXPECT_EQ(sink.Received(), Bytes(30001));
}

TEST_F(ACSOutputTest, AnEmptySourceEndsAtTheFirstCycle) {
  TPcmSource empty{{}};
  sink.SetInput(&empty);
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(sink.ActiveCycles, 1);
  EXPECT_EQ(sink.Finishes, 1);
}

TEST_F(ACSOutputTest, LoopDelayAbove100IsIgnored) {
  sink.SetLoopDelay(50);
  sink.SetLoopDelay(101);
  EXPECT_EQ(sink.LoopDelay(), 50);
  sink.SetLoopDelay(-3);
  EXPECT_EQ(sink.LoopDelay(), -3);
}

TEST_F(ACSOutputTest, LoopDelaySleepsOnlyAboveFive) {
  TPcmSource blocks{Bytes(4096 * 20)};
  sink.SetInput(&blocks);
  sink.SetLoopDelay(6);
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_GE(sink.Sleeps, 20);

  TPcmSource many{Bytes(4096 * 1000)};
  sink.SetInput(&many);
  sink.SetLoopDelay(5);
  const int sleptBefore = sink.Sleeps;
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 2; }));
  EXPECT_EQ(sink.Sleeps, sleptBefore);
  // Above 100 the value is ignored: the delay stays as it was.
  sink.SetLoopDelay(101);
  EXPECT_EQ(sink.LoopDelay(), 5);
}

TEST_F(ACSOutputTest, WithoutSuspendWhenIdleTheWorkerKeepsCyclingIdle) {
  sink.SetSuspendWhenIdle(false);
  EXPECT_FALSE(sink.SuspendWhenIdle());
  sink.Start();
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  const int cycles = sink.Cycles;
  ASSERT_TRUE(WaitFor([&] { return sink.Cycles > cycles + 10; }));
  EXPECT_EQ(sink.Status(), osIdle);
  EXPECT_EQ(sink.Finishes, 1);
}

TEST_F(ACSOutputTest, SwappingTheInputMidRunOpensTheNewAndClosesTheOld) {
  TPcmSource endless{{}};
  endless.Endless = true;
  TPcmSource tail{Bytes(5000)};
  sink.SetInput(&endless);
  sink.Start();
  ASSERT_TRUE(WaitFor([&] { return sink.ActiveCycles > 2; }));
  sink.SetInput(&tail);
  EXPECT_EQ(tail.BeginReads, 1);
  EXPECT_EQ(endless.EndReads, 1);
  ASSERT_TRUE(ui.PumpUntil([&] { return done == 1; }));
  EXPECT_EQ(tail.EndReads, 1);
}

TEST_F(ACSOutputTest, DestroyingTheSourceClearsTheInput) {
  auto temporary = std::make_unique<TPcmSource>(Bytes(10));
  sink.SetInput(temporary.get());
  temporary.reset();
  EXPECT_EQ(sink.Input(), nullptr);
}

TEST(ACSFileOutTest, FileModeStaysRewrite) {
  TRecordingSink sink;
  sink.SetFileMode(foAppend);
  EXPECT_EQ(sink.FileMode(), foRewrite);
}

// Destroying an output must return promptly in every state and end an open run properly.
class ACSOutputDestructionTest : public ::testing::Test {
 protected:
  ACSOutputDestructionTest() { source.Endless = true; }
  // The source never runs dry: a destruction that waited for the run's end would never return.
  void Destroy() {
    sink.reset();
    EXPECT_FALSE(source.HasUsers());
  }

  TTestHandoff ui;
  TPcmSource source{{}};
  std::unique_ptr<TRecordingSink> sink = std::make_unique<TRecordingSink>();
};

TEST_F(ACSOutputDestructionTest, WhileRunning) {
  sink->SetInput(&source);
  sink->Start();
  ASSERT_TRUE(WaitFor([&] { return sink->ActiveCycles > 3; }));
  Destroy();
  EXPECT_EQ(source.EndReads, 1);
}

TEST_F(ACSOutputDestructionTest, WhilePaused) {
  sink->SetInput(&source);
  sink->Start();
  sink->Pause();
  Destroy();
  EXPECT_EQ(source.EndReads, 1);
}

TEST_F(ACSOutputDestructionTest, WhileTheWorkerWaitsForTheMainThread) {
  sink->SetMainThreadHandoff(&ui);
  sink->SetInput(&source);
  sink->SetOnProgress([](TACSOutput&) { FAIL() << "a dropped hand-off ran"; });
  sink->Start();
  ASSERT_TRUE(ui.WaitForPost());
  Destroy();
  EXPECT_EQ(source.EndReads, 1);
  // The call posted before the destruction must not touch the destroyed output.
  ui.PumpUntil([&] { return ui.Pending() == 0; });
}

TEST_F(ACSOutputDestructionTest, WhileIdle) {
  Destroy();
  EXPECT_EQ(source.EndReads, 0);
}

}  // namespace
}  // namespace corvane::test
