#include "DiscVerdictText.h"

#include "AppTexts.h"
#include "Language.h"

namespace corvane {

QString DiscVerdictText(const TDiscVerdict& Verdict) {
  using TKind = TDiscVerdict::TKind;
  QString text;
  switch (Verdict.Kind) {
    case TKind::Accurate:
      text = TextOf(texts::kVerdictAccurate).arg(Verdict.Accurate).arg(Verdict.Tracks);
      break;
    case TKind::PartlyAccurate:
      text = TextOf(texts::kVerdictPartly).arg(Verdict.Accurate).arg(Verdict.Tracks);
      break;
    case TKind::NotAccurate:
      text = TextOf(texts::kVerdictNotAccurate).arg(Verdict.Accurate).arg(Verdict.Tracks);
      break;
    case TKind::NotInDatabase:
      text = TextOf(texts::kVerdictNotInDatabase);
      break;
    case TKind::Unreachable:
      text = TextOf(texts::kVerdictUnreachable);
      break;
    case TKind::NotChecked:
      text = TextOf(texts::kVerdictNotChecked);
      break;
    case TKind::NotCdAudio:
      text = TextOf(texts::kVerdictNotCdAudio);
      break;
  }
  if (Verdict.Failed > 0) text += TextOf(texts::kVerdictFailedTracks).arg(Verdict.Failed);
  return text;
}

}  // namespace corvane
