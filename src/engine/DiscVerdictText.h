#pragma once

#include <QString>

#include "DiscProof.h"

namespace corvane {

// A disc's verdict in the language chosen, for the status bar and the command line. The disc
// log keeps DescribeDiscVerdict's English, whatever the user reads.
QString DiscVerdictText(const TDiscVerdict& Verdict);

}  // namespace corvane
