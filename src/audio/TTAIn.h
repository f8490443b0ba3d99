#pragma once

#include <memory>
#include <string>

#include "DecodedSource.h"
#include "StreamDecoder.h"

namespace corvane {

// Opens a TTA (True Audio) file for decoding by our own decoder (src/ttadec), which checks
// every frame's CRC before any of its samples leaves. Its faults are raised as ESourceError:
// Unreadable, NotThisFormat, Unsupported (an encrypted file, more than two channels, a depth
// other than 8, 16 or 24 bits), and Damaged with the time where the file's data broke.
std::unique_ptr<TStreamDecoder> OpenTtaDecoder(const std::string& FileName);

// The PCM of a TTA file, or of ranges of TTA files read in turn, decoded as the reader reads:
// TTA decodes far faster than FLAC encodes.
class TTTAIn : public TDecodedSource {
 public:
  TTTAIn() : TDecodedSource(&OpenTtaDecoder) {}
};

}  // namespace corvane
