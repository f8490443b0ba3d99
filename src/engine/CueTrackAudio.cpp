#include "CueTrackAudio.h"

#include <algorithm>
#include <stdexcept>

#include "CueTime.h"

namespace corvane {

std::vector<TAudioSegment> CueTrackSegments(const TCueFile& Sheet, int Track) {
  const std::vector<TCueSpan> spans = TrackSpans(Sheet, Track);
  std::vector<TAudioSegment> segments;
  for (size_t i = 0; i < spans.size(); ++i) {
    const TCueSpan& span = spans[i];
    const std::string& path = Sheet.Files.at(static_cast<size_t>(span.File)).Path;
    TMACIn probe;
    probe.SetFileName(path);
    const int rate = probe.SampleRate();  // opens and closes the file
    const int64_t total = probe.TotalSamples();
    const int64_t from = std::min(CdFramesToSample(span.From, rate), total);
    const int64_t to = span.To < 0 ? total : std::min(CdFramesToSample(span.To, rate), total);
    // A track is never converted from anywhere but its own start.
    if (i == 0 && from >= total) {
      throw std::runtime_error(Sheet.CueFileName + ": track " + std::to_string(Track + 1) +
                               " starts at or past the end of " + path + ".");
    }
    if (to > from) segments.push_back({path, from, to});
  }
  return segments;
}

bool IsDigitalSilence(const std::vector<TAudioSegment>& Segments) {
  if (Segments.empty()) return true;
  TMACIn source;
  source.SetSegments(Segments);
  const uint8_t silent = source.BitsPerSample() == 8 ? 0x80 : 0x00;
  source.BeginRead();
  std::vector<uint8_t> block(8192);
  bool silence = true;
  try {
    for (;;) {
      const int64_t got = source.ReadData(block.data(), static_cast<int64_t>(block.size()));
      if (got <= 0) break;
      if (!std::all_of(block.begin(), block.begin() + got, [&](uint8_t b) { return b == silent; })) {
        silence = false;
        break;
      }
    }
  } catch (...) {
    source.EndRead();
    throw;
  }
  source.EndRead();
  return silence;
}

}  // namespace corvane
