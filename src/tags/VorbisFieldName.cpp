#include "VorbisFieldName.h"

#include "TagText.h"

namespace corvane {

std::string VorbisNameOfApeKey(std::string_view Key) {
  const std::string upper = UpperAscii(TrimText(Key));
  if (upper == "ALBUM ARTIST") return "ALBUMARTIST";
  if (upper == "DISC") return "DISCNUMBER";
  std::string name;
  bool meaningful = false;
  for (size_t i = 0; i < upper.size(); ++i) {
    const auto byte = static_cast<unsigned char>(upper[i]);
    if (byte >= 0x20 && byte <= 0x7D && byte != '=') {
      name += static_cast<char>(byte);
      meaningful = meaningful || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
      continue;
    }
    name += '_';
    // The continuation bytes of a UTF-8 character belong to the one "_".
    if (byte >= 0xC0) {
      while (i + 1 < upper.size() && (static_cast<unsigned char>(upper[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  return meaningful ? name : std::string();
}

}  // namespace corvane
