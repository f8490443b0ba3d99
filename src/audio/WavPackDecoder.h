#pragma once

#include <memory>
#include <string>

#include "StreamDecoder.h"

namespace corvane {

// Opens a WavPack file for lossless decoding, with the .wvc correction file beside it when
// there is one (FileName + "c", as libwavpack names it). Integer samples of 8 to 32 bits, one
// or two channels. Refuses float, DSD and lossy (hybrid without its correction file) files,
// and more channels, as Unsupported. Every block is checked before any of its samples is
// handed out.
std::unique_ptr<TStreamDecoder> OpenWavPackDecoder(const std::string& FileName);

}  // namespace corvane
