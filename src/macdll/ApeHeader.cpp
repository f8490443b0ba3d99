#include "ApeHeader.h"

#include <algorithm>
#include <cstring>

#include "ApeError.h"
#include "ApeFormat.h"
#include "MACDllApi.h"

namespace corvane::macdll {
namespace {

// Format flags of the older header.
constexpr int kFlag8Bit = 1;
constexpr int kFlagPeakLevel = 4;
constexpr int kFlag24Bit = 8;
constexpr int kFlagSeekElements = 16;
constexpr int kFlagNoWavHeader = 32;

constexpr int kDescriptorBytes = 52;  // the descriptor of 3.98 and later, up to its MD5
constexpr int kNewHeaderBytes = 24;
constexpr int kOldHeaderBytes = 32;  // "MAC ", version and the fixed fields

[[noreturn]] void Invalid() {
  throw TMacError{MAC_ERROR_INVALID_INPUT_FILE};
}
[[noreturn]] void DamagedSeekTable() {
  throw TMacError{MAC_ERROR_DAMAGED_SEEK_TABLE};
}

uint32_t Le16(const uint8_t* P) {
  return static_cast<uint32_t>(P[0] | (P[1] << 8));
}
uint32_t Le32(const uint8_t* P) {
  return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) |
         (static_cast<uint32_t>(P[2]) << 16) | (static_cast<uint32_t>(P[3]) << 24);
}

// Offset of the first byte after any ID3v2 tags at the start of the file.
int64_t SkipId3v2Tags(const TApeFile& File) {
  int64_t offset = 0;
  for (int tags = 0; tags < 16; ++tags) {  // a few stacked tags at most; never loop for long
    uint8_t head[10];
    if (!File.ReadAt(offset, head, sizeof head) || std::memcmp(head, "ID3", 3) != 0) break;
    if ((head[6] | head[7] | head[8] | head[9]) & 0x80) break;  // not a synchsafe size
    const int64_t size = (int64_t{head[6]} << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
    const bool footer = (head[5] & 0x10) != 0;
    offset += 10 + size + (footer ? 10 : 0);
  }
  return offset;
}

// Where the audio ends: before an ID3v1 tag and an APE tag at the end of the file.
int64_t EndBeforeTags(const TApeFile& File, int64_t Floor) {
  int64_t end = File.Size();
  uint8_t id3[3];
  if (end - 128 >= Floor && File.ReadAt(end - 128, id3, 3) && std::memcmp(id3, "TAG", 3) == 0) {
    end -= 128;
  }
  uint8_t footer[32];
  if (end - 32 >= Floor && File.ReadAt(end - 32, footer, 32) &&
      std::memcmp(footer, "APETAGEX", 8) == 0) {
    const int64_t size = Le32(footer + 12);
    const bool header = (Le32(footer + 20) & 0x80000000u) != 0;
    const int64_t start = end - size - (header ? 32 : 0);
    if (size >= 32 && start >= Floor) end = start;
  }
  return end;
}

// Where the layouts put the seek table and the stored WAV header, and what they say is stored
// around the frames.
struct TTablePlace {
  int64_t SeekTable = 0;
  int64_t SeekTableBytes = 0;
  int64_t WavHeader = 0;
  int64_t WavHeaderBytes = 0;  // 0: the file keeps no WAV header
  int64_t WavTail = 0;
  int64_t FrameDataBytes = 0;  // what the frames take up; 0 where the header does not say
};

// The stream fields of the 3.98 layout, from the descriptor at the header's start.
void ReadNewLayout(const TApeFile& File, TApeHeader& Header, TTablePlace& Place) {
  uint8_t d[kDescriptorBytes];
  if (!File.ReadAt(Header.MacOffset, d, sizeof d)) Invalid();
  const int64_t descriptorBytes = Le32(d + 8);
  const int64_t headerBytes = Le32(d + 12);
  Place.SeekTableBytes = Le32(d + 16);
  const int64_t wavHeaderBytes = Le32(d + 20);
  Place.FrameDataBytes = Le32(d + 24) | (int64_t{Le32(d + 28)} << 32);
  Place.WavTail = Le32(d + 32);
  if (descriptorBytes < kDescriptorBytes || headerBytes < kNewHeaderBytes) Invalid();
  uint8_t h[kNewHeaderBytes];
  if (!File.ReadAt(Header.MacOffset + descriptorBytes, h, sizeof h)) Invalid();
  Header.Level = static_cast<int>(Le16(h));
  Header.FormatFlags = static_cast<int>(Le16(h + 2));
  Header.BlocksPerFrame = Le32(h + 4);
  Header.FinalFrameBlocks = Le32(h + 8);
  Header.TotalFrames = Le32(h + 12);
  Header.BitsPerSample = static_cast<int>(Le16(h + 16));
  Header.Channels = static_cast<int>(Le16(h + 18));
  Header.SampleRate = Le32(h + 20);
  Place.SeekTable = Header.MacOffset + descriptorBytes + headerBytes;
  Place.WavHeader = Place.SeekTable + Place.SeekTableBytes;
  if (!(Header.FormatFlags & kFlagNoWavHeader)) Place.WavHeaderBytes = wavHeaderBytes;
  Header.FirstFrame = Place.WavHeader + wavHeaderBytes;
}

// The stream fields of the older fixed header.
void ReadOldLayout(const TApeFile& File, TApeHeader& Header, TTablePlace& Place) {
  uint8_t h[kOldHeaderBytes];
  if (!File.ReadAt(Header.MacOffset, h, sizeof h)) Invalid();
  Header.Level = static_cast<int>(Le16(h + 6));
  Header.FormatFlags = static_cast<int>(Le16(h + 8));
  Header.Channels = static_cast<int>(Le16(h + 10));
  Header.SampleRate = Le32(h + 12);
  const int64_t wavHeaderBytes = Le32(h + 16);
  Place.WavTail = Le32(h + 20);
  Header.TotalFrames = Le32(h + 24);
  Header.FinalFrameBlocks = Le32(h + 28);

  int64_t headerBytes = kOldHeaderBytes;
  if (Header.FormatFlags & kFlagPeakLevel) headerBytes += 4;
  if (Header.FormatFlags & kFlagSeekElements) {
    uint8_t count[4];
    if (!File.ReadAt(Header.MacOffset + headerBytes, count, 4)) Invalid();
    Place.SeekTableBytes = int64_t{Le32(count)} * 4;
    headerBytes += 4;
  } else {
    Place.SeekTableBytes = Header.TotalFrames * 4;
  }
  Header.BitsPerSample = (Header.FormatFlags & kFlag8Bit)    ? 8
                         : (Header.FormatFlags & kFlag24Bit) ? 24
                                                             : 16;
  if (Header.Version >= 3950) {
    Header.BlocksPerFrame = 73728 * 4;
  } else if (Header.Version >= 3900 || Header.Level >= kLevelExtraHigh) {
    Header.BlocksPerFrame = 73728;
  } else {
    Header.BlocksPerFrame = 9216;
  }
  // The WAV header is stored between the header and the seek table unless the decoder is
  // to make one up; the first frame's offset counts it either way.
  Place.WavHeader = Header.MacOffset + headerBytes;
  if (!(Header.FormatFlags & kFlagNoWavHeader)) Place.WavHeaderBytes = wavHeaderBytes;
  Place.SeekTable = Place.WavHeader + Place.WavHeaderBytes;
  Header.FirstFrame = Header.MacOffset + headerBytes + Place.SeekTableBytes + wavHeaderBytes;
  if (Header.Version < 3810) Header.FirstFrame += Header.TotalFrames;  // the bit table
}

bool DecodableFormat(const TApeHeader& Header) {
  return Header.Version >= kOldestVersion && Header.Version <= kNewestVersion &&
         (Header.BitsPerSample == 8 || Header.BitsPerSample == 16 ||
          Header.BitsPerSample == 24) &&
         (Header.Channels == 1 || Header.Channels == 2);
}

}  // namespace

std::string VersionText(int Version) {
  const int hundredths = (Version % 1000) / 10;
  return std::to_string(Version / 1000) + "." + (hundredths < 10 ? "0" : "") +
         std::to_string(hundredths);
}

namespace {

TTablePlace ReadLayout(const TApeFile& File, TApeHeader& Header) {
  TTablePlace place;
  if (Header.Version >= 3980) {
    ReadNewLayout(File, Header, place);
  } else {
    ReadOldLayout(File, Header, place);
  }
  return place;
}

void CheckFields(const TApeHeader& Header, const TTablePlace& Place) {
  if (Header.Level % 1000 != 0 || Header.Level < kLevelFast || Header.Level > kLevelInsane ||
      (Header.Version < 3930 && Header.Level == kLevelInsane)) {
    Invalid();
  }
  // The rate is left to whoever writes the PCM: decoding does not need it.
  if (Header.TotalFrames == 0 || Header.BlocksPerFrame <= 0 ||
      Header.BlocksPerFrame > kMaxFrameBlocks || Header.FinalFrameBlocks <= 0 ||
      Header.FinalFrameBlocks > Header.BlocksPerFrame ||
      Place.SeekTableBytes / 4 < Header.TotalFrames) {
    Invalid();
  }
}

// The seek table (and the bit table of 3.80) must be in the file before we size anything by
// the frame count: that bounds the tables' memory by the file's size.
void ReadFrameTables(const TApeFile& File, TApeHeader& Header, const TTablePlace& Place) {
  const int64_t size = File.Size();
  const int64_t tableBytes = Header.TotalFrames * 4;
  if (Place.SeekTable < 0 || Place.SeekTable > size || tableBytes > size - Place.SeekTable) {
    Invalid();
  }
  std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
  if (!File.ReadAt(Place.SeekTable, table.data(), tableBytes)) Invalid();
  Header.FrameOffsets.resize(static_cast<size_t>(Header.TotalFrames));
  Header.FrameOffsets[0] = Header.FirstFrame;
  for (int64_t i = 1; i < Header.TotalFrames; ++i) {
    Header.FrameOffsets[static_cast<size_t>(i)] =
        Header.MacOffset + Le32(table.data() + 4 * i);
  }
  if (Header.Version < 3810) {
    const int64_t bitTable = Place.SeekTable + Place.SeekTableBytes;
    if (bitTable > size || Header.TotalFrames > size - bitTable) Invalid();
    Header.FrameBitSkips.resize(static_cast<size_t>(Header.TotalFrames));
    if (!File.ReadAt(bitTable, Header.FrameBitSkips.data(), Header.TotalFrames)) Invalid();
  }
}

// Every frame must start after the one before it: an entry that sends a frame back to an
// earlier frame's bytes would have that frame decoded in its place, and its checksum, being
// that frame's own, would pass. Where the header says how long the frames are (3.98 and
// later), none may start at or past their end. A file cut short keeps a sound table whose
// last entries point past the file's end; it is read up to where its data stops.
void CheckFrameTable(const TApeHeader& Header, const TTablePlace& Place) {
  const std::vector<int64_t>& offsets = Header.FrameOffsets;
  for (size_t i = 1; i < offsets.size(); ++i) {
    if (offsets[i] <= offsets[i - 1]) DamagedSeekTable();
  }
  if (Place.FrameDataBytes > 0) {
    // A damaged length field is no reason to refuse frames the file does hold.
    const int64_t end = std::max(Header.FirstFrame + Place.FrameDataBytes, Header.AudioEnd);
    if (offsets.back() >= end) DamagedSeekTable();
  }
}

// The format in the "fmt " chunk of the RIFF header stored at Place; none when the file keeps
// no such header or it is not one of plain PCM.
std::optional<TPcmFormat> ReadStoredWav(const TApeFile& File, const TTablePlace& Place) {
  const int64_t at = Place.WavHeader;
  const int64_t bytes = Place.WavHeaderBytes;
  uint8_t riff[12];
  if (bytes < 12 || !File.ReadAt(at, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  // The format normally comes first; a few chunks in front of it are walked past.
  int64_t offset = 12;
  for (int chunks = 0; chunks < 16 && offset + 8 <= bytes; ++chunks) {
    uint8_t chunk[8];
    if (!File.ReadAt(at + offset, chunk, sizeof chunk)) return std::nullopt;
    const int64_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      uint8_t fmt[16];
      if (size < 16 || offset + 8 + 16 > bytes || !File.ReadAt(at + offset + 8, fmt, 16)) {
        return std::nullopt;
      }
      constexpr uint32_t kPcm = 1;
      constexpr uint32_t kExtensible = 0xfffe;
      const uint32_t tag = Le16(fmt);
      if (tag != kPcm && tag != kExtensible) return std::nullopt;
      return TPcmFormat{Le32(fmt + 4), static_cast<int>(Le16(fmt + 14)),
                        static_cast<int>(Le16(fmt + 2))};
    }
    offset += 8 + size + (size & 1);
  }
  return std::nullopt;
}

}  // namespace

TApeHeader ReadApeHeader(const TApeFile& File) {
  TApeHeader header;
  header.MacOffset = SkipId3v2Tags(File);
  uint8_t magic[6];
  if (!File.ReadAt(header.MacOffset, magic, sizeof magic) || std::memcmp(magic, "MAC ", 4) != 0) {
    Invalid();
  }
  header.Version = static_cast<int>(Le16(magic + 4));

  if (header.Version < kOldestVersion || header.Version > kNewestVersion) {
    // Describe what we can for the message; whatever the fields say, we do not decode it.
    header.Supported = false;
    try {
      ReadLayout(File, header);
    } catch (const TMacError&) {
      header.BitsPerSample = header.Channels = 0;
    }
    return header;
  }
  const TTablePlace place = ReadLayout(File, header);
  if (!DecodableFormat(header)) {
    header.Supported = false;
    return header;
  }
  CheckFields(header, place);
  ReadFrameTables(File, header, place);

  header.AudioEnd = EndBeforeTags(File, header.FirstFrame);
  const int64_t lastFrame = header.FrameOffsets.back();
  if (place.WavTail > 0 && header.AudioEnd - place.WavTail > lastFrame) {
    header.AudioEnd -= place.WavTail;
  }
  CheckFrameTable(header, place);
  header.StoredWav = ReadStoredWav(File, place);
  return header;
}

}  // namespace corvane::macdll
