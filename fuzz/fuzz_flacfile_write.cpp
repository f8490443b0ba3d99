// Rewrites the comment block of a scratch copy, then checks the result reads back with the
// entries just written and the audio bytes where they were.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "FLACfile.h"
#include "ScratchFile.h"

namespace {

std::vector<char> ReadAll(const std::string& Path) {
  std::ifstream file(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  corvane::TFLACfile flac;
  if (!flac.Read(path, true)) {
    // A file the reader refuses must come through WriteTags untouched.
    if (flac.WriteTags(path, false)) __builtin_trap();
    const std::vector<char> after = ReadAll(path);
    if (after.size() != Size || (Size > 0 && std::memcmp(after.data(), Data, Size) != 0))
      __builtin_trap();
    return 0;
  }
  const int64_t audioOffset = flac.AudioOffset();
  flac.Title = "标题 🎵";
  flac.Artist = std::string(1 + Size % 300, 'a');
  if (!flac.WriteTags(path, Size % 2 == 0)) {
    // Only an oversized block may fail here; the file is then as it was.
    if (flac.LastWriteStatus() != corvane::TTagWriteStatus::TooLarge) __builtin_trap();
    return 0;
  }
  corvane::TFLACfile check;
  if (!check.Read(path, true) || check.Title != flac.Title || check.Artist != flac.Artist)
    __builtin_trap();
  // The audio after the metadata is the original's, byte for byte.
  const std::vector<char> after = ReadAll(path);
  const auto audioSize = static_cast<int64_t>(Size) - audioOffset;
  if (check.FileSize() - check.AudioOffset() != audioSize ||
      std::memcmp(after.data() + check.AudioOffset(), Data + audioOffset,
                  static_cast<size_t>(audioSize)) != 0) {
    __builtin_trap();
  }
  return 0;
}
