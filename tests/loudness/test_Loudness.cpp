// The loudness meter against FFmpeg's own EBU R128 meter and against values known by
// construction: the sample peak to the bit at every width, results that do not depend on how
// the PCM is cut into calls, an album measured as one, silence, and the comment texts.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "LoudnessMeter.h"
#include "PcmSignal.h"
#include "ProgramRun.h"
#include "ReplayGain.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::loudness {
namespace {

using test::TPcmFormat;
using test::TSignal;

// Sample Index of Pcm as a signed value (8-bit shifted down from its unsigned form).
int64_t SampleAt(const std::vector<uint8_t>& Pcm, int Bits, size_t Index) {
  const size_t bytes = static_cast<size_t>(Bits / 8);
  uint64_t raw = 0;
  for (size_t b = 0; b < bytes; ++b) raw |= uint64_t{Pcm[Index * bytes + b]} << (8 * b);
  if (Bits == 8) return static_cast<int64_t>(raw) - 128;
  const uint64_t sign = uint64_t{1} << (Bits - 1);
  return static_cast<int64_t>(raw ^ sign) - static_cast<int64_t>(sign);
}

void SetSample(std::vector<uint8_t>& Pcm, int Bits, size_t Index, int64_t Value) {
  const size_t bytes = static_cast<size_t>(Bits / 8);
  if (Bits == 8) Value += 128;
  for (size_t b = 0; b < bytes; ++b) {
    Pcm[Index * bytes + b] = static_cast<uint8_t>(static_cast<uint64_t>(Value) >> (8 * b));
  }
}

// The same sine in every channel, its peak at Dbfs.
std::vector<uint8_t> Sine(const TPcmFormat& Format, int64_t Frames, double Hz, double Dbfs) {
  std::vector<uint8_t> pcm(static_cast<size_t>(Frames * Format.FrameBytes()));
  const double amplitude =
      std::pow(10.0, Dbfs / 20) * (std::ldexp(1.0, Format.BitsPerSample - 1) - 1);
  size_t at = 0;
  for (int64_t frame = 0; frame < Frames; ++frame) {
    const double value = amplitude * std::sin(2 * std::numbers::pi * Hz *
                                              static_cast<double>(frame) / Format.SampleRate);
    for (int channel = 0; channel < Format.Channels; ++channel) {
      SetSample(pcm, Format.BitsPerSample, at++, std::lround(value));
    }
  }
  return pcm;
}

TLoudnessMeter Measure(const TPcmFormat& Format, const std::vector<uint8_t>& Pcm,
                       size_t Chunk = 0) {
  TLoudnessMeter meter(Format.SampleRate, Format.Channels, Format.BitsPerSample);
  if (Chunk == 0) Chunk = Pcm.size();
  for (size_t at = 0; at < Pcm.size(); at += Chunk) {
    meter.Add(Pcm.data() + at, std::min(Chunk, Pcm.size() - at));
  }
  return meter;
}

int64_t Seconds(const TPcmFormat& Format, double S) {
  return static_cast<int64_t>(S * Format.SampleRate);
}

// --- FFmpeg's ebur128 filter as the outside measure ---

struct TOutsideCase {
  const char* Name;
  TPcmFormat Format;
  TSignal Signal;  // Silence here stands for the sine below
  double SineHz = 0;
  double SineDbfs = 0;
};

std::ostream& operator<<(std::ostream& Out, const TOutsideCase& Case) {
  return Out << Case.Name;
}

std::vector<uint8_t> OutsidePcm(const TOutsideCase& Case) {
  const int64_t frames = Seconds(Case.Format, 8.5);
  if (Case.Signal == TSignal::Silence) return Sine(Case.Format, frames, Case.SineHz, Case.SineDbfs);
  return test::MakePcm(Case.Format, frames, Case.Signal, 3);
}

// Where the Debian package puts it, as the other suites run it.
constexpr const char* Ffmpeg = "/usr/bin/ffmpeg";

// The number after Label in the summary FFmpeg prints at the end.
double SummaryValue(const std::string& Log, const std::string& Label) {
  const size_t summary = Log.rfind("Summary:");
  if (summary == std::string::npos) throw std::runtime_error("no summary in:\n" + Log);
  const size_t at = Log.find(Label, summary);
  if (at == std::string::npos) throw std::runtime_error("no " + Label + " in:\n" + Log);
  return std::stod(Log.substr(at + Label.size()));
}

class OutsideMeasure : public testing::TestWithParam<TOutsideCase> {};

TEST_P(OutsideMeasure, AgreesWithFfmpeg) {
  if (::access(Ffmpeg, X_OK) != 0) GTEST_SKIP() << Ffmpeg << " is not installed";
  const TOutsideCase& c = GetParam();
  const std::vector<uint8_t> pcm = OutsidePcm(c);
  test::TScratchDir dir;
  const std::string file = dir.File("in.wav");
  test::WriteWav(file, c.Format, pcm);
  const test::TProgramResult run =
      test::RunProgram({Ffmpeg, "-nostdin", "-nostats", "-hide_banner", "-i", file, "-af",
                        "ebur128=peak=sample", "-f", "null", "-"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const double theirLoudness = SummaryValue(run.Err, "I:");
  const double theirPeakDb = SummaryValue(run.Err, "Peak:");

  const TLoudnessMeter meter = Measure(c.Format, pcm, 4608 * c.Format.FrameBytes());
  // FFmpeg prints one decimal: its figure is itself up to 0.05 off.
  EXPECT_NEAR(meter.IntegratedLoudness(), theirLoudness, 0.1);
  // FFmpeg meters at 48 kHz and resamples anything else, which moves the peak between the
  // samples; only a 48 kHz file has the same samples on both sides.
  if (c.Format.SampleRate == 48000) {
    EXPECT_NEAR(20 * std::log10(meter.SamplePeak()), theirPeakDb, 0.051);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Loudness, OutsideMeasure,
    testing::Values(
        TOutsideCase{"Sine1k_minus20_16bit2ch_48k", {16, 2, 48000}, TSignal::Silence, 1000, -20},
        TOutsideCase{"Sine440_minus6_16bit1ch", {16, 1, 44100}, TSignal::Silence, 440, -6},
        TOutsideCase{"Sine100_minus30_24bit2ch", {24, 2, 44100}, TSignal::Silence, 100, -30},
        TOutsideCase{"Sine5k_minus1_8bit1ch_48k", {8, 1, 48000}, TSignal::Silence, 5000, -1},
        TOutsideCase{"Noise_16bit2ch", {16, 2, 44100}, TSignal::Noise},
        TOutsideCase{"Noise_24bit2ch_48k", {24, 2, 48000}, TSignal::Noise},
        TOutsideCase{"Noise_8bit1ch", {8, 1, 44100}, TSignal::Noise},
        TOutsideCase{"LoudNoise_32bit2ch_48k", {32, 2, 48000}, TSignal::LoudNoise},
        TOutsideCase{"Tone_8bit2ch", {8, 2, 44100}, TSignal::Tone},
        TOutsideCase{"Music_16bit2ch_48k", {16, 2, 48000}, TSignal::ClippedMusic},
        TOutsideCase{"Tone_16bit6ch_48k", {16, 6, 48000}, TSignal::Tone},
        TOutsideCase{"Tone_24bit8ch_48k", {24, 8, 48000}, TSignal::Tone}),
    [](const testing::TestParamInfo<TOutsideCase>& Info) { return std::string(Info.param.Name); });

// A 997 Hz sine's loudness is known without any meter: K-weighting adds about 0.69 dB there,
// which the -0.691 of the loudness formula takes away again, so a stereo sine with its peak at
// X dBFS reads X LUFS, and a mono one 3.01 LU less.
TEST(Loudness, SineReadsItsKnownLevel) {
  struct TCase {
    TPcmFormat Format;
    double Dbfs;
    double Lufs;
  };
  const std::vector<TCase> cases = {{{16, 2, 48000}, -20, -20.0},  {{16, 1, 48000}, -20, -23.01},
                                    {{24, 2, 44100}, -3, -3.0},    {{32, 2, 96000}, -40, -40.0},
                                    {{24, 1, 44100}, -12, -15.01}, {{24, 2, 44100}, -60, -60.0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(test::FormatCaseName(c.Format) + " at " + std::to_string(c.Dbfs) + " dBFS");
    const TLoudnessMeter meter =
        Measure(c.Format, Sine(c.Format, Seconds(c.Format, 5), 997, c.Dbfs));
    // Histogram mode sums each block at the centre of its 0.1 LU bin: a steady sine reads
    // up to 0.05 LU off.
    EXPECT_NEAR(meter.IntegratedLoudness(), c.Lufs, 0.051);
  }
}

// --- the sample peak, to the bit ---

TEST(Loudness, SamplePeakIsTheLargestSampleOverFullScale) {
  struct TCase {
    int Bits;
    int Channels;
    int64_t Extreme;  // put into the last channel of one frame
  };
  const std::vector<TCase> cases = {
      {16, 2, -32768},    {16, 2, 32767},      {16, 1, -12345},      {16, 3, 30001},
      {8, 2, -128},       {8, 2, 127},         {8, 1, -100},         {24, 2, -8388608},
      {24, 2, 8388607},   {24, 1, 4000001},    {24, 6, -7777777},    {32, 2, INT32_MIN},
      {32, 2, INT32_MAX}, {32, 1, 1000000007}, {32, 8, -1234567890}, {16, 8, -32768}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + "-bit " + std::to_string(c.Channels) + "ch, " +
                 std::to_string(c.Extreme));
    const TPcmFormat format{c.Bits, c.Channels, 44100};
    const int64_t frames = 30011;
    std::vector<uint8_t> pcm = test::MakePcm(format, frames, TSignal::Noise, 7);
    const size_t samples = static_cast<size_t>(frames * c.Channels);
    SetSample(pcm, c.Bits, samples / 3 / c.Channels * c.Channels + (c.Channels - 1), c.Extreme);
    int64_t largest = 0;
    for (size_t i = 0; i < samples; ++i) {
      largest = std::max(largest, std::abs(SampleAt(pcm, c.Bits, i)));
    }
    ASSERT_EQ(largest, std::abs(c.Extreme));  // the noise stays below it
    const TLoudnessMeter meter = Measure(format, pcm);
    EXPECT_EQ(meter.SamplePeak(), std::ldexp(static_cast<double>(largest), 1 - c.Bits));
  }
}

// --- how the PCM is cut into calls changes nothing ---

TEST(Loudness, ChunkingChangesNothing) {
  const std::vector<TPcmFormat> formats = {{16, 2, 44100}, {8, 1, 44100},  {24, 2, 48000},
                                           {32, 1, 48000}, {24, 6, 44100}, {8, 3, 22050}};
  for (const TPcmFormat& format : formats) {
    const std::vector<uint8_t> pcm =
        test::MakePcm(format, Seconds(format, 2.3), TSignal::ClippedMusic, 5);
    const TLoudnessMeter whole = Measure(format, pcm);
    ASSERT_TRUE(std::isfinite(whole.IntegratedLoudness()));
    for (const size_t chunk : {size_t{1}, size_t{3}, size_t{4097}, pcm.size() - 1}) {
      SCOPED_TRACE(test::FormatCaseName(format) + " in calls of " + std::to_string(chunk));
      const TLoudnessMeter cut = Measure(format, pcm, chunk);
      EXPECT_EQ(cut.Frames(), whole.Frames());
      EXPECT_EQ(cut.IntegratedLoudness(), whole.IntegratedLoudness());
      EXPECT_EQ(cut.SamplePeak(), whole.SamplePeak());
    }
  }
}

TEST(Loudness, PartialFrameWaitsForItsRest) {
  const TPcmFormat format{24, 2, 44100};
  const std::vector<uint8_t> pcm = test::MakePcm(format, 10, TSignal::LoudNoise, 2);
  TLoudnessMeter meter(format.SampleRate, format.Channels, format.BitsPerSample);
  meter.Add(pcm.data(), 5);
  EXPECT_EQ(meter.Frames(), 0);
  meter.Add(pcm.data() + 5, 0);
  EXPECT_EQ(meter.Frames(), 0);
  meter.Add(pcm.data() + 5, 1);
  EXPECT_EQ(meter.Frames(), 1);
  meter.Add(pcm.data() + 6, pcm.size() - 7);
  EXPECT_EQ(meter.Frames(), 9);
}

// --- albums ---

// Pooled, the blocks of two tracks give what one meter gives them joined. Only the three
// blocks that straddle the join differ, so the tracks are long and end on the 100 ms grid of
// the blocks.
TEST(Loudness, AlbumMeasuresTheTracksAsOne) {
  struct TCase {
    TPcmFormat Format;
    TSignal First, Second;
    double FirstSeconds, SecondSeconds;
  };
  const std::vector<TCase> cases = {
      {{16, 2, 44100}, TSignal::Tone, TSignal::LoudNoise, 20.0, 12.0},
      {{16, 2, 44100}, TSignal::Noise, TSignal::ClippedMusic, 9.0, 25.1},
      {{24, 2, 48000}, TSignal::ClippedMusic, TSignal::Tone, 16.2, 16.2},
      {{8, 1, 44100}, TSignal::LoudTone, TSignal::Noise, 13.7, 20.0},
      {{16, 6, 48000}, TSignal::Noise, TSignal::Tone, 15.0, 15.0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(test::FormatCaseName(c.Format) + " " + std::to_string(c.FirstSeconds) + "+" +
                 std::to_string(c.SecondSeconds));
    const std::vector<uint8_t> first =
        test::MakePcm(c.Format, Seconds(c.Format, c.FirstSeconds), c.First, 1);
    const std::vector<uint8_t> second =
        test::MakePcm(c.Format, Seconds(c.Format, c.SecondSeconds), c.Second, 2);
    std::vector<uint8_t> both = first;
    both.insert(both.end(), second.begin(), second.end());
    const TLoudnessMeter a = Measure(c.Format, first);
    const TLoudnessMeter b = Measure(c.Format, second);
    const TLoudnessMeter joined = Measure(c.Format, both);
    const double album = AlbumLoudness({&a, &b});
    EXPECT_NEAR(album, joined.IntegratedLoudness(), 0.01);
    EXPECT_DOUBLE_EQ(AlbumLoudness({&b, &a}), album);
    EXPECT_EQ(AlbumPeak({&a, &b}), joined.SamplePeak());
    // Pooled blocks, not the mean of the two loudnesses.
    EXPECT_GT(std::abs(album - (a.IntegratedLoudness() + b.IntegratedLoudness()) / 2), 0.05);
  }
}

TEST(Loudness, AlbumOfOneOrNone) {
  const TPcmFormat format{16, 2, 44100};
  const TLoudnessMeter one = Measure(format, test::MakePcm(format, 200000, TSignal::Tone));
  const TLoudnessMeter silent = Measure(format, test::MakePcm(format, 200000, TSignal::Silence));
  EXPECT_EQ(AlbumLoudness({&one}), one.IntegratedLoudness());
  EXPECT_EQ(AlbumLoudness({&one, &silent}), one.IntegratedLoudness());
  EXPECT_EQ(AlbumLoudness({&silent}), -HUGE_VAL);
  EXPECT_EQ(AlbumLoudness({}), -HUGE_VAL);
  EXPECT_EQ(AlbumPeak({}), 0.0);
  EXPECT_EQ(AlbumPeak({&silent, &one}), one.SamplePeak());
}

// --- silence, and formats the meter refuses ---

TEST(Loudness, SilenceHasNoLoudnessAndNoGain) {
  struct TCase {
    TPcmFormat Format;
    int64_t Frames;
    int64_t Lsb;  // a square wave of this many steps; 0 is digital silence
  };
  const std::vector<TCase> cases = {{{16, 2, 44100}, 441000, 0}, {{8, 1, 44100}, 44100, 0},
                                    {{24, 2, 48000}, 96000, 0},  {{32, 6, 48000}, 48000, 0},
                                    {{16, 2, 44100}, 0, 0},      {{16, 2, 44100}, 100, 0},
                                    {{16, 2, 44100}, 441000, 1}, {{24, 1, 96000}, 192000, 30}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(test::FormatCaseName(c.Format) + " " + std::to_string(c.Frames) + " frames, " +
                 std::to_string(c.Lsb) + " LSB");
    std::vector<uint8_t> pcm = test::MakePcm(c.Format, c.Frames, TSignal::Silence);
    const size_t samples = static_cast<size_t>(c.Frames * c.Format.Channels);
    for (size_t i = 0; i < samples; ++i) {
      SetSample(pcm, c.Format.BitsPerSample, i, (i / 50) % 2 == 0 ? c.Lsb : -c.Lsb);
    }
    const TLoudnessMeter meter = Measure(c.Format, pcm);
    EXPECT_EQ(meter.IntegratedLoudness(), -HUGE_VAL);
    EXPECT_EQ(meter.SamplePeak(),
              std::ldexp(static_cast<double>(c.Lsb), 1 - c.Format.BitsPerSample));
    EXPECT_EQ(ReplayGainOf(meter.IntegratedLoudness()), 0.0);
  }
}

TEST(Loudness, RefusesWhatItCannotMeasure) {
  struct TCase {
    int Rate, Channels, Bits;
  };
  const std::vector<TCase> cases = {{44100, 2, 12},  {44100, 2, 0},   {44100, 2, 20},
                                    {44100, 2, 64},  {44100, 0, 16},  {44100, 9, 16},
                                    {44100, -1, 16}, {0, 2, 16},      {-44100, 2, 16},
                                    {8, 2, 16},      {3000000, 2, 16}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Rate) + " Hz " + std::to_string(c.Channels) + "ch " +
                 std::to_string(c.Bits) + "-bit");
    EXPECT_THROW(TLoudnessMeter(c.Rate, c.Channels, c.Bits), std::runtime_error);
  }
  for (const int rate : {16, 8000, 11025, 176400, 384000}) {
    EXPECT_NO_THROW(TLoudnessMeter(rate, 2, 16)) << rate;
  }
}

// --- gains and their texts ---

TEST(ReplayGain, GainBringsLoudnessToMinus18) {
  struct TCase {
    double Loudness, Gain;
  };
  const std::vector<TCase> cases = {
      {-18, 0}, {-23, 5},     {-7.77, -10.23}, {-70, 52},
      {0, -18}, {3.5, -21.5}, {-HUGE_VAL, 0},  {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const TCase& c : cases) EXPECT_NEAR(ReplayGainOf(c.Loudness), c.Gain, 1e-12) << c.Loudness;
}

TEST(ReplayGain, Texts) {
  struct TGain {
    double Db;
    const char* Text;
  };
  const std::vector<TGain> gains = {
      {-7.234, "-7.23 dB"},    {-7.236, "-7.24 dB"}, {0, "0.00 dB"},           {-0.0, "0.00 dB"},
      {-0.004, "0.00 dB"},     {0.004, "0.00 dB"},   {-0.006, "-0.01 dB"},     {1.5, "1.50 dB"},
      {12.345678, "12.35 dB"}, {51.999, "52.00 dB"}, {-100.126, "-100.13 dB"}, {9.996, "10.00 dB"},
      {-9.996, "-10.00 dB"},   {0.1, "0.10 dB"}};
  for (const TGain& g : gains) EXPECT_EQ(FormatGain(g.Db), g.Text) << g.Db;
  struct TPeak {
    double Peak;
    const char* Text;
  };
  const std::vector<TPeak> peaks = {{0.98828125, "0.988281"}, {1.0, "1.000000"},
                                    {0.0, "0.000000"},        {1.0 / 32768, "0.000031"},
                                    {0.1234567, "0.123457"},  {0.00000049, "0.000000"},
                                    {0.9999996, "1.000000"},  {127.0 / 128, "0.992188"}};
  for (const TPeak& p : peaks) EXPECT_EQ(FormatPeak(p.Peak), p.Text) << p.Peak;
  for (const double bad : {HUGE_VAL, -HUGE_VAL, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(FormatGain(bad), std::invalid_argument) << bad;
    EXPECT_THROW(FormatPeak(bad), std::invalid_argument) << bad;
  }
  EXPECT_THROW(FormatPeak(-0.5), std::invalid_argument);
}

TEST(ReplayGain, Fields) {
  using TFields = std::vector<std::pair<std::string, std::string>>;
  struct TCase {
    TReplayGainValues Values;
    TFields Fields;
  };
  const std::vector<TCase> cases = {
      {{-7.234, 0.98828125, {}, {}},
       {{"REPLAYGAIN_TRACK_GAIN", "-7.23 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.988281"}}},
      {{2.5, 0.5, -1.004, 1.0},
       {{"REPLAYGAIN_TRACK_GAIN", "2.50 dB"},
        {"REPLAYGAIN_TRACK_PEAK", "0.500000"},
        {"REPLAYGAIN_ALBUM_GAIN", "-1.00 dB"},
        {"REPLAYGAIN_ALBUM_PEAK", "1.000000"}}},
      {{0, 0, 3.0, {}},
       {{"REPLAYGAIN_TRACK_GAIN", "0.00 dB"},
        {"REPLAYGAIN_TRACK_PEAK", "0.000000"},
        {"REPLAYGAIN_ALBUM_GAIN", "3.00 dB"}}}};
  for (const TCase& c : cases) EXPECT_EQ(ReplayGainFields(c.Values), c.Fields);
}

}  // namespace
}  // namespace corvane::loudness
