// The two ways TFLACfile puts a new comment block (and pictures) into a file: in place, when
// the padding can absorb the change, or by writing a complete new file beside the original and
// renaming it over the original.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "ByteOrder.h"
#include "FLACfile.h"
#include "FlacFormat.h"
#include "TagFile.h"

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

// Makes the rename durable; a failure here does not undo a rename that has happened.
void SyncFolderOf(const std::string& FileName) {
  std::string folder = std::filesystem::path(FileName).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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

bool TFLACfile::WriteFailure(TTagWriteStatus Status, const std::string& What,
                             const std::string& Name) {
  const int error = errno;
  FWriteStatus = Status;
  FFileErrorCode = error;
  FWriteError = What + " \"" + Name + "\". " + std::strerror(error);
  return false;
}

bool TFLACfile::RebuildFile(const std::string& FileName, const std::string& NewBlocks) {
  struct stat info {};
  if (::stat(FileName.c_str(), &info) != 0) {
    return WriteFailure(TTagWriteStatus::Missing, "Cannot find file", FileName);
  }
  auto mode = static_cast<unsigned>(info.st_mode & 07777);
  if ((mode & S_IWUSR) == 0) {
    mode |= S_IWUSR;
    if (::chmod(FileName.c_str(), mode) != 0) {
      return WriteFailure(TTagWriteStatus::NotWritable, "Cannot make file writable", FileName);
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

bool TFLACfile::RewriteInPlace(const std::string& FileName, const std::string& NewBlocks,
                               bool RewriteAll, int64_t NewPad) {
  // The metadata region keeps its exact length, so the audio (and, without RewriteAll, any
  // blocks behind the padding) stays where it is.
  const int64_t regionStart = RewriteAll ? FMarkerOffset + flac::kStreamHeaderSize
                                         : FCommentOffset - flac::kBlockHeaderSize;
  const int64_t regionEnd =
      RewriteAll ? FAudioOffset
                 : FCommentOffset + FCommentSize + flac::kBlockHeaderSize + FPaddingSize;
  std::string region = RewriteAll ? KeptBlocks() : std::string();
  region += NewBlocks;
  region += BlockHeader(
      FPaddingLast || RewriteAll ? flac::kPadding | flac::kLastBlockFlag : flac::kPadding, NewPad);
  // Padding that keeps its size and place keeps its bytes.
  const bool writePadding = NewPad != FPaddingSize || RewriteAll;
  if (writePadding) region.append(static_cast<size_t>(NewPad), '\0');
  const int64_t regionSize = static_cast<int64_t>(region.size());
  if (regionStart + regionSize + (writePadding ? 0 : NewPad) != regionEnd) {
    errno = EINVAL;
    return WriteFailure(TTagWriteStatus::ReadFailed, "Inconsistent metadata in file", FileName);
  }

  TTagFile file = TTagFile::OpenReadWrite(FileName);
  if (!file.IsOpen())
    return WriteFailure(TTagWriteStatus::WriteFailed, "Cannot open file", FileName);
  // Kept so that a write that fails part-way can be undone.
  std::string original(region.size(), '\0');
  if (!file.ReadExact(regionStart, original.data(), regionSize)) {
    return WriteFailure(TTagWriteStatus::ReadFailed, "Cannot read file", FileName);
  }
  const int64_t written = file.WriteAt(regionStart, region.data(), regionSize);
  if (written != regionSize || !file.Sync()) {
    const int error = errno;
    file.WriteAt(regionStart, original.data(), written == regionSize ? regionSize : written);
    file.Sync();
    errno = error;
    return WriteFailure(TTagWriteStatus::WriteFailed, "Cannot write file", FileName);
  }
  if (!file.Close())
    return WriteFailure(TTagWriteStatus::WriteFailed, "Cannot write file", FileName);
  FWriteStatus = TTagWriteStatus::Done;
  return true;
}

bool TFLACfile::RewriteThroughCopy(const std::string& FileName, const std::string& NewBlocks,
                                   unsigned Mode, unsigned Owner, unsigned Group) {
  const std::string tempName = FileName + "~";
  const TTagFile source = TTagFile::OpenRead(FileName);
  if (!source.IsOpen())
    return WriteFailure(TTagWriteStatus::ReadFailed, "Cannot open file", FileName);
  // A leftover of an earlier run is replaced; O_EXCL below then also refuses a planted link.
  ::unlink(tempName.c_str());
  TTagFile target = TTagFile::CreateNew(tempName, Mode);
  if (!target.IsOpen())
    return WriteFailure(TTagWriteStatus::WriteFailed, "Cannot create file", tempName);

  const auto abandon = [&](TTagWriteStatus Status, const char* What, const std::string& Name) {
    const int error = errno;
    target.Close();
    ::unlink(tempName.c_str());
    errno = error;
    return WriteFailure(Status, What, Name);
  };
  int64_t outPosition = 0;
  const auto put = [&](const void* Data, int64_t Count) {
    if (target.WriteAt(outPosition, Data, Count) != Count) return false;
    outPosition += Count;
    return true;
  };
  enum class TCopy { Done, ReadFailed, WriteFailed };
  // Copies source bytes from From up to To (-1: to the end of the file).
  std::vector<char> buffer;
  const auto copy = [&](int64_t From, int64_t To) {
    // No bigger than the file needs: small files are the common case.
    buffer.resize(static_cast<size_t>(std::clamp<int64_t>(FFileSize, 1, kCopyChunk)));
    for (int64_t position = From; To < 0 || position < To;) {
      const auto chunk = static_cast<int64_t>(buffer.size());
      const int64_t want = To < 0 ? chunk : std::min(chunk, To - position);
      const int64_t got = source.ReadAt(position, buffer.data(), want);
      if (got < 0 || (got < want && To >= 0)) {
        if (got >= 0) errno = EIO;
        return TCopy::ReadFailed;
      }
      if (got == 0) break;
      if (!put(buffer.data(), got)) return TCopy::WriteFailed;
      position += got;
    }
    return TCopy::Done;
  };
  const auto copyFailed = [&](TCopy Result) {
    return Result == TCopy::ReadFailed
               ? abandon(TTagWriteStatus::ReadFailed, "Cannot read file", FileName)
               : abandon(TTagWriteStatus::WriteFailed, "Cannot write file", tempName);
  };

  // A leading ID3v2 tag stays in front: dropping it would lose what it holds.
  if (const TCopy result = copy(0, FMarkerOffset); result != TCopy::Done) return copyFailed(result);
  std::string metadata(reinterpret_cast<const char*>(FHeader.data()), FHeader.size());
  metadata[4] = static_cast<char>(FHeader[4] & ~flac::kLastBlockFlag);
  metadata += KeptBlocks();
  metadata += NewBlocks;
  metadata += BlockHeader(flac::kPadding | flac::kLastBlockFlag, kNewPaddingSize);
  metadata.append(static_cast<size_t>(kNewPaddingSize), '\0');
  if (!put(metadata.data(), static_cast<int64_t>(metadata.size()))) {
    return abandon(TTagWriteStatus::WriteFailed, "Cannot write file", tempName);
  }
  if (const TCopy result = copy(FAudioOffset, -1); result != TCopy::Done) return copyFailed(result);

  // Keep the original's owner where we may (only root may give a file away), then its mode,
  // which a change of owner can narrow.
  if (::fchown(target.Fd(), Owner, Group) != 0) {
    // Not permitted: the copy stays ours, as any file we create would.
  }
  if (::fchmod(target.Fd(), Mode) != 0 || !target.Sync()) {
    return abandon(TTagWriteStatus::WriteFailed, "Cannot write file", tempName);
  }
  if (!target.Close()) {
    const int error = errno;
    ::unlink(tempName.c_str());
    errno = error;
    return WriteFailure(TTagWriteStatus::WriteFailed, "Cannot write file", tempName);
  }
  // The rename replaces the original in one step: there is no moment without a whole file.
  if (::rename(tempName.c_str(), FileName.c_str()) != 0) {
    const int error = errno;
    ::unlink(tempName.c_str());
    errno = error;
    return WriteFailure(TTagWriteStatus::RenameFailed, "Cannot replace file", FileName);
  }
  SyncFolderOf(FileName);
  FWriteStatus = TTagWriteStatus::Done;
  return true;
}

}  // namespace corvane
