#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Where the audio a FILE line names is on disk. Sheets often name it differently from the file
// beside them: the WAV a ripper wrote before compressing it to APE, a name in the letter case
// of a Windows machine, or a full path on the ripping machine.
struct TCueAudioLookup {
  std::optional<std::string> Found;
  // What was looked for, in order, for a message when nothing was found.
  std::vector<std::string> LookedFor;
};

// In order: a relative path that exists as written; the file name alone (after the last "\"
// or "/") in the sheet's folder; the same name in any letter case; the same base name with
// ".ape" in any case; and, when the sheet names only one file, the one ".ape" in the folder
// whose base name is the sheet's own. Only regular files count.
TCueAudioLookup LocateCueAudio(const std::string& CueFileName, const std::string& Written,
                               bool SheetNamesOneFile);

}  // namespace corvane
