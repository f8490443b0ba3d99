#pragma once

#include <string>
#include <vector>

namespace corvane {

enum class TFolderDepth { TopOnly, Recursive };

struct TFolderScan {
  // What to hand to the batch driver's AddFiles, in order.
  std::vector<std::string> Files;
  // One text per folder that could not be read or held nothing to convert, naming it.
  std::vector<std::string> Problems;
};

// Turns paths as a user gives them (dropped on the window, or named on a command line) into
// the files to add. A path that is not a folder stays as it is, in its place. A folder gives
// its cue sheets and the ".ape" files that none of its sheets uses as audio (each FILE line
// resolved as the sheet's loader resolves it), so a CD image is added as tracks and not also
// as one long file. Files come in name order, as a file manager sorts them (digits by value,
// letter case aside), subfolders' files at the subfolder's place when Depth is Recursive.
// Hidden files and folders are skipped: "._x.ape" is a macOS resource fork, not audio.
// Toolkit-free apart from Qt's core.
TFolderScan ExpandFolders(const std::vector<std::string>& Paths, TFolderDepth Depth);

}  // namespace corvane
