#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "Disc.h"
#include "TextCodec.h"

namespace corvane {

// A cue sheet that cannot be added; the text says in Chinese which sheet, which line and why.
class ECueSheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the disc of the cue sheet of File for the job list: a ".cue" file, or the sheet in the
// tag of an audio file (whose FILE lines then all mean that file). Reads and decodes the text
// (Encoding Auto: by its mark, as UTF-8, or as the detected legacy encoding), parses it,
// refuses a sheet with a fault, locates every FILE line's audio, listens to the audio before
// track 1 to decide whether it is a hidden track 0, and finds the audio of every track (a
// track whose audio cannot be had keeps the reason, for its job to fail with). Returns nothing
// for an audio file without a sheet. Throws ECueSheetError for a faulty sheet or missing audio,
// and the file layers' and the decoder's errors when a file cannot be read.
std::shared_ptr<const TDisc> LoadCueSheet(const std::string& File,
                                          TTextEncoding Encoding = TTextEncoding::Auto);

}  // namespace corvane
