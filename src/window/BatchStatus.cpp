#include "BatchStatus.h"

#include <algorithm>

#include "AppTexts.h"
#include "DiscVerdictText.h"
#include "Language.h"
#include "PathNames.h"
#include "TextFormat.h"

namespace corvane {
namespace {

// Below this share of the batch the rate says too little to tell the time left.
constexpr double kLeastShareForTimeLeft = 0.02;

// A text of AppTexts.h in the language chosen at start-up.
QString Text(const char* Source) {
  return TextOf(Source);
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

QString DiscEndText(const TDiscCompletion::TDiscEnd& End) {
  const QString name = QString::fromStdString(ExtractFileName(End.Source));
  QString text;
  if (End.Verdict) {
    text = TextOf(texts::kDiscEnded).arg(name, DiscVerdictText(*End.Verdict));
  }
  if (!End.LogFile.empty()) {
    text += TextOf(texts::kDiscLog).arg(QString::fromStdString(ExtractFileName(End.LogFile)));
  }
  for (const std::string& note : End.Notes) {
    text += (text.isEmpty() ? QString() : TextOf(texts::kSemicolon)) + QString::fromStdString(note);
  }
  return text;
}

}  // namespace corvane
