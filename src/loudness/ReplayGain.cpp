#include "ReplayGain.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace corvane::loudness {
namespace {

// Fixed-point text with Decimals places. std::to_chars ignores the locale: a program whose
// toolkit set a German locale would otherwise write "-7,23 dB", which no player reads.
std::string Fixed(double Value, int Decimals) {
  char text[64];
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, Value, std::chars_format::fixed, Decimals);
  if (result.ec != std::errc()) throw std::invalid_argument("value too large to write");
  std::string out(text, result.ptr);
  // A tiny negative value rounds to "-0.00": the same gain as "0.00", which is what is meant.
  if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  return out;
}

}  // namespace

double ReplayGainOf(double Loudness) {
  // Nothing rose above the absolute gate at -70 LUFS: there is nothing to bring to the
  // reference, and the +inf (or +52 dB) the formula gives would make a player that applies
  // the gain in its amplifier blast the next track. rsgain writes 0 dB here too.
  if (!std::isfinite(Loudness)) return 0.0;
  return ReferenceLoudness - Loudness;
}

std::string FormatGain(double Db) {
  if (!std::isfinite(Db)) throw std::invalid_argument("a ReplayGain gain must be finite");
  return Fixed(Db, 2) + " dB";
}

std::string FormatPeak(double Peak) {
  if (!std::isfinite(Peak) || Peak < 0) {
    throw std::invalid_argument("a ReplayGain peak must be finite and not negative");
  }
  return Fixed(Peak, 6);
}

std::vector<std::pair<std::string, std::string>> ReplayGainFields(const TReplayGainValues& Values) {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"REPLAYGAIN_TRACK_GAIN", FormatGain(Values.TrackGain)},
      {"REPLAYGAIN_TRACK_PEAK", FormatPeak(Values.TrackPeak)}};
  if (Values.AlbumGain) fields.emplace_back("REPLAYGAIN_ALBUM_GAIN", FormatGain(*Values.AlbumGain));
  if (Values.AlbumPeak) fields.emplace_back("REPLAYGAIN_ALBUM_PEAK", FormatPeak(*Values.AlbumPeak));
  return fields;
}

}  // namespace corvane::loudness
