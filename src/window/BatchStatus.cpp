#include "BatchStatus.h"

#include <algorithm>

#include "AppTexts.h"
#include "TextFormat.h"

namespace corvane {
namespace {

// Below this share of the batch the rate says too little to tell the time left.
constexpr double kLeastShareForTimeLeft = 0.02;

QString Text(const char* Utf8) {
  return QString::fromUtf8(Utf8);
}

}  // namespace

QString BatchStatusText(const TBatchProgress& Progress) {
  const int total = std::max(Progress.Total, 1);
  QString text = Text(texts::kStatusConverting).arg(Progress.Number).arg(total).arg(Progress.Name);
  if (Progress.Failed > 0) text += Text(texts::kStatusFailedSoFar).arg(Progress.Failed);
  const double done = (Progress.Number - 1 + std::clamp(Progress.Percent, 0, 100) / 100.0) / total;
  if (done >= kLeastShareForTimeLeft && done < 1 && Progress.Elapsed > 0) {
    text += Text(texts::kStatusTimeLeft)
                .arg(QString::fromStdString(ClockText(Progress.Elapsed * (1 - done) / done)));
  }
  return text;
}

}  // namespace corvane
