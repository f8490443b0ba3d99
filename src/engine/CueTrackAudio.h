#pragma once

#include <string>
#include <vector>

#include "CueFile.h"
#include "MACIn.h"

namespace corvane {

// The sample ranges of track Track (0-based; -1 for the audio before track 1) of a loaded
// sheet whose files have been located, each at its own file's rate. An end past the end of a
// file runs to the end of that file. Opens each file for its rate and length; throws when one
// cannot be opened, and when the track starts at or past the end of its file.
std::vector<TAudioSegment> CueTrackSegments(const TCueFile& Sheet, int Track);

// True when every sample of the ranges is digital silence (0, or 128 for 8-bit audio).
// Decodes the ranges; throws when they cannot be read.
bool IsDigitalSilence(const std::vector<TAudioSegment>& Segments);

}  // namespace corvane
