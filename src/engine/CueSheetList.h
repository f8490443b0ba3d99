#pragma once

#include <memory>
#include <vector>

#include "CueFile.h"

namespace corvane {

// The loaded cue sheets. Cue-track lines name a sheet by its position here, so a sheet keeps
// its place until the whole list is emptied.
using TCueSheetList = std::vector<std::unique_ptr<TCueFile>>;

}  // namespace corvane
