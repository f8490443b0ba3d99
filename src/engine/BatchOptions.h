#pragma once

namespace corvane {

// What a batch does besides converting, chosen by the user in the window's options or on the
// command line.
struct TBatchOptions {
  // libFLAC decodes what it encodes and compares it with the input, as flac -V does.
  bool Verify = true;
  // Looks each disc up in the AccurateRip database. Off unless the user allows it: the lookup
  // sends the disc's identity over the network.
  bool AccurateRip = false;
  // Measures loudness and writes ReplayGain tags; off keeps a source's own ReplayGain tags.
  bool ReplayGain = false;
};

}  // namespace corvane
