#include "FlacCueSheet.h"

#include <cstdio>

namespace corvane {
namespace {

// The block's fixed parts, in bytes.
constexpr size_t kCatalog = 128;
constexpr size_t kHead = kCatalog + 8 + 259 + 1;    // catalog, lead-in, CD flag and reserve, count
constexpr size_t kTrackHead = 8 + 1 + 12 + 14 + 1;  // offset, number, ISRC, flags, index count
constexpr size_t kIndex = 12;                       // offset, number, reserve

class TReader {
 public:
  explicit TReader(const std::vector<uint8_t>& Bytes) : FBytes(Bytes) {}
  bool Has(size_t Count) const { return FAt <= FBytes.size() && Count <= FBytes.size() - FAt; }
  uint64_t Be64() {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | FBytes[FAt++];
    return value;
  }
  uint8_t Byte() { return FBytes[FAt++]; }
  std::string Text(size_t Count) {
    std::string text(FBytes.begin() + static_cast<std::ptrdiff_t>(FAt),
                     FBytes.begin() + static_cast<std::ptrdiff_t>(FAt + Count));
    FAt += Count;
    return text.substr(0, text.find('\0'));
  }
  void Skip(size_t Count) { FAt += Count; }

 private:
  const std::vector<uint8_t>& FBytes;
  size_t FAt = 0;
};

std::string CueTime(uint64_t Samples, int SampleRate) {
  const uint64_t frames = Samples * 75 / static_cast<uint64_t>(SampleRate);
  char text[32];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(frames / 75 / 60),
                static_cast<unsigned long long>(frames / 75 % 60),
                static_cast<unsigned long long>(frames % 75));
  return text;
}

bool Printable(const std::string& Text) {
  for (const char c : Text) {
    if (c < 0x20 || c > 0x7e || c == '"') return false;
  }
  return true;
}

}  // namespace

std::string CueSheetOfFlacBlock(const std::vector<uint8_t>& Body, int SampleRate,
                                const std::string& AudioName) {
  if (SampleRate <= 0) return {};
  TReader block(Body);
  if (!block.Has(kHead)) return {};
  const std::string catalog = block.Text(kCatalog);
  block.Skip(8 + 259);
  const int tracks = block.Byte();
  std::string sheet;
  if (!catalog.empty() && Printable(catalog)) sheet += "CATALOG " + catalog + "\r\n";
  sheet += "FILE \"" + AudioName + "\" WAVE\r\n";
  int audioTracks = 0;
  for (int t = 0; t < tracks; ++t) {
    if (!block.Has(kTrackHead)) return {};
    const uint64_t offset = block.Be64();
    const int number = block.Byte();
    const std::string isrc = block.Text(12);
    const bool audio = (block.Byte() & 0x80) == 0;
    block.Skip(13);
    const int indexes = block.Byte();
    if (!block.Has(size_t{static_cast<unsigned>(indexes)} * kIndex)) return {};
    // The lead-out (170 on a CD, 255 otherwise) only marks the end.
    const bool leadOut = t == tracks - 1;
    if (!leadOut && audio) {
      char head[32];
      std::snprintf(head, sizeof head, "  TRACK %02d AUDIO\r\n", number);
      sheet += head;
      if (!isrc.empty() && Printable(isrc)) sheet += "    ISRC " + isrc + "\r\n";
      ++audioTracks;
    }
    for (int i = 0; i < indexes; ++i) {
      const uint64_t indexOffset = block.Be64();
      const int indexNumber = block.Byte();
      block.Skip(3);
      if (leadOut || !audio) continue;
      char line[64];
      std::snprintf(line, sizeof line, "    INDEX %02d %s\r\n", indexNumber,
                    CueTime(offset + indexOffset, SampleRate).c_str());
      sheet += line;
    }
  }
  return audioTracks > 0 ? sheet : std::string();
}

}  // namespace corvane
