#include "FLACfile.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "ByteOrder.h"
#include "File.h"
#include "FlacFormat.h"
#include "TagText.h"
#include "TextCodec.h"

namespace corvane {
namespace {

struct TField {
  std::string_view Name;
  std::string TFLACfile::*Value;
};

// The comment names in the order they are written; the first 20 are the basic fields.
constexpr size_t kBasicFieldCount = 20;
const std::array<TField, 28> kFields = {{
    {"TRACKNUMBER", &TFLACfile::TrackNumber},
    {"ARTIST", &TFLACfile::Artist},
    {"ALBUM", &TFLACfile::Album},
    {"TITLE", &TFLACfile::Title},
    {"DATE", &TFLACfile::Date},
    {"GENRE", &TFLACfile::Genre},
    {"COMMENT", &TFLACfile::Comment},
    {"COMPOSER", &TFLACfile::Composer},
    {"LANGUAGE", &TFLACfile::Language},
    {"COPYRIGHT", &TFLACfile::Copyright},
    {"URL", &TFLACfile::Url},
    {"ENCODER", &TFLACfile::Encoder},
    {"TONES", &TFLACfile::Tones},
    {"STYLES", &TFLACfile::Styles},
    {"MOOD", &TFLACfile::Mood},
    {"SITUATION", &TFLACfile::Situation},
    {"RATING", &TFLACfile::Rating},
    {"QUALITY", &TFLACfile::Quality},
    {"TEMPO", &TFLACfile::Tempo},
    {"TYPE", &TFLACfile::Type},
    {"PERFORMER", &TFLACfile::Performer},
    {"LICENSE", &TFLACfile::License},
    {"ORGANIZATION", &TFLACfile::Organization},
    {"DESCRIPTION", &TFLACfile::Description},
    {"LOCATION", &TFLACfile::Location},
    {"CONTACT", &TFLACfile::Contact},
    {"ISRC", &TFLACfile::Isrc},
    {"LYRICS", &TFLACfile::Lyrics},
}};

void AppendEntry(std::string& Out, std::string_view Name, std::string_view Value) {
  AppendLittleEndian32(Out, static_cast<uint32_t>(Name.size() + 1 + Value.size()));
  Out += Name;
  Out += '=';
  Out += Value;
}

// A block that is not the last one: the padding block behind it always is.
void AppendBlock(std::string& Out, int Type, std::string_view Body) {
  Out += static_cast<char>(Type);
  AppendBigEndian24(Out, static_cast<uint32_t>(Body.size()));
  Out += Body;
}

}  // namespace

TFLACfile::TFLACfile() {
  Reset(true, true);
}

void TFLACfile::Reset(bool FileInfo, bool Tags) {
  if (FileInfo) {
    FFileName.clear();
    FChannels = 0;
    FSampleRate = 0;
    FBitsPerSample = 0;
    FSamples = 0;
    FFileSize = 0;
    FBitrate = 0;
    FMarkerOffset = 0;
    FAudioOffset = 0;
    FCommentIndex = 0;
    FCommentOffset = 0;
    FPaddingIndex = 0;
    FPaddingSize = 0;
    FPaddingLast = false;
    FExtraPadding = false;
    FOtherBlocks.clear();
    FOtherBlocks.shrink_to_fit();
  }
  if (Tags) {
    VendorText.clear();
    for (const auto& field : kFields) (this->*field.Value).clear();
    ExtraFields.clear();
    Pictures.clear();
    FCommentSize = 0;
    FTagExists = false;
  }
}

std::vector<std::pair<std::string, std::string>> TFLACfile::Comments() const {
  std::vector<std::pair<std::string, std::string>> comments;
  for (const auto& field : kFields) {
    const std::string& value = this->*field.Value;
    if (!value.empty()) comments.emplace_back(field.Name, value);
  }
  comments.insert(comments.end(), ExtraFields.begin(), ExtraFields.end());
  return comments;
}

std::string* TFLACfile::FieldNamed(std::string_view Name) {
  for (const auto& field : kFields) {
    if (field.Name == Name) return &(this->*field.Value);
  }
  return nullptr;
}

bool TFLACfile::IsValid() const {
  return std::memcmp(FHeader.data(), "fLaC", 4) == 0 && FChannels > 0 && FSampleRate > 0 &&
         FBitsPerSample > 0 && FSamples > 0;
}

double TFLACfile::GetDuration() const {
  if (!IsValid()) return 0.0;
  return static_cast<double>(FSamples) / FSampleRate;
}

TReadStatus TFLACfile::Damage(const std::string& What) const {
  return TReadStatus::Damaged("The FLAC metadata of \"" + FFileName + "\" is damaged: " + What +
                              ".");
}

TReadStatus TFLACfile::Read(const std::string& FileName, bool ParseTags) {
  Reset(true, false);
  FID3v2.Read(FileName);
  const TFile file = TFile::OpenRead(FileName);
  if (!file.IsOpen()) return TReadStatus::FileFailed(file.Error());
  FFileSize = file.Size();
  if (FFileSize < 0) return TReadStatus::FileFailed(file.Error());
  FFileName = FileName;
  FMarkerOffset = FID3v2.Exists ? FID3v2.Size : 0;

  FHeader.fill(0);
  const int64_t got = file.ReadAt(FMarkerOffset, FHeader.data(), flac::kStreamHeaderSize);
  if (got < 0) return TReadStatus::FileFailed(file.Error());
  if (std::memcmp(FHeader.data(), "fLaC", 4) != 0) {
    return TReadStatus::NotThisFormat("\"" + FileName + "\" is no FLAC file.");
  }
  if (got < flac::kStreamHeaderSize) return Damage("its stream information is cut off");
  if (TReadStatus status = ReadStreamInfo(); !status) return status;
  if (TReadStatus status = ScanBlocks(file, ParseTags); !status) {
    // A damaged chain makes the file unusable, whatever its stream information says.
    FSamples = 0;
    return status;
  }
  if (!IsValid()) return Damage("its stream information gives no samples");
  const double kilobits = static_cast<double>(FFileSize - FAudioOffset) / 1000 * 8;
  // A hostile header can claim a few samples at a high rate; keep the figure in range.
  const double bitrate = std::nearbyint(kilobits / GetDuration());
  FBitrate = bitrate < std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(bitrate)
                                                           : std::numeric_limits<int32_t>::max();
  return {};
}

TReadStatus TFLACfile::ReadStreamInfo() {
  // The stream information block must come first and have its fixed size; anything else is not
  // a stream this program can rewrite.
  if ((FHeader[4] & ~flac::kLastBlockFlag) != flac::kStreamInfo ||
      BigEndian24(&FHeader[5]) != flac::kStreamInfoSize) {
    return Damage("its first block is no stream information block of 34 bytes");
  }
  const uint8_t* info = &FHeader[8];
  FSampleRate =
      static_cast<int32_t>(uint32_t{info[10]} << 12 | uint32_t{info[11]} << 4 | info[12] >> 4);
  FChannels = static_cast<uint8_t>(((info[12] >> 1) & 0x07) + 1);
  FBitsPerSample = static_cast<uint8_t>((((info[12] & 0x01) << 4) | (info[13] >> 4)) + 1);
  FSamples = int64_t{info[13] & 0x0F} << 32 | int64_t{info[14]} << 24 | int64_t{info[15]} << 16 |
             int64_t{info[16]} << 8 | info[17];
  return {};
}

TReadStatus TFLACfile::ScanBlocks(const TFile& File, bool ParseTags) {
  TBlockScan scan;
  scan.Position = FMarkerOffset + flac::kStreamHeaderSize;
  scan.Last = (FHeader[4] & flac::kLastBlockFlag) != 0;
  for (int32_t ordinal = 1; !scan.Last; ++ordinal) {
    if (ordinal > kMaxBlocks) {
      return Damage("it has more than " + std::to_string(kMaxBlocks) + " blocks");
    }
    if (TReadStatus status = ScanBlock(File, ordinal, ParseTags, scan); !status) return status;
  }
  FAudioOffset = scan.Position;
  return {};
}

TReadStatus TFLACfile::ScanBlock(const TFile& File, int32_t Ordinal, bool ParseTags,
                                 TBlockScan& Scan) {
  const std::string which = "block " + std::to_string(Ordinal);
  const auto cutOff = [&](const char* Part) {
    if (File.Error().Code != 0) return TReadStatus::FileFailed(File.Error());
    return Damage("the " + std::string(Part) + " of " + which + " is cut off");
  };
  TFlacBlock block;
  if (!File.ReadExact(Scan.Position, block.Header.data(), flac::kBlockHeaderSize)) {
    return cutOff("header");
  }
  Scan.Position += flac::kBlockHeaderSize;
  Scan.Last = block.IsLast();
  const int type = block.Type();
  const int64_t length = BigEndian24(&block.Header[1]);
  // A block of length 0 is an ordinary block: the next header follows it directly. (A
  // kept empty last block becomes an empty inner block when the chain is rewritten, so the
  // reader must accept what the writer makes.)
  if (type == flac::kInvalidType) return Damage(which + " has the reserved type 127");
  if (length > FFileSize - Scan.Position) return Damage(which + " runs past the end of the file");
  // The format allows one comment block; with two, which one a player shows is anyone's
  // guess, and replacing one would leave the other in charge.
  if (type == flac::kVorbisComment && FCommentIndex != 0) {
    return Damage("it holds a second comment block");
  }
  if (type == flac::kPadding && FPaddingIndex == 0) {
    FPaddingIndex = Ordinal;
    FPaddingSize = static_cast<int32_t>(length);
    FPaddingLast = Scan.Last;
    Scan.Position += length;
    return {};
  }
  if (type == flac::kPadding) FExtraPadding = true;
  const bool isComment = type == flac::kVorbisComment;
  if (!isComment && (Scan.KeptBytes += length) > kMaxKeptBytes) {
    return Damage("its blocks hold more than " + std::to_string(kMaxKeptBytes >> 20) + " MiB");
  }
  block.Body.resize(static_cast<size_t>(length));
  if (!File.ReadExact(Scan.Position, block.Body.data(), length)) return cutOff("body");
  if (isComment) {
    FCommentOffset = Scan.Position;
    FCommentSize = static_cast<int32_t>(length);
    FCommentIndex = Ordinal;
    ReadCommentBlock(block.Body, ParseTags);
  } else {
    FOtherBlocks.push_back(std::move(block));
  }
  Scan.Position += length;
  return {};
}

void TFLACfile::ReadCommentBlock(const std::vector<uint8_t>& Body, bool ParseTags) {
  // Everything is read from within the block's declared length; what follows the last entry
  // that fits is ignored, and the scan goes on after the declared length.
  const size_t size = Body.size();
  size_t pos = 0;
  const auto take32 = [&](uint32_t& Value) {
    if (size - pos < 4) return false;
    Value = LittleEndian32(Body.data() + pos);
    pos += 4;
    return true;
  };
  const auto asText = [&](size_t Start, size_t Length) {
    return std::string_view(reinterpret_cast<const char*>(Body.data()) + Start, Length);
  };

  VendorText.clear();
  FTagExists = false;
  uint32_t vendorLength = 0;
  if (!take32(vendorLength) || vendorLength > size - pos) return;
  VendorText = asText(pos, vendorLength);
  pos += vendorLength;
  uint32_t count = 0;
  if (!take32(count)) return;
  FTagExists = static_cast<int32_t>(count) > 0;
  if (!ParseTags) return;

  size_t parsed = 0;
  for (uint32_t entry = 0; entry < count && parsed < kMaxParsedEntries; ++entry, ++parsed) {
    uint32_t length = 0;
    if (!take32(length) || length > size - pos) break;
    const std::string_view text = asText(pos, length);
    pos += length;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    std::string name = LegacyToUtf8(UpperAscii(text.substr(0, equals)));
    std::string value = LegacyToUtf8(text.substr(equals + 1));
    bool taken = false;
    for (const auto& field : kFields) {
      std::string& target = this->*field.Value;
      if (field.Name == name && target.empty()) {
        target = std::move(value);
        taken = true;
        break;
      }
    }
    if (!taken) ExtraFields.emplace_back(std::move(name), std::move(value));
  }
}

std::string TFLACfile::BuildCommentBody(bool BasicFieldsOnly, uint32_t& EntryCount) const {
  std::string entries;
  EntryCount = 0;
  const size_t fieldCount = BasicFieldsOnly ? kBasicFieldCount : kFields.size();
  for (size_t i = 0; i < fieldCount; ++i) {
    const std::string& value = this->*kFields[i].Value;
    if (value.empty()) continue;
    AppendEntry(entries, kFields[i].Name, value);
    ++EntryCount;
  }
  if (!BasicFieldsOnly) {
    for (const auto& [name, value] : ExtraFields) {
      if (TrimText(name).empty() || value.empty()) continue;
      AppendEntry(entries, name, value);
      ++EntryCount;
    }
  }
  std::string body;
  AppendLittleEndian32(body, static_cast<uint32_t>(VendorText.size()));
  body += VendorText;
  AppendLittleEndian32(body, EntryCount);
  body += entries;
  return body;
}

bool TFLACfile::WriteTags(const std::string& FileName, bool BasicFieldsOnly) {
  FWriteError.clear();
  FWriteErrorCode = 0;
  if (const TReadStatus read = Read(FileName, false); !read) {
    const bool fileFailed = read.Outcome == TReadOutcome::FileFailed;
    return WriteFailure(fileFailed ? TTagWriteStatus::ReadFailed : TTagWriteStatus::NotFlac,
                        {read.ErrorCode, FileName, read.Message});
  }
  if (VendorText.empty()) VendorText = kDefaultVendor;
  uint32_t entryCount = 0;
  const std::string body = BuildCommentBody(BasicFieldsOnly, entryCount);
  bool fits = body.size() <= flac::kMaxBlockLength;
  for (const TFlacPicture& picture : Pictures) {
    fits = fits && PictureBlockSize(picture) - flac::kBlockHeaderSize <= flac::kMaxBlockLength;
  }
  bool result = false;
  if (!fits) {
    WriteFailure(
        TTagWriteStatus::TooLarge,
        {0, FileName, "The tags of \"" + FileName + "\" do not fit the 16 MiB of a FLAC block."});
  } else {
    std::string blocks;
    AppendBlock(blocks, flac::kVorbisComment, body);
    for (const TFlacPicture& picture : Pictures) {
      AppendBlock(blocks, flac::kPicture, PictureBlockBody(picture));
    }
    result = RebuildFile(FileName, blocks);
  }
  FTagExists = result && entryCount > 0;
  return result;
}

}  // namespace corvane
