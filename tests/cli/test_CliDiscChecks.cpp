// What a disc gets beside its files: the log's checksums against plain computations over the
// source's PCM, the AccurateRip lookup answered from the cache or not at all, and ReplayGain
// against FFmpeg's loudness measure.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <regex>

#include "AccurateRipEntry.h"
#include "CliTestSupport.h"
#include "DiscIds.h"

namespace corvane {
namespace {

using namespace proof;

using namespace clitest;

// CRC-32 bit by bit, as its polynomial defines it.
uint32_t PlainCrc32(const std::vector<uint8_t>& Bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (const uint8_t byte : Bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

struct TArSums {
  uint32_t V1 = 0;
  uint32_t V2 = 0;
};

// The AccurateRip sums as published: each frame's 32-bit word times its position from 1; the
// first track counts from position 5 * 588 on, the last stops 5 * 588 frames before its end.
TArSums PlainAccurateRip(const std::vector<uint8_t>& Pcm, bool First, bool Last) {
  const uint64_t frames = Pcm.size() / 4;
  const uint64_t from = First ? 5 * 588 : 1;
  const uint64_t to = Last ? frames - 5 * 588 : frames;
  uint32_t v1 = 0;
  uint32_t v2 = 0;
  for (uint64_t position = from; position <= to; ++position) {
    const size_t at = (position - 1) * 4;
    const uint64_t word = uint64_t{Pcm[at]} | uint64_t{Pcm[at + 1]} << 8 |
                          uint64_t{Pcm[at + 2]} << 16 | uint64_t{Pcm[at + 3]} << 24;
    const uint64_t product = word * position;
    v1 += static_cast<uint32_t>(product);
    v2 += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
  }
  return {v1, v2};
}

std::string Hex(uint32_t Value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, Value);
  return text;
}

void PutLe32(std::vector<uint8_t>& Bytes, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Bytes.push_back(static_cast<uint8_t>(Value >> (8 * i)));
}

// The image's disc IDs from its sheet's own times, as a ripper would have them.
TDiscIds ImageIds() {
  std::vector<int64_t> starts;
  for (const auto& index : SevenTrackImage().Indexes)
    starts.push_back(*CueTimeToCdFrames(index.second));
  return DiscIdsOf(starts, SevenTrackImage().Spec.Frames / 588);
}

enum class TEntry { None, AllV1, OneTrackOff, OtherDisc };

struct TLookupCase {
  const char* Name;
  bool Lookup;
  TEntry Entry;
  const char* Verdict;
  const char* LookupLine;
};

std::ostream& operator<<(std::ostream& Out, const TLookupCase& Case) {
  return Out << Case.Name;
}

class DiscLookup : public CliTest, public testing::WithParamInterface<TLookupCase> {
 protected:
  // A database entry from the image's own checksums, as one pressing's submission.
  std::vector<uint8_t> EntryBytes(TEntry Kind) {
    const TDiscIds ids = ImageIds();
    std::vector<uint8_t> bytes{static_cast<uint8_t>(ids.TrackCount)};
    PutLe32(bytes, ids.AccurateRip1 + (Kind == TEntry::OtherDisc ? 1 : 0));
    PutLe32(bytes, ids.AccurateRip2);
    PutLe32(bytes, ids.FreeDb);
    for (size_t t = 0; t < 7; ++t) {
      const TArSums sums = PlainAccurateRip(TrackPcm(t), t == 0, t == 6);
      bytes.push_back(4);
      PutLe32(bytes, sums.V1 + (Kind == TEntry::OneTrackOff && t == 2 ? 1 : 0));
      PutLe32(bytes, 0);
    }
    return bytes;
  }
};

TEST_P(DiscLookup, LogsEveryTracksChecksumsAndTheDatabasesWordWithoutFailingTheRun) {
  const TLookupCase& c = GetParam();
#if defined(__SANITIZE_THREAD__)
  // Qt's network thread is not instrumented: every hand-over to it reads as a race.
  if (c.Lookup && c.Entry == TEntry::None) GTEST_SKIP() << "no network requests under TSan";
#endif
  MakeImage();
  const std::string cache = Dir.File("cache");
  if (c.Entry != TEntry::None) {
    const std::string entry = cache + "/corvane/accuraterip/" + AccurateRipEntryPath(ImageIds());
    fs::create_directories(fs::path(entry).parent_path());
    test::WriteFileBytes(entry, EntryBytes(c.Entry));
  }
  test::TProgramSettings settings;
  // Nothing listens on the discard port: an entry not cached cannot be had.
  settings.Set = {{"XDG_CACHE_HOME", cache}, {"CORVANE_ACCURATERIP_URL", "http://127.0.0.1:9/"}};
  std::vector<std::string> arguments = {"-j2", "-o", "out", "image.cue"};
  if (c.Lookup) arguments.insert(arguments.begin(), "--accuraterip");
  const TProgramResult run = Cli(arguments, settings);
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_NE(
      run.Out.find(std::string("disc: image.cue: ") + c.Verdict + "; log: out/image.corvane.log\n"),
      std::string::npos)
      << run.Out;

  const std::string log = Text(test::ReadFileBytes(Dir.File("out/image.corvane.log")));
  EXPECT_NE(log.find(c.LookupLine), std::string::npos) << log;
  EXPECT_NE(log.find("Verdict: " + std::string(c.Verdict)), std::string::npos) << log;
  std::vector<uint8_t> image;
  for (size_t t = 0; t < 7; ++t) {
    const std::vector<uint8_t> pcm = TrackPcm(t);
    image.insert(image.end(), pcm.begin(), pcm.end());
    const TArSums sums = PlainAccurateRip(pcm, t == 0, t == 6);
    const std::string block = "Track " + std::to_string(t + 1) + " \"" + test::TrackTitle(t) +
                              "\"\n  CRC32            " + Hex(PlainCrc32(pcm)) +
                              "\n  AccurateRip v1   " + Hex(sums.V1) + "\n  AccurateRip v2   " +
                              Hex(sums.V2) + "\n";
    EXPECT_NE(log.find(block), std::string::npos) << block << "\nnot in\n" << log;
  }
  EXPECT_NE(log.find("Image CRC32: " + Hex(PlainCrc32(image))), std::string::npos) << log;
  EXPECT_NE(log.find("Disc IDs (as an audio-only disc): " + FormatDiscIds(ImageIds())),
            std::string::npos)
      << log;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DiscLookup,
    testing::Values(TLookupCase{"Off", false, TEntry::None,
                                "checksums written, AccurateRip not asked",
                                "AccurateRip lookup: not asked"},
                    TLookupCase{"NoNetwork", true, TEntry::None, "AccurateRip database not reached",
                                "AccurateRip lookup: could not be reached"},
                    TLookupCase{"Match", true, TEntry::AllV1, "accurately ripped (7 of 7 tracks)",
                                "accurately ripped (confidence 4, v1)"},
                    TLookupCase{"OneSampleOff", true, TEntry::OneTrackOff,
                                "partly accurately ripped (6 of 7 tracks)",
                                "not accurately ripped"},
                    TLookupCase{"OtherDisc", true, TEntry::OtherDisc,
                                "not in the AccurateRip database", "not in the database"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---- ReplayGain ----

// FFmpeg's integrated loudness of PCM (16-bit stereo 44.1 kHz), in LUFS.
double FfmpegLoudness(test::TScratchDir& Dir, const std::vector<uint8_t>& Pcm) {
  const std::string wav = Dir.File("measure.wav");
  test::WriteWav(wav, {16, 2, 44100}, Pcm);
  const TProgramResult run = test::RunProgram(
      {"/usr/bin/ffmpeg", "-nostdin", "-nostats", "-i", wav, "-af", "ebur128", "-f", "null", "-"});
  std::smatch found;
  const std::regex integrated("Integrated loudness:\\s*\\n\\s*I:\\s*(-?[0-9.]+) LUFS");
  if (!std::regex_search(run.Err, found, integrated)) return NAN;
  return std::stod(found[1]);
}

double GainOf(const std::multimap<std::string, std::string>& Tags, const char* Name) {
  const auto found = Tags.find(Name);
  return found == Tags.end() ? NAN : std::stod(found->second);
}

double PeakOf(const std::vector<uint8_t>& Pcm) {
  int peak = 0;
  for (size_t i = 0; i + 1 < Pcm.size(); i += 2) {
    peak = std::max(peak, std::abs(static_cast<int16_t>(Pcm[i] | Pcm[i + 1] << 8)));
  }
  return peak / 32768.0;
}

TEST_F(CliTest, ReplayGainOfTracksAndAlbumsIsFfmpegsLoudnessWhateverOrderTheLanesEnd) {
  if (!fs::exists("/usr/bin/ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  // Two discs of other audio, and two loose songs of one album in one folder.
  MakeImage("cd1");
  test::TCdImage louder = SevenTrackImage();
  louder.Spec.Signal = test::TSignal::Noise;
  louder.Spec.Seed = 29;
  fs::create_directories(Dir.File("cd2"));
  Dir.Copy(test::ApeFixture(louder.Spec), "cd2/image.ape");
  WriteText(Dir.File("cd2/image.cue"), test::CdImageCueText(louder, "image.ape"));
  MakeSong("loose/a.ape", 1);
  MakeSong("loose/b.ape", 5);

  const TProgramResult run = Cli({"-j2", "--replaygain", "-n", "{source}/{track}", "-o", "out",
                                  "cd1/image.cue", "cd2/image.cue", "loose/a.ape", "loose/b.ape"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;

  struct TAlbum {
    std::vector<std::string> Files;
    std::vector<std::vector<uint8_t>> Pcm;
  };
  std::vector<TAlbum> albums(3);
  for (size_t t = 0; t < 7; ++t) {
    const std::string name = "out/image/" + std::string(t < 9 ? "0" : "") + std::to_string(t + 1);
    albums[0].Files.push_back(Dir.File(name + ".flac"));
    albums[0].Pcm.push_back(TrackPcm(t));
    albums[1].Files.push_back(Dir.File(name + " (2).flac"));
  }
  for (const std::string& file : albums[1].Files) {
    albums[1].Pcm.push_back(test::DecodeFlacFile(file).Pcm);
  }
  for (const uint32_t seed : {1u, 5u}) {
    albums[2].Files.push_back(Dir.File(seed == 1 ? "out/a/01.flac" : "out/b/05.flac"));
    albums[2].Pcm.push_back(test::ApeFixturePcm(SongSpec(seed)));
  }
  for (const TAlbum& album : albums) {
    std::vector<uint8_t> whole;
    std::optional<std::string> albumGain;
    for (size_t i = 0; i < album.Files.size(); ++i) {
      const std::string& file = album.Files[i];
      const std::vector<uint8_t>& pcm = album.Pcm[i];
      ASSERT_TRUE(test::DecodeFlacFile(file).Pcm == pcm) << file;
      whole.insert(whole.end(), pcm.begin(), pcm.end());
      const auto tags = test::ReadFlacComments(file);
      EXPECT_NEAR(GainOf(tags, "REPLAYGAIN_TRACK_GAIN"), -18.0 - FfmpegLoudness(Dir, pcm), 0.1)
          << file;
      EXPECT_NEAR(GainOf(tags, "REPLAYGAIN_TRACK_PEAK"), PeakOf(pcm), 1e-6) << file;
      const auto gain = tags.find("REPLAYGAIN_ALBUM_GAIN");
      ASSERT_NE(gain, tags.end()) << file;
      if (!albumGain) albumGain = gain->second;
      EXPECT_EQ(gain->second, *albumGain) << file;
    }
    EXPECT_NEAR(std::stod(*albumGain), -18.0 - FfmpegLoudness(Dir, whole), 0.1)
        << album.Files.front();
    EXPECT_NEAR(GainOf(test::ReadFlacComments(album.Files.front()), "REPLAYGAIN_ALBUM_PEAK"),
                PeakOf(whole), 1e-6);
  }
}

TEST_F(CliTest, AnAlbumWithAFailedTrackGetsNoAlbumValuesAndTheRunSaysSo) {
  MakeImage();
  // The image's audio damaged two thirds in: the tracks there fail, those before are written.
  std::vector<uint8_t> bytes = test::ReadFileBytes(Dir.File("image.ape"));
  for (size_t i = bytes.size() * 66 / 100; i < bytes.size() * 67 / 100; ++i) bytes[i] ^= 0x5A;
  test::WriteFileBytes(Dir.File("image.ape"), bytes);
  const TProgramResult run = Cli({"--replaygain", "image.cue"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Err.find("未写入专辑增益：image.cue "), std::string::npos) << run.Err;
  const auto tags = test::ReadFlacComments(Dir.File("Track_1.flac"));
  EXPECT_EQ(tags.count("REPLAYGAIN_TRACK_GAIN"), 1u);
  EXPECT_EQ(tags.count("REPLAYGAIN_ALBUM_GAIN"), 0u);
  EXPECT_NE(Text(test::ReadFileBytes(Dir.File("image.corvane.log"))).find("not converted"),
            std::string::npos);
}

}  // namespace
}  // namespace corvane
