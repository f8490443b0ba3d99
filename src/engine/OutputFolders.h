#pragma once

#include <string>

namespace corvane {

// Makes the folders on the path to the file Output that are missing. Throws EFileError naming
// the folder that could not be made.
void MakeOutputFolders(const std::string& Output);

}  // namespace corvane
