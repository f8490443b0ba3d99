#include "TagTransfer.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "ACSException.h"
#include "AppTexts.h"
#include "CoverArt.h"
#include "Disc.h"
#include "FlacFormat.h"
#include "InputFormats.h"
#include "JobFailure.h"
#include "Language.h"
#include "PathNames.h"
#include "TextFormat.h"

namespace corvane {
namespace {

// A vendor string as long as any library writes: the room it is given beside the comments.
constexpr int64_t kVendorRoom = 64;
// The comment block's fixed part: vendor length, the vendor and the entry count.
constexpr int64_t kCommentBlockFixed = 4 + kVendorRoom + 4;
// libFLAC's decoder (1.4) takes a comment block of more entries for a malicious file and
// reports bad metadata, so that "flac -t" fails on the file: no more are written.
constexpr size_t kMaxComments = 100000;
// Names a note on left-out tags gives; more are counted.
constexpr size_t kNamesInNote = 5;

// The note on the tags that were read but are not written: each name once, the first few of
// them, and how many values in all when there are more.
std::string LeftOutNote(const std::vector<std::string>& Names, int64_t Count, const TJob& Job) {
  std::vector<std::string> shown;
  for (const std::string& name : Names) {
    if (shown.size() == kNamesInNote) break;
    if (std::find(shown.begin(), shown.end(), name) == shown.end()) shown.push_back(name);
  }
  std::string list;
  for (const std::string& name : shown)
    list += (list.empty() ? "" : TranslatedText(texts::kListSeparator)) + name;
  if (Count > static_cast<int64_t>(shown.size())) {
    list = FormatText(texts::kNoteFieldsAndMore, {list, std::to_string(Count)});
  }
  return FormatText(texts::kNoteFieldsLeftOut, {list, NamesOfJob(Job).Job});
}

}  // namespace

void TTagTransfer::AddApeCover(TJobTags& Tags, const std::string& Source) {
  TCoverSearch cover = CoverOfApeTag(ApeTagReader, Source);
  if (cover.Picture) Tags.Pictures.push_back(std::move(*cover.Picture));
  if (!cover.Note.empty()) Tags.Notes.push_back(std::move(cover.Note));
}

void TTagTransfer::ReadApeTag(TJobTags& Tags, const std::string& Source) {
  // A damaged tag still gives what was read before the damage; the user hears that it is not
  // all.
  if (ApeTagReader.Read(Source).Outcome == TReadOutcome::Damaged) {
    Tags.Notes.push_back(FormatText(texts::kNoteApeTagDamaged, {Source}));
  }
}

void TTagTransfer::FitComments(TJobTags& Tags, const TJob& Job, bool FromApeTag) {
  std::vector<std::string> names;
  int64_t count = 0;
  if (FromApeTag) {
    // Items the reader left out would not have fitted either.
    for (const std::string& key : ApeTagReader.LeftOutKeys) {
      const std::string name = VorbisNameOfApeItem(key);
      names.push_back(name.empty() ? key : name);
    }
    count = ApeTagReader.LeftOutCount;
  }
  // A value no block can hold would lose every tag of the file; it alone stays out.
  const std::vector<std::string> leftOut =
      Tags.Comments.KeepWithin(flac::kMaxBlockLength - kCommentBlockFixed, kMaxComments);
  names.insert(names.end(), leftOut.begin(), leftOut.end());
  count += static_cast<int64_t>(leftOut.size());
  if (count > 0) Tags.Notes.push_back(LeftOutNote(names, count, Job));
}

namespace {

TSourceTags TagsOfFormat(const std::string& File) {
  const TInputFormat* format = InputFormatOf(File);
  return format != nullptr ? format->Tags : TSourceTags::None;
}

// The pictures of a FLAC file, every one or its front cover only.
std::vector<TFlacPicture> FlacPictures(const TFLACfile& Flac, bool FrontCoverOnly) {
  std::vector<TFlacPicture> pictures;
  for (const TFlacBlock& block : Flac.OtherBlocks()) {
    if (block.Type() != flac::kPicture) continue;
    std::optional<TFlacPicture> picture = PictureOfBlock(block.Body);
    if (!picture || (FrontCoverOnly && picture->Type != TFlacPicture::kFrontCover)) continue;
    pictures.push_back(std::move(*picture));
    if (FrontCoverOnly) break;
  }
  return pictures;
}

}  // namespace

TJobTags TTagTransfer::FlacTagsOf(const TJob& Job) {
  TJobTags tags;
  TFLACfile source;
  if (!source.Read(Job.Text, true)) return tags;
  for (const auto& [name, value] : source.Comments()) {
    // The sheet of an image whose tracks are its jobs; a file converted whole has none left.
    if (name != "CUESHEET") tags.Comments.Add(name, value);
  }
  tags.Pictures = FlacPictures(source, false);
  tags.Write = !tags.Comments.Entries().empty() || !tags.Pictures.empty();
  FitComments(tags, Job, false);
  return tags;
}

TJobTags TTagTransfer::TagsOf(const TJob& Job) {
  TJobTags tags;
  ApeTagReader.Reset();
  if (Job.Kind == TJobKind::CueTrack) {
    const TCueFile& sheet = SheetOfJob(Job);
    tags.Write = true;
    tags.Comments = TagsOfCueTrack(sheet, Job.Disc->Track(Job.Track));
    FitComments(tags, Job, false);
    // The image's own cover first: its tag describes the whole disc, as the sheet does.
    if (!Job.Audio.empty()) {
      const std::string& audio = Job.Audio.front().FileName;
      if (TagsOfFormat(audio) == TSourceTags::FlacComments) {
        TFLACfile image;
        if (image.Read(audio, false)) tags.Pictures = FlacPictures(image, true);
      } else if (TagsOfFormat(audio) == TSourceTags::ApeTag) {
        ReadApeTag(tags, audio);
        if (ApeTagReader.Exists) AddApeCover(tags, audio);
      }
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
  switch (TagsOfFormat(Job.Text)) {
    case TSourceTags::FlacComments:
      return FlacTagsOf(Job);
    case TSourceTags::None:
      return tags;
    case TSourceTags::ApeTag:
      break;
  }
  // A source without an APE tag leaves the file as the encoder wrote it.
  ReadApeTag(tags, Job.Text);
  if (!ApeTagReader.Exists) return tags;
  tags.Write = true;
  tags.Comments = TagsOfApeTag(ApeTagReader);
  FitComments(tags, Job, true);
  AddApeCover(tags, Job.Text);
  return tags;
}

std::string TTagTransfer::AlbumOf(const std::string& File) {
  TVorbisEntries comments;
  switch (TagsOfFormat(File)) {
    case TSourceTags::FlacComments: {
      TFLACfile source;
      if (!source.Read(File, true)) return {};
      for (const auto& [name, value] : source.Comments()) comments.Add(name, value);
      break;
    }
    case TSourceTags::ApeTag:
      ApeTagReader.Reset();
      ApeTagReader.Read(File);
      comments = TagsOfApeTag(ApeTagReader);
      break;
    case TSourceTags::None:
      return {};
  }
  for (const auto& [name, value] : comments.Entries()) {
    if (name == "ALBUM") return value;
  }
  return {};
}

int64_t TJobTags::MetadataBytes() const {
  if (!Write) return 0;
  int64_t bytes = flac::kBlockHeaderSize + kCommentBlockFixed;
  for (const auto& [name, value] : Comments.Entries()) bytes += CommentBytes(name, value);
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
          FormatText(texts::kErrorTagsNotWritten, {OutputFile, FlacTagWriter.LastWriteError()}),
          OutputFile, FlacTagWriter.LastWriteErrorCode());
    default:
      return;
  }
}

}  // namespace corvane
