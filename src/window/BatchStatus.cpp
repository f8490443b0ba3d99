#include "BatchStatus.h"

#include <algorithm>
#include <cmath>

#include "AppTexts.h"

namespace corvane {
namespace {

// Below this share of the batch the rate says too little to tell the time left.
constexpr double kLeastShareForTimeLeft = 0.02;

QString Text(const char* Utf8) {
  return QString::fromUtf8(Utf8);
}

QString MinutesSeconds(double Seconds) {
  const auto whole = static_cast<long long>(std::lround(Seconds));
  return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString BatchStatusText(const TBatchProgress& Progress) {
  const int total = std::max(Progress.Total, 1);
  QString text = Text(texts::kStatusConverting).arg(Progress.Number).arg(total).arg(Progress.Name);
  if (Progress.Failed > 0) text += Text(texts::kStatusFailedSoFar).arg(Progress.Failed);
  const double done = (Progress.Number - 1 + std::clamp(Progress.Percent, 0, 100) / 100.0) / total;
  if (done >= kLeastShareForTimeLeft && done < 1 && Progress.Elapsed > 0) {
    text += Text(texts::kStatusTimeLeft).arg(MinutesSeconds(Progress.Elapsed * (1 - done) / done));
  }
  return text;
}

}  // namespace corvane
