#include "TagTransfer.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "ACSException.h"
#include "CoverArt.h"
#include "Disc.h"
#include "FlacFormat.h"
#include "PathNames.h"

namespace corvane {

void TTagTransfer::AddApeCover(TJobTags& Tags, const std::string& Source) {
  TCoverSearch cover = CoverOfApeTag(ApeTagReader, Source);
  if (cover.Picture) Tags.Pictures.push_back(std::move(*cover.Picture));
  if (!cover.Note.empty()) Tags.Notes.push_back(std::move(cover.Note));
}

TJobTags TTagTransfer::TagsOf(const TJob& Job) {
  TJobTags tags;
  ApeTagReader.Reset();
  if (Job.Kind == TJobKind::CueTrack) {
    const TCueFile& sheet = SheetOfJob(Job);
    tags.Write = true;
    tags.Comments = TagsOfCueTrack(sheet, Job.Disc->Track(Job.Track));
    // The image's own cover first: its tag describes the whole disc, as the sheet does.
    if (!Job.Audio.empty()) {
      const std::string& audio = Job.Audio.front().FileName;
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

int64_t TJobTags::MetadataBytes() const {
  if (!Write) return 0;
  // Block header, vendor length, a vendor string as long as any library writes, entry count.
  constexpr int64_t kFixed = flac::kBlockHeaderSize + 4 + 64 + 4;
  int64_t bytes = kFixed;
  for (const auto& [name, value] : Comments.Entries()) {
    bytes += 4 + static_cast<int64_t>(name.size()) + 1 + static_cast<int64_t>(value.size());
  }
  for (const TFlacPicture& picture : Pictures) bytes += PictureBlockSize(picture);
  return bytes;
}

void TTagTransfer::Write(const TJobTags& Tags, const std::string& OutputFile) {
  if (!Tags.Write) return;
  TFLACfile& writer = FlacTagWriter;
  writer.Reset(false, true);
  for (const auto& [name, value] : Tags.Comments.Entries()) {
    std::string* field = writer.FieldNamed(name);
    if (field != nullptr && field->empty()) {
      *field = value;
    } else {
      writer.ExtraFields.emplace_back(name, value);
    }
  }
  writer.Pictures = Tags.Pictures;
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
