#include <gtest/gtest.h>

#include "BatchStatus.h"

namespace corvane {
namespace {

TEST(BatchStatus, SaysWhichJobAndTheTimeLeftOnceItCanBeTold) {
  struct TCase {
    TBatchProgress Progress;
    const char* Expected;
  };
  const TCase cases[] = {
      // Nothing done yet: no time to tell.
      {{1, 8, 0, "a.ape", 0, 0.5}, "正在转换 第 1/8 个：a.ape"},
      // A quarter of the batch in 60 s: 180 s to go.
      {{3, 8, 0, "c.ape", 0, 60}, "正在转换 第 3/8 个：c.ape，剩余约 3:00"},
      {{2, 4, 1, "x.cue 的第 2 轨", 50, 15},
       "正在转换 第 2/4 个：x.cue 的第 2 轨（1 个失败），剩余约 0:25"},
      // The last job at its end has nothing left to tell.
      {{4, 4, 0, "d.ape", 100, 90}, "正在转换 第 4/4 个：d.ape"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(BatchStatusText(c.Progress).toStdString(), c.Expected);
  }
}

}  // namespace
}  // namespace corvane
