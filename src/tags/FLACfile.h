#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FlacFormat.h"
#include "FlacPicture.h"
#include "ID3v2.h"
#include "ReadStatus.h"

namespace corvane {

class TFile;

// A metadata block kept as read: its 4 header bytes and its body.
struct TFlacBlock {
  std::array<uint8_t, flac::kBlockHeaderSize> Header{};
  std::vector<uint8_t> Body;
  bool IsLast() const { return (Header[0] & flac::kLastBlockFlag) != 0; }
  int Type() const { return Header[0] & ~flac::kLastBlockFlag; }
};

// How the last WriteTags ended; the public result is only a Boolean, this tells a failed
// write apart from a failed rename for the caller that wants to say more.
enum class TTagWriteStatus {
  Done,
  NotFlac,       // the file did not read as a usable FLAC file; it was not touched
  TooLarge,      // the comment block or a picture would not fit a 24-bit length; not touched
  Missing,       // the file vanished before the rewrite
  NotWritable,   // the owner's write permission could not be given
  ReadFailed,    // reading the original failed; nothing was written
  WriteFailed,   // writing (or flushing) failed; the original is as it was
  RenameFailed,  // the finished copy could not replace the original, which is as it was
};

// Reads the metadata of a FLAC file and replaces its Vorbis comment block with one built from
// the tag fields below, keeping every other block and the audio.
//
// The rewrite goes in place when the padding after the comment block can absorb the change (the
// metadata region keeps its length; if the write fails part-way the old bytes are put back).
// Otherwise the whole file is written anew as FileName + "~", flushed, and renamed over the
// original, so there is never a moment when the original is gone; any failure removes the
// temporary file and leaves the original untouched. A leading ID3v2 tag is kept.
//
// Read refuses what it cannot rewrite safely. NotThisFormat: no "fLaC" marker (behind a
// leading ID3v2 tag, if any). Damaged: a first block that is not a 34-byte stream information
// block, a block header or body cut off by the end of the file, the reserved block type 127,
// a second comment block, more than kMaxBlocks blocks, more than kMaxKeptBytes of kept block
// bodies, or stream information without samples. FileFailed: the file could not be opened or
// read. Nothing is thrown. Block types the program does not interpret (pictures among them)
// are kept and written back unchanged; blocks of length 0 are blocks like any other.
//
// Texts are UTF-8. Comment values read from a file go through LegacyToUtf8; values are written
// as they stand. VendorText is carried over from the file byte for byte.
//
// Pictures are written as PICTURE blocks behind the comment block. Each replaces the file's
// pictures of its type (a new front cover takes the place of the old one rather than joining
// it); pictures of other types stay.
class TFLACfile {
 public:
  static constexpr int kMaxBlocks = 65536;
  static constexpr int64_t kMaxKeptBytes = int64_t{256} << 20;
  // More comment entries than this are not parsed into fields (they are never needed, and a
  // 16 MiB block of one-byte entries would otherwise take hundreds of megabytes).
  static constexpr size_t kMaxParsedEntries = 65536;
  static constexpr const char* kDefaultVendor = "reference libFLAC 1.1.0 20030126";
  static constexpr int64_t kNewPaddingSize = 4096;

  TFLACfile();
  void Reset(bool FileInfo, bool Tags);
  bool IsValid() const;
  // Seconds of audio; 0 when the file is not valid.
  double GetDuration() const;
  // Reads the metadata of FileName. With ParseTags, entries of the comment block fill the
  // fields that are still empty; the rest go to ExtraFields. Keeps the tag fields otherwise.
  TReadStatus Read(const std::string& FileName, bool ParseTags);
  // Replaces the comment block of FileName with one made of the non-empty fields (1 to 20, or
  // all 28 and ExtraFields unless BasicFieldsOnly), the file's vendor string and nothing else.
  bool WriteTags(const std::string& FileName, bool BasicFieldsOnly);

  // Tag fields, in the order WriteTags writes them. Empty means absent.
  std::string TrackNumber, Artist, Album, Title, Date, Genre, Comment, Composer, Language,
      Copyright, Url, Encoder, Tones, Styles, Mood, Situation, Rating, Quality, Tempo, Type;
  // Written only when BasicFieldsOnly is false.
  std::string Performer, License, Organization, Description, Location, Contact, Isrc, Lyrics;
  std::string VendorText;
  std::vector<std::pair<std::string, std::string>> ExtraFields;
  // Kept like the tag fields until a Reset of the tags; a Read leaves them alone.
  std::vector<TFlacPicture> Pictures;

  // Every comment read, as name and value: the fields in their order, then ExtraFields.
  std::vector<std::pair<std::string, std::string>> Comments() const;
  // The tag field of a comment name ("TITLE"), or null when it has none of its own.
  std::string* FieldNamed(std::string_view Name);

