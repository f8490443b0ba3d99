#include "DiscLog.h"

#include <cinttypes>
#include <cstdio>

#include "ACSException.h"
#include "PathNames.h"
#include "StagedFile.h"

namespace corvane {

using namespace proof;
namespace {

std::string Hex(uint32_t Value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, Value);
  return text;
}

std::string LookupText(const TLookupOutcome& Lookup) {
  switch (Lookup.Kind) {
    case TLookupOutcome::TKind::NotAsked:
      return "not asked (the lookup is off)";
    case TLookupOutcome::TKind::Found:
      return "entry found";
    case TLookupOutcome::TKind::NotInDatabase:
      return "the disc is not in the database";
    case TLookupOutcome::TKind::Unreachable:
      return "could not be reached: " + Lookup.Problem;
  }
  return {};
}

std::string TrackLine(const TTrackProof& Track) {
  std::string number = Track.Track < 0 ? "hidden" : std::to_string(Track.Track + 1);
  std::string line = "Track " + number;
  if (!Track.Title.empty()) line += " \"" + Track.Title + "\"";
  line += "\n";
  if (!Track.Written) return line + "  not converted\n";
  if (Track.Crc32) line += "  CRC32            " + Hex(*Track.Crc32) + "\n";
  if (Track.AccurateRip) {
    line += "  AccurateRip v1   " + Hex(Track.AccurateRip->V1) + "\n";
    line += "  AccurateRip v2   " + Hex(Track.AccurateRip->V2) + "\n";
  }
  if (Track.Verdict) line += "  Database         " + DescribeVerdict(*Track.Verdict) + "\n";
  return line;
}

}  // namespace

std::string DiscLogText(const TDiscProof& Disc, const std::string& Program,
                        const std::string& Date) {
  std::string text = Program + " conversion log\n";
  text += "Date: " + Date + "\n\n";
  text += "Sheet: " + Disc.Sheet + "\n";
  for (const std::string& audio : Disc.AudioFiles) text += "Audio: " + audio + "\n";
  if (Disc.Ids) {
    // An image never holds a data track: a disc that had one has other IDs.
    text += "Disc IDs (as an audio-only disc): " + FormatDiscIds(*Disc.Ids) + "\n";
  } else {
    text += "Disc IDs: none (not a CD image whose tracks could all be placed)\n";
  }
  text += "AccurateRip lookup: " + LookupText(Disc.Lookup) + "\n\n";
  for (const TTrackProof& track : Disc.Tracks) text += TrackLine(track);
  if (Disc.ImageCrc32) text += "\nImage CRC32: " + Hex(*Disc.ImageCrc32) + "\n";
  text += "\nVerdict: " + DescribeDiscVerdict(VerdictOf(Disc)) + "\n";
  return text;
}

std::string DiscLogName(const std::string& Sheet, const std::string& FirstOutput) {
  return ExtractFilePath(FirstOutput) + ChangeFileExt(ExtractFileName(Sheet), ".corvane.log");
}

void WriteDiscLog(const std::string& FileName, const std::string& Text) {
  auto [staged, file] = TStagedFile::Create(FileName);
  if (!file.Write(Text.data(), static_cast<int64_t>(Text.size())) || !file.Close()) {
    throw EFileError(file.Error());
  }
  staged.Commit();
}

}  // namespace corvane
