// Several jobs at once, in the process: what the command line's run stands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "Disc.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "ParallelBatch.h"
#include "QtMainThreadHandoff.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class ParallelBatchTest : public testing::Test {
 protected:
  // Plain jobs of files seeded 1 to Count, written into the folder "out"; the one of Damaged
  // has data broken in its middle.
  std::vector<TJob> Jobs(uint32_t Count, uint32_t Damaged = 0) {
    std::vector<TJob> jobs;
    for (uint32_t seed = 1; seed <= Count; ++seed) {
      const std::string name = std::to_string(seed);
      const std::string source = Dir.Copy(test::ApeFixture(test::SlowFixture(seed)), name + ".ape");
      if (seed == Damaged) {
        std::vector<uint8_t> bytes = test::ReadFileBytes(source);
        for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4096; ++i) bytes[i] ^= 0x5A;
        test::WriteFileBytes(source, bytes);
      }
      jobs.push_back(WholeFileJob(source));
      jobs.back().Output = Dir.File("out/" + name + ".flac");
    }
    return jobs;
  }

  test::TScratchDir Dir;  // outlives the batch, which may still close a file in it
  TQtMainThreadHandoff Handoff;
};

TEST_F(ParallelBatchTest, LanesTakeTheNextJobAsTheirLastEndsAndAFailureStopsNoOther) {
  TParallelBatch batch(Handoff, Jobs(5, 3), 2, 5, 2);
  ASSERT_EQ(batch.LaneCount(), 2u);
  std::vector<size_t> started;
  std::vector<size_t> ended;
  std::set<size_t> failed;
  size_t running = 0;
  size_t mostAtOnce = 0;
  int finished = 0;
  batch.Start(
      {[&](size_t Job, size_t) {
         started.push_back(Job);
         mostAtOnce = std::max(mostAtOnce, ++running);
       },
       [&](size_t Job, const std::optional<TFailure>& Failure, const std::vector<std::string>&) {
         --running;
         ended.push_back(Job);
         if (Failure) failed.insert(Job);
       },
       [&] { ++finished; }, nullptr});
  ASSERT_TRUE(test::PumpUntil([&] { return finished > 0; }));
  test::PumpFor(std::chrono::milliseconds(50));

  EXPECT_EQ(finished, 1);
  EXPECT_EQ(started, (std::vector<size_t>{0, 1, 2, 3, 4}));
  std::sort(ended.begin(), ended.end());
  EXPECT_EQ(ended, (std::vector<size_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(mostAtOnce, 2u);
  EXPECT_EQ(failed, (std::set<size_t>{2}));
  EXPECT_FALSE(fs::exists(Dir.File("out/3.flac")));
  for (uint32_t seed : {1u, 2u, 4u, 5u}) {
    EXPECT_TRUE(test::DecodeFlacFile(Dir.File("out/" + std::to_string(seed) + ".flac")).Pcm ==
                test::ApeFixturePcm(test::SlowFixture(seed)));
  }
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

TEST_F(ParallelBatchTest, EndedEarlyItGivesUpTheJobsInProgressAndTellsNobody) {
  int events = 0;
  {
    TParallelBatch batch(Handoff, Jobs(4), 3, 8, 2);
    batch.Start(
        {[&](size_t, size_t) {},
         [&](size_t, const std::optional<TFailure>&, const std::vector<std::string>&) { ++events; },
         [&] { ++events; }, nullptr});
    ASSERT_TRUE(test::PumpUntil([&] { return !test::Leftovers(Dir.Path()).empty(); }));
  }
  test::PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(events, 0);
  EXPECT_EQ(test::Leftovers(Dir.Path()), std::vector<std::string>());
}

TEST_F(ParallelBatchTest, WithoutJobsItFinishesFromTheQueue) {
  TParallelBatch batch(Handoff, {}, 4, 5, 2);
  EXPECT_EQ(batch.LaneCount(), 0u);
  int finished = 0;
  batch.Start({nullptr, nullptr, [&] { ++finished; }, nullptr});
  EXPECT_EQ(finished, 0);
  ASSERT_TRUE(test::PumpUntil([&] { return finished == 1; }));
}

}  // namespace
}  // namespace corvane