  // What the last Read found.
  const std::string& FileName() const { return FFileName; }
  const std::array<uint8_t, flac::kStreamHeaderSize>& Header() const { return FHeader; }
  uint8_t Channels() const { return FChannels; }
  int32_t SampleRate() const { return FSampleRate; }
  uint8_t BitsPerSample() const { return FBitsPerSample; }
  int64_t Samples() const { return FSamples; }
  int64_t FileSize() const { return FFileSize; }
  int32_t Bitrate() const { return FBitrate; }
  // Offset of the "fLaC" marker: the size of a leading ID3v2 tag, else 0.
  int64_t MarkerOffset() const { return FMarkerOffset; }
  int64_t AudioOffset() const { return FAudioOffset; }
  int32_t CommentIndex() const { return FCommentIndex; }
  int64_t CommentOffset() const { return FCommentOffset; }
  int32_t PaddingIndex() const { return FPaddingIndex; }
  int32_t PaddingSize() const { return FPaddingSize; }
  bool PaddingLast() const { return FPaddingLast; }
  bool ExtraPadding() const { return FExtraPadding; }
  const std::vector<TFlacBlock>& OtherBlocks() const { return FOtherBlocks; }
  int32_t CommentSize() const { return FCommentSize; }
  bool TagExists() const { return FTagExists; }
  // How the last WriteTags ended, and why it failed: a message naming the file (with the
  // system's reason when a file operation failed), and the system's error number (0 when the
  // failure was none of the system's).
  TTagWriteStatus LastWriteStatus() const { return FWriteStatus; }
  const std::string& LastWriteError() const { return FWriteError; }
  int LastWriteErrorCode() const { return FWriteErrorCode; }

 private:
  // Reads the stream information of the header read into FHeader.
  TReadStatus ReadStreamInfo();
  TReadStatus ScanBlocks(const TFile& File, bool ParseTags);
  // Where the scan of the block chain is.
  struct TBlockScan {
    int64_t Position = 0;   // of the next block header
    int64_t KeptBytes = 0;  // bodies of the blocks kept so far
    bool Last = false;      // the block read last ends the chain
  };
  // Reads the Ordinal-th block of the chain at Scan.Position and moves past it: the comment
  // block is parsed, the first padding block noted, every other block kept.
  TReadStatus ScanBlock(const TFile& File, int32_t Ordinal, bool ParseTags, TBlockScan& Scan);
  TReadStatus Damage(const std::string& What) const;
  void ReadCommentBlock(const std::vector<uint8_t>& Body, bool ParseTags);
  std::string BuildCommentBody(bool BasicFieldsOnly, uint32_t& EntryCount) const;
  // The kept blocks that stay: all but the padding and the pictures that Pictures replace.
  std::string KeptBlocks() const;
  int64_t ReplacedPictureBytes() const;
  // NewBlocks: the comment block, and the picture blocks when there are any.
  bool RebuildFile(const std::string& FileName, const std::string& NewBlocks);
  bool RewriteInPlace(const std::string& FileName, const std::string& NewBlocks, bool RewriteAll,
                      int64_t NewPad);
  // The bytes that replace the region of the metadata that changes in place.
  std::string InPlaceRegion(const std::string& NewBlocks, bool RewriteAll, int64_t NewPad) const;
  bool RewriteThroughCopy(const std::string& FileName, const std::string& NewBlocks, unsigned Mode,
                          unsigned Owner, unsigned Group);
  // The whole metadata of a rewrite through a copy: marker, stream information, the kept and
  // the new blocks and fresh padding.
  std::string RewrittenMetadata(const std::string& NewBlocks) const;
  bool WriteFailure(TTagWriteStatus Status, const TFileError& Error);

  TID3v2 FID3v2;
  std::string FFileName;
  std::array<uint8_t, flac::kStreamHeaderSize> FHeader{};
  uint8_t FChannels = 0;
  int32_t FSampleRate = 0;
  uint8_t FBitsPerSample = 0;
  int64_t FSamples = 0;
  int64_t FFileSize = 0;
  int32_t FBitrate = 0;
  int64_t FMarkerOffset = 0;
  int64_t FAudioOffset = 0;
  int32_t FCommentIndex = 0;
  int64_t FCommentOffset = 0;
  int32_t FPaddingIndex = 0;
  int32_t FPaddingSize = 0;
  bool FPaddingLast = false;
  bool FExtraPadding = false;
  std::vector<TFlacBlock> FOtherBlocks;
  int32_t FCommentSize = 0;
  bool FTagExists = false;
  TTagWriteStatus FWriteStatus = TTagWriteStatus::Done;
  std::string FWriteError;
  int FWriteErrorCode = 0;
};

}  // namespace corvane
