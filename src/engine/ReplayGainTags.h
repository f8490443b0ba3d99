#pragma once

#include <string>

#include "LoudnessMeter.h"
#include "ReplayGain.h"
#include "TagTransfer.h"

namespace corvane {

using loudness::TLoudnessMeter;

// Room kept in the padding for the ReplayGain fields, so that a job's own values and the album's
// written later go in place, without a second copy of the file.
constexpr int64_t kReplayGainRoom = 512;

// Leaves out whatever ReplayGain fields the source had: values measured now replace them, and
// an older album value must not outlive a new track value.
void DropReplayGain(TJobTags& Tags);
// Adds the track's gain and peak.
void AddTrackGain(TJobTags& Tags, const TLoudnessMeter& Track);
// Writes the album's gain and peak into the finished FLAC file File, keeping its other tags.
// Throws EFileError when it cannot be rewritten.
void WriteAlbumGain(const std::string& File, double Loudness, double Peak);

}  // namespace corvane
