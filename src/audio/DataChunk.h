#pragma once

#include <cstdint>
#include <optional>

#include "File.h"

namespace corvane {

// Where the samples of a WAV-like or AIFF file begin and how many bytes its header says they
// take. libsndfile quietly shortens a data chunk that runs past the end of the file, so a
// truncated file is told apart by comparing this with the file's size.
struct TDataChunk {
  int64_t Offset = 0;
  // The bytes the header declares; -1 when it does not say (a WAV written as a stream, with 0
  // or 0xFFFFFFFF as its data size): the data then runs to the end of the file.
  int64_t Bytes = -1;
  bool LittleEndian = true;  // the WAV family but RIFX: the samples are laid out as in a WAV
};

// The data chunk of a RIFF, RIFX, RF64 or BW64 WAV, Wave64, AIFF or AIFF-C file; nothing when
// the file is none of them or its chunks cannot be followed to it.
std::optional<TDataChunk> FindDataChunk(const TFile& File);

}  // namespace corvane
