#include "ReplayGainTags.h"

#include <algorithm>
#include <cctype>

#include "ACSException.h"
#include "AppTexts.h"
#include "FLACfile.h"
#include "TextFormat.h"

namespace corvane {

using namespace loudness;

namespace {

bool IsReplayGainName(const std::string& Name) {
  constexpr std::string_view kPrefix = "REPLAYGAIN_";
  if (Name.size() < kPrefix.size()) return false;
  return std::equal(kPrefix.begin(), kPrefix.end(), Name.begin(), [](char A, char B) {
    return A == std::toupper(static_cast<unsigned char>(B));
  });
}

bool IsAlbumGainName(const std::string& Name) {
  std::string upper = Name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char C) { return static_cast<char>(std::toupper(C)); });
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
