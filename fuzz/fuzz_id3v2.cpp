#include <cstddef>
#include <cstdint>

#include "ID3v2.h"
#include "ScratchFile.h"
#include "TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  corvane::TID3v2 tag;
  tag.Read(path);
  // A tag never claims more than the file holds, and its texts are UTF-8.
  if (tag.Size < 0 || tag.Size > static_cast<int64_t>(Size)) __builtin_trap();
  for (const std::string* text :
       {&tag.Title, &tag.Artist, &tag.Album, &tag.TrackText, &tag.Year, &tag.Genre, &tag.Comment,
        &tag.Composer, &tag.Encoder, &tag.Copyright, &tag.Language, &tag.Link, &tag.SizeText}) {
    if (!corvane::IsValidUtf8(*text)) __builtin_trap();
  }
  return 0;
}
