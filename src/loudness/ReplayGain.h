#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::loudness {

// ReplayGain 2.0 plays every track at -18 LUFS.
inline constexpr double ReferenceLoudness = -18.0;

// The gain that brings Loudness (LUFS) to the reference; 0 dB for silence (-HUGE_VAL).
double ReplayGainOf(double Loudness);

// "-7.23 dB", "1.50 dB", "0.00 dB": two decimals, a sign only when negative, a point whatever
// the locale. Throws std::invalid_argument for a gain that is not finite.
std::string FormatGain(double Db);
// "0.988281": six decimals, a point whatever the locale.
std::string FormatPeak(double Peak);

struct TReplayGainValues {
  double TrackGain = 0.0;
  double TrackPeak = 0.0;
  std::optional<double> AlbumGain;
  std::optional<double> AlbumPeak;
};

// The Vorbis comments (name, value) for one track, track values first, then the album's
// ones that are known.
std::vector<std::pair<std::string, std::string>> ReplayGainFields(const TReplayGainValues& Values);

}  // namespace corvane::loudness
