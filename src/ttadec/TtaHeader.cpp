#include "TtaHeader.h"

#include <array>
#include <string>

#include "TtaCrc.h"
#include "TtaError.h"
#include "TtaFile.h"

namespace corvane::ttadec {
namespace {

uint32_t Le16(const uint8_t* Bytes) {
  return Bytes[0] | uint32_t{Bytes[1]} << 8;
}

uint32_t Le32(const uint8_t* Bytes) {
  return Le16(Bytes) | Le16(Bytes + 2) << 16;
}

constexpr int kMaxLeadingTags = 8;

// The bytes of the ID3v2 tag at Offset, 0 when there is none: "ID3", two version bytes,
// flags, and a size in four 7-bit bytes that leaves out the ten header bytes and the footer's.
int64_t Id3v2TagBytes(const TTtaFile& File, int64_t Offset) {
  std::array<uint8_t, 10> tag{};
  if (!File.Read(Offset, tag.data(), 10) || tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3' ||
      tag[3] == 0xff || tag[4] == 0xff || ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) != 0) {
    return 0;
  }
  const int64_t size = int64_t{tag[6]} << 21 | tag[7] << 14 | tag[8] << 7 | tag[9];
  const bool footer = (tag[5] & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

[[noreturn]] void Refuse(const std::string& What) {
  throw ETtaError(TTtaFault::Unsupported, "TTA files " + What + " are not supported");
}

// The format word: 1 is integer PCM. 2 is the same PCM with its filters keyed by a password
// we would have to ask the user for.
void CheckFormat(uint32_t Format) {
  if (Format == 2) throw ETtaError(TTtaFault::Unsupported, "encrypted TTA files are not supported");
  if (Format != 1) Refuse("of format " + std::to_string(Format));
}

}  // namespace

int64_t TTtaHeader::SamplesIn(int64_t Frame) const {
  if (Frame < 0 || Frame >= Frames) return 0;
  return Frame + 1 < Frames ? FrameSamples : Samples - Frame * FrameSamples;
}

int64_t SkipId3v2Tags(const TTtaFile& File) {
  int64_t at = 0;
  // Now and then two tags follow one another; a file of nothing but tags is no TTA file, and
  // is not read tag by tag to its end.
  for (int tags = 0; tags < kMaxLeadingTags; ++tags) {
    const int64_t bytes = Id3v2TagBytes(File, at);
    if (bytes == 0) break;
    at += bytes;
  }
  return at;
}

TTtaHeader ReadTtaHeader(const TTtaFile& File) {
  TTtaHeader header;
  const int64_t start = SkipId3v2Tags(File);
  std::array<uint8_t, kTtaHeaderBytes> bytes{};
  if (!File.Read(start, bytes.data(), 4) || Le32(bytes.data()) != 0x31415454u) {  // "TTA1"
    throw ETtaError(TTtaFault::NotThisFormat, "not a TTA file");
  }
  if (!File.Read(start, bytes.data(), kTtaHeaderBytes)) {
    throw ETtaError(TTtaFault::Damaged, "the TTA header is cut short", 0);
  }
  if (TtaCrc(bytes.data(), 18) != Le32(bytes.data() + 18)) {
    throw ETtaError(TTtaFault::Damaged, "the TTA header is damaged (its CRC does not match)", 0);
  }
  CheckFormat(Le16(bytes.data() + 4));
  const uint32_t channels = Le16(bytes.data() + 6);
  const uint32_t bits = Le16(bytes.data() + 8);
  const uint32_t rate = Le32(bytes.data() + 10);
  if (channels < 1 || channels > 2) Refuse("with " + std::to_string(channels) + " channels");
  if (bits != 8 && bits != 16 && bits != 24) Refuse("of " + std::to_string(bits) + "-bit samples");
  if (rate < 1 || rate > kMaxTtaSampleRate) Refuse("at " + std::to_string(rate) + " Hz");
  header.Channels = static_cast<int>(channels);
  header.BitsPerSample = static_cast<int>(bits);
  header.SampleRate = static_cast<int>(rate);
  header.Samples = Le32(bytes.data() + 14);
  // A frame lasts 256/245 of a second, rounded down to whole samples.
  header.FrameSamples = int64_t{256} * rate / 245;
  header.Frames = (header.Samples + header.FrameSamples - 1) / header.FrameSamples;
  header.TableOffset = start + kTtaHeaderBytes;
  return header;
}

}  // namespace corvane::ttadec
