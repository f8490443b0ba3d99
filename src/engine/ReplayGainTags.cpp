#include "ReplayGainTags.h"

#include "ACSException.h"
#include "AppTexts.h"
#include "FLACfile.h"
#include "TagText.h"
#include "TextFormat.h"

namespace corvane {

using namespace loudness;

namespace {

// Vorbis comment names are compared without regard to the case of their ASCII letters.
bool IsReplayGainName(const std::string& Name) {
  return UpperAscii(Name).starts_with("REPLAYGAIN_");
}

bool IsAlbumGainName(const std::string& Name) {
  const std::string upper = UpperAscii(Name);
  return upper == "REPLAYGAIN_ALBUM_GAIN" || upper == "REPLAYGAIN_ALBUM_PEAK";
}

}  // namespace

void DropReplayGain(TJobTags& Tags) {
  TVorbisEntries kept;
  for (const auto& [name, value] : Tags.Comments.Entries()) {
    if (!IsReplayGainName(name)) kept.Add(name, value);
  }
  Tags.Comments = std::move(kept);
}

void AddTrackGain(TJobTags& Tags, const TLoudnessMeter& Track) {
  TReplayGainValues values;
  values.TrackGain = ReplayGainOf(Track.IntegratedLoudness());
  values.TrackPeak = Track.SamplePeak();
  for (auto& [name, value] : ReplayGainFields(values)) Tags.Comments.Add(name, value);
  // A file that had no tags to write gets these.
  Tags.Write = true;
}

void WriteAlbumGain(const std::string& File, double Loudness, double Peak) {
  TFLACfile reader;
  const TReadStatus read = reader.Read(File, true);
  if (!read) {
    throw EFileError(FormatText(texts::kAlbumGainNotWritten, {File, read.Message}), File,
                     read.ErrorCode);
  }
  TJobTags tags;
  tags.Write = true;
  for (const auto& [name, value] : reader.Comments()) {
    if (!IsAlbumGainName(name)) tags.Comments.Add(name, value);
  }
  tags.Comments.Add("REPLAYGAIN_ALBUM_GAIN", FormatGain(ReplayGainOf(Loudness)));
  tags.Comments.Add("REPLAYGAIN_ALBUM_PEAK", FormatPeak(Peak));
  // No pictures given: the file's own stay as they are.
  TTagTransfer().Write(tags, File);
}

}  // namespace corvane
