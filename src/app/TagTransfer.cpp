#include "TagTransfer.h"

#include <stdexcept>

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

void TTagTransfer::TransferTags(const TJob& Job, const TCueSheetList& Sheets,
                                const std::string& OutputFile) {
  ApeTagReader.Reset();
  TFLACfile& tags = FlacTagWriter;
  if (Job.Kind == TJobKind::CueTrack) {
    const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
    const TCueTrack& track = TrackOfLine(sheet, Job.Text);
    tags.Title = track.Title;
    tags.Artist = track.Performer;
    tags.Album = sheet.Title;
    tags.TrackNumber.clear();
    tags.Date.clear();
    tags.Genre.clear();
    tags.Comment.clear();
    tags.Copyright.clear();
    Write(OutputFile);
    return;
  }
  // A source without an APE tag leaves the file as the encoder wrote it.
  ApeTagReader.Read(Job.Text);
  if (!ApeTagReader.Exists) return;
  tags.Title = ApeTagReader.Title;
  tags.Artist = ApeTagReader.Artist;
  tags.Album = ApeTagReader.Album;
  tags.TrackNumber = std::to_string(ApeTagReader.Track);
  tags.Date = ApeTagReader.Year;
  tags.Genre = ApeTagReader.Genre;
  tags.Comment = ApeTagReader.Comment;
  tags.Copyright = ApeTagReader.Copyright;
  Write(OutputFile);
}

void TTagTransfer::Write(const std::string& OutputFile) {
  if (FlacTagWriter.WriteTags(OutputFile, false)) return;
  // A file that does not read as FLAC is left as it is. A file operation that failed is an
  // error the user must see: the converted file lacks its tags.
  switch (FlacTagWriter.LastWriteStatus()) {
    case TTagWriteStatus::Missing:
    case TTagWriteStatus::NotWritable:
    case TTagWriteStatus::ReadFailed:
    case TTagWriteStatus::WriteFailed:
    case TTagWriteStatus::RenameFailed:
      throw std::runtime_error("The tags of " + OutputFile +
                               " could not be written: " + FlacTagWriter.LastWriteError());
    default:
      return;
  }
}

}  // namespace corvane
