#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ApeFixtures.h"

namespace corvane::test {

// The errors the application would have shown in message boxes (the test main installs a
// recorder in place of the boxes).
QStringList& ShownErrors();

// A settings store in File (an INI file, made when first written), for a window that must
// not touch the user's own settings.
std::unique_ptr<QSettings> SettingsIn(const std::string& File);

// Runs the event loop until Done holds or Timeout passes; true when Done held.
bool PumpUntil(const std::function<bool()>& Done,
               std::chrono::milliseconds Timeout = std::chrono::seconds(60));
// Runs the event loop for a while.
void PumpFor(std::chrono::milliseconds Duration);

// The hidden temporary files of jobs left anywhere under Folder: each job must take its own
// away.
std::vector<std::string> Leftovers(const std::string& Folder);

// Appends an APE 2.0 tag (footer only) with the given items to File.
void AppendApeTag(const std::string& File,
                  const std::vector<std::pair<std::string, std::string>>& Items);

// An APE tag item with its flags (bits 1 and 2: 0 text, 1 binary, 2 a link).
struct TApeItem {
  std::string Key;
  std::string Value;
  uint32_t Flags = 0;
};
inline constexpr uint32_t kApeBinaryItem = 2;
void AppendApeTagItems(const std::string& File, const std::vector<TApeItem>& Items);

// Runs a program to its end; its exit code (-1 when it did not run or crashed) and output.
struct TCommandResult {
  int ExitCode = -1;
  std::string Output;
};
TCommandResult RunCommand(const QString& Program, const QStringList& Arguments);

// UTF-8 text re-encoded as GB18030, for cue sheets written the way their users' tools do.
std::string Utf8ToGb18030(const std::string& Text);

// The Vorbis comments of a FLAC file as NAME -> values (names upper-cased).
std::multimap<std::string, std::string> ReadFlacComments(const std::string& File);

// A CD image of several tracks with pregaps, as an APE file and its PCM.
struct TCdImage {
  TApeFixtureSpec Spec;
  // Cue times of each track's INDEX 01 (and INDEX 00 when not empty).
  std::vector<std::pair<std::string, std::string>> Indexes;  // {INDEX 00, INDEX 01}
};
const TCdImage& SixTrackImage();
// A cue sheet for Image naming AudioFile, with the album and track texts used by the tests.
std::string CdImageCueText(const TCdImage& Image, const std::string& AudioFile);
// The texts CdImageCueText writes.
extern const char* const kAlbumTitle;
extern const char* const kAlbumPerformer;
std::string TrackTitle(size_t Track);
std::string TrackPerformer(size_t Track);

// A plain APE fixture long enough to pause and stop in (about 4 s of audio at the slow
// setting's 11 ms per 4608-frame block).
TApeFixtureSpec SlowFixture(uint32_t Seed = 1);

}  // namespace corvane::test
