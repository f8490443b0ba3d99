#include "TagTransfer.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "ACSException.h"
#include "CoverArt.h"
#include "FlacFormat.h"

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

void TTagTransfer::AddApeCover(TJobTags& Tags, const std::string& Source) {
  TCoverSearch cover = CoverOfApeTag(ApeTagReader, Source);
  if (cover.Picture) Tags.Pictures.push_back(std::move(*cover.Picture));
  if (!cover.Note.empty()) Tags.Notes.push_back(std::move(cover.Note));
}

TTagTransfer::TJobTags TTagTransfer::TagsOf(const TJob& Job, const TCueSheetList& Sheets) {
  TJobTags tags;
  ApeTagReader.Reset();
  if (Job.Kind == TJobKind::CueTrack) {
    const TCueFile& sheet = SheetOfLine(Sheets, Job.Text);
    const TCueTrack& track = TrackOfLine(sheet, Job.Text);
    tags.Write = true;
    tags.Comments = TagsOfCueTrack(sheet, track);
    // The image's own cover first: its tag describes the whole disc, as the sheet does.
    const std::vector<TCueSpan> spans = TrackSpans(sheet, TrackIndexOfLine(Job.Text));
    if (!spans.empty()) {
      const std::string& audio = sheet.Files.at(static_cast<size_t>(spans.front().File)).Path;
      // A tag that is damaged still gives the cover read before the damage.
      ApeTagReader.Read(audio);
      if (ApeTagReader.Exists) AddApeCover(tags, audio);
    }
    if (tags.Pictures.empty()) {
      const std::string image = FolderCoverFile(ExtractFilePath(sheet.CueFileName));
      if (!image.empty()) {
        TCoverSearch cover = CoverOfFile(image);
        if (cover.Picture) tags.Pictures.push_back(std::move(*cover.Picture));
        if (!cover.Note.empty()) tags.Notes.push_back(std::move(cover.Note));
      }
    }
    return tags;
  }
  // A source without an APE tag leaves the file as the encoder wrote it.
  ApeTagReader.Read(Job.Text);
  if (!ApeTagReader.Exists) return tags;
  tags.Write = true;
  tags.Comments = TagsOfApeTag(ApeTagReader);
  AddApeCover(tags, Job.Text);
  return tags;
}

void TTagTransfer::TransferTags(const TJob& Job, const TCueSheetList& Sheets,
                                const std::string& OutputFile) {
  FNotes.clear();
  TJobTags tags = TagsOf(Job, Sheets);
  FNotes = std::move(tags.Notes);
  if (!tags.Write) return;
  TFLACfile& writer = FlacTagWriter;
  writer.Reset(false, true);
  for (const auto& [name, value] : tags.Comments.Entries()) {
    std::string* field = writer.FieldNamed(name);
    if (field != nullptr && field->empty()) {
      *field = value;
    } else {
      writer.ExtraFields.emplace_back(name, value);
    }
  }
  writer.Pictures = std::move(tags.Pictures);
  Write(OutputFile);
}

int64_t TTagTransfer::MetadataBytes(const TJob& Job, const TCueSheetList& Sheets) {
  const TJobTags tags = TagsOf(Job, Sheets);
  if (!tags.Write) return 0;
  // Block header, vendor length, a vendor string as long as any library writes, entry count.
  constexpr int64_t kFixed = flac::kBlockHeaderSize + 4 + 64 + 4;
  int64_t bytes = kFixed;
  for (const auto& [name, value] : tags.Comments.Entries()) {
    bytes += 4 + static_cast<int64_t>(name.size()) + 1 + static_cast<int64_t>(value.size());
  }
  for (const TFlacPicture& picture : tags.Pictures) bytes += PictureBlockSize(picture);
  return bytes;
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
      // The message carries the system's reason; the number lets the window say it in the
      // user's words.
      throw EFileError(
          "The tags of " + OutputFile + " could not be written: " + FlacTagWriter.LastWriteError(),
          OutputFile, FlacTagWriter.LastWriteErrorCode());
    default:
      return;
  }
}

}  // namespace corvane
