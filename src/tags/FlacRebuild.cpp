// The two ways TFLACfile puts a new comment block (and pictures) into a file: in place, when
// the padding can absorb the change, or by writing a complete new file beside the original and
// renaming it over the original.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "ByteOrder.h"
#include "FLACfile.h"
#include "File.h"
#include "FlacFormat.h"

namespace corvane {
namespace {

constexpr int64_t kCopyChunk = 1 << 20;

std::string BlockHeader(uint8_t TypeAndFlag, int64_t Length) {
  std::string header(1, static_cast<char>(TypeAndFlag));
  AppendBigEndian24(header, static_cast<uint32_t>(Length));
  return header;
}

// Whether Block is a picture that one of Pictures takes the place of.
bool IsReplacedPicture(const TFlacBlock& Block, const std::vector<TFlacPicture>& Pictures) {
  if (Block.Type() != flac::kPicture) return false;
  const std::optional<uint32_t> type = PictureTypeOf(Block.Body);
  return type && std::any_of(Pictures.begin(), Pictures.end(),
                             [&](const TFlacPicture& Picture) { return Picture.Type == *type; });
}

// A failed read of File: its own error, or a file shorter than its metadata said.
TFileError ReadErrorOf(const TFile& File) {
  if (File.Error().Code != 0) return File.Error();
  return FileErrorOf(kCannotReadFile, File.FileName(), EIO);
}

// The error of a failed system call on FileName, taken from errno at once.
TFileError SystemError(const char* What, const std::string& FileName) {
  return FileErrorOf(What, FileName, errno);
}

// Why a step of the rewrite through a copy failed.
struct TCopyProblem {
  TTagWriteStatus Status;
  TFileError Error;
};
using TCopyResult = std::optional<TCopyProblem>;

// The complete new file the rewrite writes beside the original, filled from its start. It is
// removed again unless it replaced the original.
class TCopyFile {
 public:
  // Creates the copy with the original's permission bits. A leftover of an earlier run is
  // replaced; creating the file afresh then also refuses a planted link.
  TCopyFile(std::string Name, unsigned Mode) : FName(std::move(Name)) {
    ::unlink(FName.c_str());
    FFile = TFile::CreateNew(FName, Mode);
    FCreated = FFile.IsOpen();
  }
  TCopyFile(const TCopyFile&) = delete;
  TCopyFile& operator=(const TCopyFile&) = delete;
  ~TCopyFile() {
    if (!FCreated || FReplaced) return;
    FFile.Close();
    ::unlink(FName.c_str());
  }

  const TFile& File() const { return FFile; }
  TCopyResult Append(std::string_view Bytes);
  // Appends Source's bytes from From up to To (to the end of the file when To < 0).
  TCopyResult CopyFrom(const TFile& Source, int64_t From, int64_t To);
  // Gives the copy the original's owner where it may and its mode, flushes and closes it.
  TCopyResult Finish(unsigned Mode, unsigned Owner, unsigned Group);
  // Renames the finished copy over Original: there is no moment without a whole file.
  TCopyResult Replace(const std::string& Original);

 private:
  TCopyResult WriteFailed(int Code) const {
    return TCopyProblem{TTagWriteStatus::WriteFailed, FileErrorOf(kCannotWriteFile, FName, Code)};
  }

