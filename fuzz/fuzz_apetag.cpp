#include <cstddef>
#include <cstdint>

#include "APEtag.h"
#include "ImageInfo.h"
#include "ScratchFile.h"
#include "TextCodec.h"
#include "VorbisFieldName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& path = corvane::fuzz::WriteScratchFile(Data, Size);
  corvane::TAPEtag tag;
  const corvane::TReadStatus status = tag.Read(path);
  // Only a tag, whole or damaged, gives texts; every other outcome, and damage, says why.
  const bool read = status.Whole() || status.Outcome == corvane::TReadOutcome::Damaged;
  if (status.Whole() != status.Message.empty()) __builtin_trap();
  // Fields hold text the program shows and writes on: it must always be UTF-8.
  for (const std::string* text :
       {&tag.Title, &tag.Artist, &tag.Album, &tag.Year, &tag.Genre, &tag.Comment, &tag.Copyright}) {
    if (!corvane::IsValidUtf8(*text) || (!read && !text->empty())) __builtin_trap();
  }
  for (const auto& [key, text] : tag.MoreValues) {
    if (!corvane::IsValidUtf8(text) || !read) __builtin_trap();
  }
  for (const auto& [key, text] : tag.OtherItems) {
    if (!corvane::IsValidUtf8(text)) __builtin_trap();
    // What becomes a comment name must be one.
    for (const char c : corvane::VorbisNameOfApeKey(key)) {
      if (c < 0x20 || c > 0x7D || c == '=') __builtin_trap();
    }
  }
  corvane::ReadImageInfo(tag.CoverArtFront);
  return 0;
}
