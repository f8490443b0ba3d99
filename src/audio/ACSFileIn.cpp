#include "ACSFileIn.h"

#include "ACSException.h"

namespace corvane {

void TACSFileIn::BeginRead() {
  if (Busy()) throw EACSException(kSourceBusy);
  if (FFileName.empty()) throw EACSException("The file name is not assigned");
  OpenSource();
  if (FStartSample != 0) SeekSample(FStartSample);
  if (FStartSample != 0 || FEndSample != -1) {
    const int64_t frames = (FEndSample == -1 ? FTotalSamples : FEndSample) - FStartSample;
    FSize = static_cast<int64_t>(FBitsPerSample / 8) * frames * FChannels;
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

void TACSFileIn::EndRead() {
  CloseSource();
  FBusy = false;
}

void TACSFileIn::ForceFinish() {
  TACSInput::ForceFinish();
  FOpenCount = 0;
}

}  // namespace corvane
