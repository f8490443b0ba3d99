// What the command line's tests share: the seven-track image, songs with tags, and the fixture
// that runs the built program in a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "CueTime.h"
#include "EncodedFixtures.h"
#include "EngineTestSupport.h"
#include "FlacDecode.h"
#include "ProgramRun.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane::clitest {

namespace fs = std::filesystem;
using test::TProgramResult;

// Seven tracks over nine seconds, pregaps on some; every INDEX 01 after the first inside an
// APE frame.
inline const test::TCdImage& SevenTrackImage() {
  static const test::TCdImage image = [] {
    test::TCdImage made;
    made.Spec.Format = {16, 2, 44100};
    made.Spec.Frames = 44100 * 9 + 777;
    made.Spec.Signal = test::TSignal::Tone;
    made.Spec.Level = 2;
    made.Spec.Seed = 17;
    made.Indexes = {{"", "00:00:00"},        {"00:01:10", "00:01:37"}, {"00:02:50", "00:03:05"},
                    {"", "00:04:22"},        {"00:05:33", "00:05:61"}, {"", "00:06:40"},
                    {"00:07:70", "00:08:01"}};
    return made;
  }();
  return image;
}

// The album's date and disc, which the image's sheet gives besides the texts of every test.
inline constexpr const char* kAlbumExtras = "REM DATE 2001\r\nREM DISCNUMBER 2/3\r\n";

inline test::TApeFixtureSpec SongSpec(uint32_t Seed) {
  return {{16, 2, 44100}, 90000 + Seed * 1000, test::TSignal::Tone, 2, Seed};
}

inline std::string Text(const std::vector<uint8_t>& Bytes) {
  return {Bytes.begin(), Bytes.end()};
}

inline void WriteText(const std::string& Path, const std::string& Content) {
  test::WriteFileBytes(Path, std::vector<uint8_t>(Content.begin(), Content.end()));
}

// Every file under Folder, relative, with its bytes; a disc log's date, which no two runs
// share, left out.
inline std::map<std::string, std::string> FilesUnder(const std::string& Folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(Folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(Folder)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes = Text(test::ReadFileBytes(entry.path()));
    if (entry.path().string().ends_with(".corvane.log")) {
      bytes = std::regex_replace(bytes, std::regex("\nDate: [^\n]*"), "");
    }
    files[fs::relative(entry.path(), Folder).string()] = std::move(bytes);
  }
  return files;
}

inline std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < Text.size()) {
    const size_t end = Text.find('\n', from);
    lines.push_back(Text.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return lines;
}

// A dry run's job lines, without the disc IDs it gives before each sheet's jobs.
inline std::vector<std::string> JobLines(const std::string& Out) {
  std::vector<std::string> jobs;
  for (std::string& line : Lines(Out)) {
    if (!line.starts_with("disc: ")) jobs.push_back(std::move(line));
  }
  return jobs;
}

class CliTest : public testing::Test {
 protected:
  TProgramResult Cli(std::vector<std::string> Arguments, test::TProgramSettings Settings = {}) {
    Arguments.insert(Arguments.begin(), CORVANE_CLI);
    if (Settings.Directory.empty()) Settings.Directory = Dir.Path();
    return test::RunProgram(Arguments, Settings);
  }

  // image.ape and image.cue (UTF-8, the album's date and disc too) in Folder.
  void MakeImage(const std::string& Folder = ".") {
    fs::create_directories(Dir.File(Folder));
    Dir.Copy(test::ApeFixture(SevenTrackImage().Spec), Folder + "/image.ape");
    WriteText(Dir.File(Folder + "/image.cue"),
              kAlbumExtras + test::CdImageCueText(SevenTrackImage(), "image.ape"));
  }

  // A whole APE file with a tag: title, artist, album, album artist, track, disc and year.
  std::string MakeSong(const std::string& Name, uint32_t Seed) {
    fs::create_directories(fs::path(Dir.File(Name)).parent_path());
    const std::string path = Dir.Copy(test::ApeFixture(SongSpec(Seed)), Name);
    test::AppendApeTag(path, {{"Title", "Song " + std::to_string(Seed)},
                              {"Artist", "Singer"},
                              {"Album", "Singles"},
                              {"Album Artist", "Various"},
                              {"Track", std::to_string(Seed) + "/9"},
                              {"Disc", "1/2"},
                              {"Year", "1999"}});
    return path;
  }

  // The image's track t (0-based) as the sheet cuts it.
  std::vector<uint8_t> TrackPcm(size_t Track) const {
    const test::TCdImage& image = SevenTrackImage();
    const std::vector<uint8_t> pcm = test::ApeFixturePcm(image.Spec);
    const auto sample = [&](size_t t) {
      if (t >= image.Indexes.size()) return image.Spec.Frames;
      return CdFramesToSample(*CueTimeToCdFrames(image.Indexes[t].second), 44100);
    };
    const int frameBytes = image.Spec.Format.FrameBytes();
    return {pcm.begin() + sample(Track) * frameBytes, pcm.begin() + sample(Track + 1) * frameBytes};
  }

  test::TScratchDir Dir;
};

}  // namespace corvane::clitest
