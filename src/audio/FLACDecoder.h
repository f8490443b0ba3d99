#pragma once

#include <memory>
#include <string>

#include "StreamDecoder.h"

namespace corvane {

// Whether libFLAC's decoder could be loaded with every entry point a FLAC source calls. It is
// loaded on first use, apart from the encoder's table: a library that encodes but cannot
// decode still writes FLAC files.
bool LibFLACDecoderLoaded();
// Throws EACSException, naming the library, when it is not.
void RequireFlacDecoder();

// Opens a FLAC file for decoding. Every frame's CRC is checked by the library before its
// samples are handed out; a read of the whole file from its start also checks the MD5
// signature of the stream information at its end.
std::unique_ptr<TStreamDecoder> OpenFlacDecoder(const std::string& FileName);

}  // namespace corvane
