#pragma once

#include <QString>

#include "DiscCompletion.h"

namespace corvane {

// Where a running batch stands, for the status bar.
struct TBatchProgress {
  int Number = 1;      // the job in progress, 1-based
  int Total = 1;       // jobs in the batch
  int Failed = 0;      // jobs failed so far
  QString Name;        // the job's file or track
  int Percent = 0;     // of the job in progress
  double Elapsed = 0;  // seconds since the batch started
};

// "正在转换 第 3/8 个：<name>", with the failures so far and the time left once it can be
// told (from the share of the batch done in the time elapsed, counting every job alike).
QString BatchStatusText(const TBatchProgress& Progress);

// "光盘 album.cue：AccurateRip 校验通过（11/11 轨）；日志：album.corvane.log", with what the disc
// had to tell besides.
QString DiscEndText(const TDiscCompletion::TDiscEnd& End);

}  // namespace corvane
