#include "CueTrackAudio.h"

#include <algorithm>
#include <stdexcept>

#include "AppTexts.h"
#include "CueTime.h"
#include "InputFormats.h"
#include "TextFormat.h"

namespace corvane {

const TSheetAudio::TFileLength& TSheetAudio::LengthOf(int File) {
  std::optional<TFileLength>& slot = FFiles.at(static_cast<size_t>(File));
  if (!slot) {
    slot.emplace();
    try {
      const std::unique_ptr<TAudioSource> probe =
          OpenAudioSource(FSheet.Files[static_cast<size_t>(File)].Path);
      probe->SetFileName(FSheet.Files[static_cast<size_t>(File)].Path);
      slot->SampleRate = probe->SampleRate();  // opens and closes the file
      slot->Frames = probe->TotalSamples();
    } catch (...) {
      slot->Error = std::current_exception();
    }
  }
  if (slot->Error) std::rethrow_exception(slot->Error);
  return *slot;
}

std::vector<TAudioSegment> TSheetAudio::TrackSegments(int Track) {
  const std::vector<TCueSpan> spans = TrackSpans(FSheet, Track);
  std::vector<TAudioSegment> segments;
  for (size_t i = 0; i < spans.size(); ++i) {
    const TCueSpan& span = spans[i];
    const std::string& path = FSheet.Files.at(static_cast<size_t>(span.File)).Path;
    const TFileLength& file = LengthOf(span.File);
    const int64_t from = SampleWithin(span.From, file.SampleRate, file.Frames);
    const int64_t to =
        span.To < 0 ? file.Frames : SampleWithin(span.To, file.SampleRate, file.Frames);
    // A track is never converted from anywhere but its own start.
    if (i == 0 && from >= file.Frames) {
      throw std::runtime_error(FormatText(texts::kErrorTrackStartsPastEnd,
                                          {FSheet.CueFileName, std::to_string(Track + 1), path}));
    }
    if (to > from) segments.push_back({path, from, to});
  }
  return segments;
}

bool IsDigitalSilence(const std::vector<TAudioSegment>& Segments) {
  if (Segments.empty()) return true;
  const std::unique_ptr<TAudioSource> source = OpenAudioSource(Segments.front().FileName);
  source->SetSegments(Segments);
  const uint8_t silent = source->BitsPerSample() == 8 ? 0x80 : 0x00;
  source->BeginRead();
  std::vector<uint8_t> block(8192);
  bool silence = true;
  try {
    for (;;) {
      const int64_t got = source->ReadData(block.data(), static_cast<int64_t>(block.size()));
      if (got <= 0) break;
      if (!std::all_of(block.begin(), block.begin() + got,
                       [&](uint8_t b) { return b == silent; })) {
        silence = false;
        break;
      }
    }
  } catch (...) {
    source->EndRead();
    throw;
  }
  source->EndRead();
  return silence;
}

}  // namespace corvane
