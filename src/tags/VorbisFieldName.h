#pragma once

#include <string>
#include <string_view>

namespace corvane {

// The Vorbis comment name an APE tag item is carried over under: "Album Artist" becomes
// ALBUMARTIST and "Disc" DISCNUMBER, as players know them; any other key is upper-cased.
// A Vorbis name holds only the characters 0x20 to 0x7D without "=": each other character of
// the key ("=", "~", a control character, a whole UTF-8 character) becomes "_". A key that
// keeps no letter or digit that way ("封面", say) gives an empty name: such an item is not
// carried over, as a name of underscores would say nothing and several would collide.
std::string VorbisNameOfApeKey(std::string_view Key);

}  // namespace corvane
