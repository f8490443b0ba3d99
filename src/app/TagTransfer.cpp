#include "TagTransfer.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "ACSException.h"

namespace corvane {

const TCueFile& SheetOfLine(const TCueSheetList& Sheets, const std::string& Line) {
  const int index = CueIndexOfLine(Line);
  if (index < 0 || index >= static_cast<int>(Sheets.size())) {
    throw std::runtime_error("The cue sheet of \"" + Line + "\" is no longer loaded.");
  }
  return *Sheets[static_cast<size_t>(index)];
}

const TCueTrack& TrackOfLine(const TCueFile& Sheet, const std::string& Line) {
  const int index = TrackIndexOfLine(Line);
  if (index == -1 && Sheet.HiddenTrack) return *Sheet.HiddenTrack;
  if (index < 0 || index >= static_cast<int>(Sheet.Tracks.size())) {
    throw std::runtime_error("The cue sheet " + Sheet.CueFileName + " has no track " +
                             std::to_string(index + 1) + ".");
  }
  return Sheet.Tracks[static_cast<size_t>(index)];
}

TTagTransfer::TValues TTagTransfer::ValuesOf(const TJob& Job, const TCueSheetList& Sheets) {
  TValues values;
  ApeTagReader.Reset();
  if (Job.Kind == TJobKind::CueTrack) {
    const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
    const TCueTrack& track = TrackOfLine(sheet, Job.Text);
    values.Write = true;
    values.Title = track.Title;
    values.Artist = track.Performer;
    values.Album = sheet.Title;
    return values;
  }
  // A source without an APE tag leaves the file as the encoder wrote it.
  ApeTagReader.Read(Job.Text);
  if (!ApeTagReader.Exists) return values;
  values.Write = true;
  values.Title = ApeTagReader.Title;
  values.Artist = ApeTagReader.Artist;
  values.Album = ApeTagReader.Album;
  values.TrackNumber = std::to_string(ApeTagReader.Track);
  values.Date = ApeTagReader.Year;
  values.Genre = ApeTagReader.Genre;
  values.Comment = ApeTagReader.Comment;
  values.Copyright = ApeTagReader.Copyright;
  return values;
}

void TTagTransfer::TransferTags(const TJob& Job, const TCueSheetList& Sheets,
                                const std::string& OutputFile) {
  TValues values = ValuesOf(Job, Sheets);
  if (!values.Write) return;
  TFLACfile& tags = FlacTagWriter;
  tags.Title = std::move(values.Title);
  tags.Artist = std::move(values.Artist);
  tags.Album = std::move(values.Album);
  tags.TrackNumber = std::move(values.TrackNumber);
  tags.Date = std::move(values.Date);
  tags.Genre = std::move(values.Genre);
  tags.Comment = std::move(values.Comment);
  tags.Copyright = std::move(values.Copyright);
  Write(OutputFile);
}

int64_t TTagTransfer::MetadataBytes(const TJob& Job, const TCueSheetList& Sheets) {
  const TValues values = ValuesOf(Job, Sheets);
  if (!values.Write) return 0;
  // Block header, vendor length, a vendor string as long as any library writes, entry count.
  constexpr int64_t kFixed = 4 + 4 + 64 + 4;
  int64_t bytes = kFixed;
  const std::pair<const char*, const std::string*> entries[] = {
      {"TRACKNUMBER", &values.TrackNumber},
      {"ARTIST", &values.Artist},
      {"ALBUM", &values.Album},
      {"TITLE", &values.Title},
      {"DATE", &values.Date},
      {"GENRE", &values.Genre},
      {"COMMENT", &values.Comment},
      {"COPYRIGHT", &values.Copyright}};
  for (const auto& [name, value] : entries) {
    if (value->empty()) continue;
    bytes += 4 + static_cast<int64_t>(std::char_traits<char>::length(name)) + 1 +
             static_cast<int64_t>(value->size());
  }
  return bytes;
}

void TTagTransfer::Write(const std::string& OutputFile) {
  const auto fail = [&](const std::string& Why) {
    throw EFileError("The tags of " + OutputFile + " could not be written: " + Why, OutputFile,
                     FlacTagWriter.LastFileErrorCode());
  };
  bool written = false;
  try {
    written = FlacTagWriter.WriteTags(OutputFile, false);
  } catch (const std::exception& E) {
    fail(E.what());
  }
  if (written) return;
  // A file that does not read as FLAC is left as it is. A file operation that failed is an
  // error the user must see: the converted file lacks its tags.
  switch (FlacTagWriter.LastWriteStatus()) {
    case TTagWriteStatus::Missing:
    case TTagWriteStatus::NotWritable:
    case TTagWriteStatus::ReadFailed:
    case TTagWriteStatus::WriteFailed:
    case TTagWriteStatus::RenameFailed:
      fail(FlacTagWriter.LastWriteError());
      break;
    default:
      return;
  }
}

}  // namespace corvane