  std::string FName;
  TFile FFile;
  int64_t FSize = 0;
  std::vector<char> FBuffer;
  bool FCreated = false;
  bool FReplaced = false;
};

TCopyResult TCopyFile::Append(std::string_view Bytes) {
  const auto count = static_cast<int64_t>(Bytes.size());
  if (FFile.WriteAt(FSize, Bytes.data(), count) != count) return WriteFailed(FFile.Error().Code);
  FSize += count;
  return std::nullopt;
}

TCopyResult TCopyFile::CopyFrom(const TFile& Source, int64_t From, int64_t To) {
  // No bigger than the file needs: small files are the common case.
  FBuffer.resize(static_cast<size_t>(std::clamp<int64_t>(Source.Size(), 1, kCopyChunk)));
  for (int64_t position = From; To < 0 || position < To;) {
    const auto chunk = static_cast<int64_t>(FBuffer.size());
    const int64_t want = To < 0 ? chunk : std::min(chunk, To - position);
    const int64_t got = Source.ReadAt(position, FBuffer.data(), want);
    if (got < 0 || (got < want && To >= 0)) {
      return TCopyProblem{TTagWriteStatus::ReadFailed, ReadErrorOf(Source)};
    }
    if (got == 0) break;
    if (TCopyResult problem = Append(std::string_view(FBuffer.data(), static_cast<size_t>(got)))) {
      return problem;
    }
    position += got;
  }
  return std::nullopt;
}

TCopyResult TCopyFile::Finish(unsigned Mode, unsigned Owner, unsigned Group) {
  // Keep the original's owner where we may (only root may give a file away), then its mode,
  // which a change of owner can narrow.
  if (::fchown(FFile.Fd(), Owner, Group) != 0) {
    // Not permitted: the copy stays ours, as any file we create would.
  }
  if (::fchmod(FFile.Fd(), Mode) != 0) return WriteFailed(errno);
  if (!FFile.Sync() || !FFile.Close()) return WriteFailed(FFile.Error().Code);
  return std::nullopt;
}

TCopyResult TCopyFile::Replace(const std::string& Original) {
  if (::rename(FName.c_str(), Original.c_str()) != 0) {
    return TCopyProblem{TTagWriteStatus::RenameFailed,
                        SystemError("Cannot replace file", Original)};
  }
  FReplaced = true;
  return std::nullopt;
}

}  // namespace

// The kept blocks as they go back into the file when the metadata is rewritten whole: none of
// them is last any more (the new padding block is), further padding blocks are left out
// because their room goes to the one padding block, and so are the pictures being replaced.
std::string TFLACfile::KeptBlocks() const {
  std::string out;
  for (const auto& block : FOtherBlocks) {
    if (block.Type() == flac::kPadding || IsReplacedPicture(block, Pictures)) continue;
    out += static_cast<char>(block.Header[0] & ~flac::kLastBlockFlag);
    out.append(reinterpret_cast<const char*>(&block.Header[1]), 3);
    out.append(reinterpret_cast<const char*>(block.Body.data()), block.Body.size());
  }
  return out;
}

int64_t TFLACfile::ReplacedPictureBytes() const {
  int64_t bytes = 0;
  for (const auto& block : FOtherBlocks) {
    if (IsReplacedPicture(block, Pictures))
      bytes += flac::kBlockHeaderSize + static_cast<int64_t>(block.Body.size());
  }
  return bytes;
}

bool TFLACfile::WriteFailure(TTagWriteStatus Status, const TFileError& Error) {
  FWriteStatus = Status;
  FWriteErrorCode = Error.Code;
  FWriteError = Error.Message;
  return false;
}

bool TFLACfile::RebuildFile(const std::string& FileName, const std::string& NewBlocks) {
  struct stat info {};
  if (::stat(FileName.c_str(), &info) != 0) {
    return WriteFailure(TTagWriteStatus::Missing, SystemError("Cannot find file", FileName));
  }
  auto mode = static_cast<unsigned>(info.st_mode & 07777);
  if ((mode & S_IWUSR) == 0) {
    mode |= S_IWUSR;
    if (::chmod(FileName.c_str(), mode) != 0) {
      return WriteFailure(TTagWriteStatus::NotWritable,
                          SystemError("Cannot make file writable", FileName));
    }
  }

  // What the metadata grows by: the new blocks in place of the old comment block and of the
  // pictures they replace.
  const int64_t grow = static_cast<int64_t>(NewBlocks.size()) -
                       (FCommentSize + flac::kBlockHeaderSize) - ReplacedPictureBytes();
  if (FCommentIndex > 0 && FPaddingIndex > 0 && FPaddingSize > grow) {
    // New pictures go behind the comment block, which the padding may not directly follow.
    const bool rewriteAll =
        FPaddingIndex != FCommentIndex + 1 || FExtraPadding || !Pictures.empty();
    int64_t freedPadding = 0;
    if (rewriteAll) {
      for (const auto& block : FOtherBlocks) {
        if (block.Type() == flac::kPadding)
          freedPadding += flac::kBlockHeaderSize + static_cast<int64_t>(block.Body.size());
      }
    }
    const int64_t newPad = FPaddingSize - grow + freedPadding;
    // Merged padding too large for one block cannot go in place.
    if (newPad <= flac::kMaxBlockLength)
      return RewriteInPlace(FileName, NewBlocks, rewriteAll, newPad);
  }
  return RewriteThroughCopy(FileName, NewBlocks, mode, info.st_uid, info.st_gid);
}

std::string TFLACfile::InPlaceRegion(const std::string& NewBlocks, bool RewriteAll,
                                     int64_t NewPad) const {
  std::string region = RewriteAll ? KeptBlocks() : std::string();
  region += NewBlocks;
  region += BlockHeader(
      FPaddingLast || RewriteAll ? flac::kPadding | flac::kLastBlockFlag : flac::kPadding, NewPad);
  // Padding that keeps its size and place keeps its bytes.
  if (NewPad != FPaddingSize || RewriteAll) region.append(static_cast<size_t>(NewPad), '\0');
  return region;
}

bool TFLACfile::RewriteInPlace(const std::string& FileName, const std::string& NewBlocks,
                               bool RewriteAll, int64_t NewPad) {
  // The metadata region keeps its exact length, so the audio (and, without RewriteAll, any
  // blocks behind the padding) stays where it is.
  const int64_t regionStart = RewriteAll ? FMarkerOffset + flac::kStreamHeaderSize
                                         : FCommentOffset - flac::kBlockHeaderSize;
  const int64_t regionEnd =
      RewriteAll ? FAudioOffset
                 : FCommentOffset + FCommentSize + flac::kBlockHeaderSize + FPaddingSize;
  const std::string region = InPlaceRegion(NewBlocks, RewriteAll, NewPad);
  const int64_t regionSize = static_cast<int64_t>(region.size());
  const bool keptPadding = NewPad == FPaddingSize && !RewriteAll;
  if (regionStart + regionSize + (keptPadding ? NewPad : 0) != regionEnd) {
    return WriteFailure(TTagWriteStatus::ReadFailed,
                        {0, FileName, "Inconsistent metadata in file \"" + FileName + "\"."});
  }

  TFile file = TFile::OpenReadWrite(FileName);
  if (!file.IsOpen()) return WriteFailure(TTagWriteStatus::WriteFailed, file.Error());
  // Kept so that a write that fails part-way can be undone.
  std::string original(region.size(), '\0');
  if (!file.ReadExact(regionStart, original.data(), regionSize)) {
    return WriteFailure(TTagWriteStatus::ReadFailed, ReadErrorOf(file));
  }
  const int64_t written = file.WriteAt(regionStart, region.data(), regionSize);
  if (written != regionSize || !file.Sync()) {
    const TFileError error = file.Error();
    file.WriteAt(regionStart, original.data(), written);
    file.Sync();
    return WriteFailure(TTagWriteStatus::WriteFailed, error);
  }
  if (!file.Close()) {
    return WriteFailure(TTagWriteStatus::WriteFailed,
                        FileErrorOf(kCannotWriteFile, FileName, file.Error().Code));
  }
  FWriteStatus = TTagWriteStatus::Done;
  return true;
}

std::string TFLACfile::RewrittenMetadata(const std::string& NewBlocks) const {
  std::string metadata(reinterpret_cast<const char*>(FHeader.data()), FHeader.size());
  metadata[4] = static_cast<char>(FHeader[4] & ~flac::kLastBlockFlag);
  metadata += KeptBlocks();
  metadata += NewBlocks;
  metadata += BlockHeader(flac::kPadding | flac::kLastBlockFlag, kNewPaddingSize);
  metadata.append(static_cast<size_t>(kNewPaddingSize), '\0');
  return metadata;
}

bool TFLACfile::RewriteThroughCopy(const std::string& FileName, const std::string& NewBlocks,
                                   unsigned Mode, unsigned Owner, unsigned Group) {
  const TFile source = TFile::OpenRead(FileName);
  if (!source.IsOpen()) return WriteFailure(TTagWriteStatus::ReadFailed, source.Error());
  TCopyFile copy(FileName + "~", Mode);
  if (!copy.File().IsOpen()) return WriteFailure(TTagWriteStatus::WriteFailed, copy.File().Error());
  // A leading ID3v2 tag stays in front: dropping it would lose what it holds.
  TCopyResult problem = copy.CopyFrom(source, 0, FMarkerOffset);
  if (!problem) problem = copy.Append(RewrittenMetadata(NewBlocks));
  if (!problem) problem = copy.CopyFrom(source, FAudioOffset, -1);
  if (!problem) problem = copy.Finish(Mode, Owner, Group);
  if (!problem) problem = copy.Replace(FileName);
  if (problem) return WriteFailure(problem->Status, problem->Error);
  SyncFolderOf(FileName);
  FWriteStatus = TTagWriteStatus::Done;
  return true;
}

}  // namespace corvane
