#pragma once

#include <string>
#include <vector>

#include "CueFile.h"

namespace corvane {

// The text of a job-list line. A cue track's line reads
// "p | k - Title,Performer  --album.cue": sheet position p and track position k, both 1-based,
// then what the user needs to recognise the track. A whole file's line is its path.
std::string CueTrackLine(int SheetPosition, int TrackPosition, const TCueTrack& Track,
                         const std::string& CueFileName);
// The 0-based sheet and track of a cue-track line, read back from its numeric prefix (the first
// " | " and the first " - " always belong to it). Throw std::invalid_argument when the prefix
// is not a number.
int CueIndexOfLine(const std::string& Line);
int TrackIndexOfLine(const std::string& Line);

}  // namespace corvane
