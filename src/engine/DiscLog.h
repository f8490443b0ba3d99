#pragma once

#include <string>

#include "DiscProof.h"

namespace corvane {

// The log of a disc, as plain UTF-8 text: who wrote it and when, the sheet and its audio, the
// disc's IDs, each track's checksums and the database's word, then the verdict. Program is the
// name and version; Date as it is to stand.
std::string DiscLogText(const TDiscProof& Disc, const std::string& Program,
                        const std::string& Date);

// The log's name for a disc whose first output is FirstOutput: the sheet's name with
// ".corvane.log", beside that output. Its own suffix keeps it from replacing the log a ripping
// program left beside the sheet (EAC's "album.log").
std::string DiscLogName(const std::string& Sheet, const std::string& FirstOutput);

// Writes Text to FileName as the outputs are written: under a hidden name, renamed over the
// final one when complete. Throws EFileError.
void WriteDiscLog(const std::string& FileName, const std::string& Text);

}  // namespace corvane
