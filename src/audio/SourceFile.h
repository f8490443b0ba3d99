#pragma once

#include <string>

#include "File.h"

namespace corvane {

// Opens an audio file for a decoder that reads it through its descriptor. Only a regular file
// is taken: a pipe or a device would block the reader or never end. Raises ESourceError
// (Unreadable) when the file cannot be opened or is not a regular file.
TFile OpenSourceFile(const std::string& FileName);

}  // namespace corvane
