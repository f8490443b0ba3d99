#pragma once

#include <memory>
#include <string>

#include "StreamDecoder.h"

namespace corvane {

// Opens a WAV (also RF64 and BW64), Wave64 or AIFF file of integer PCM, 8 to 32 bits, through
// libsndfile. Float samples and other encodings are refused as Unsupported. A file whose data
// ends before its header's length is read to where the data ends and then reported Damaged.
std::unique_ptr<TStreamDecoder> OpenSndFileDecoder(const std::string& FileName);

}  // namespace corvane
