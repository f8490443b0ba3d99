#include "EngineTestSupport.h"

#include <FLAC/metadata.h>
#include <iconv.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace corvane::test {
namespace {

void PutLe32(std::string& Out, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
}

}  // namespace

std::unique_ptr<QSettings> SettingsIn(const std::string& File) {
  return std::make_unique<QSettings>(QString::fromStdString(File), QSettings::IniFormat);
}

QStringList& ShownErrors() {
  static QStringList errors;
  return errors;
}

bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
  QDeadlineTimer deadline(Timeout);
  while (!Done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

void PumpFor(std::chrono::milliseconds Duration) {
  QDeadlineTimer deadline(Duration);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
}

std::vector<std::string> Leftovers(const std::string& Folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".corvane-") != std::string::npos) names.push_back(name);
  }
  return names;
}

void AppendApeTag(const std::string& File,
                  const std::vector<std::pair<std::string, std::string>>& Items) {
  std::vector<TApeItem> items;
  for (const auto& [key, value] : Items) items.push_back({key, value});
  AppendApeTagItems(File, items);
}

TCommandResult RunCommand(const QString& Program, const QStringList& Arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.start(Program, Arguments);
  TCommandResult result;
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
    return result;
  }
  result.ExitCode = process.exitCode();
  result.Output = process.readAllStandardOutput().toStdString();
  return result;
}

void AppendApeTagItems(const std::string& File, const std::vector<TApeItem>& Items) {
  std::string items;
  for (const auto& [key, value, flags] : Items) {
    PutLe32(items, static_cast<uint32_t>(value.size()));
    PutLe32(items, flags);
    items += key;
    items.push_back('\0');
    items += value;
  }
  std::string footer = "APETAGEX";
  PutLe32(footer, 2000);
  PutLe32(footer, static_cast<uint32_t>(items.size() + 32));
  PutLe32(footer, static_cast<uint32_t>(Items.size()));
  PutLe32(footer, 0);
  footer.append(8, '\0');
  std::ofstream out(File, std::ios::binary | std::ios::app);
  out << items << footer;
  if (!out) throw std::runtime_error("cannot append a tag to " + File);
}

std::string Utf8ToGb18030(const std::string& Text) {
  iconv_t cd = iconv_open("GB18030", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GB18030 in iconv");
  std::string out(Text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(Text.data());
  size_t inLeft = Text.size();
  char* dest = out.data();
  size_t outLeft = out.size();
  const size_t result = iconv(cd, &in, &inLeft, &dest, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) throw std::runtime_error("not GB18030: " + Text);
  out.resize(out.size() - outLeft);
  return out;
}

std::multimap<std::string, std::string> ReadFlacComments(const std::string& File) {
  FLAC__StreamMetadata* raw = nullptr;
  std::multimap<std::string, std::string> comments;
  if (!FLAC__metadata_get_tags(File.c_str(), &raw)) return comments;
  const std::unique_ptr<FLAC__StreamMetadata, decltype(&FLAC__metadata_object_delete)> block(
      raw, &FLAC__metadata_object_delete);
  const auto& vorbis = block->data.vorbis_comment;
  for (uint32_t i = 0; i < vorbis.num_comments; ++i) {
    const std::string entry(reinterpret_cast<const char*>(vorbis.comments[i].entry),
                            vorbis.comments[i].length);
    const size_t equals = entry.find('=');
    std::string name = entry.substr(0, equals);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    comments.emplace(name, equals == std::string::npos ? "" : entry.substr(equals + 1));
  }
  return comments;
}

const char* const kAlbumTitle = "夏日的歌 \xF0\x9D\x84\x9E Summer";  // with U+1D11E
const char* const kAlbumPerformer = "乐队甲";

std::string TrackTitle(size_t Track) {
  return "第" + std::to_string(Track + 1) + "首：晴天";
}

std::string TrackPerformer(size_t Track) {
  return "歌手" + std::to_string(Track + 1) + "号";
}

const TCdImage& SixTrackImage() {
  static const TCdImage image = [] {
    TCdImage made;
    made.Spec.Format = {16, 2, 44100};
    made.Spec.Frames = 44100 * 7 + 1234;
    made.Spec.Signal = TSignal::Tone;
    made.Spec.Level = 2;
    made.Spec.Seed = 7;
    // Every INDEX 01 after the first falls inside an APE frame (73728 frames at this level).
    made.Indexes = {{"", "00:00:00"},         {"00:01:10", "00:01:37"}, {"00:02:50", "00:03:05"},
                    {"00:04:00", "00:04:22"}, {"00:05:33", "00:05:61"}, {"00:06:20", "00:06:40"}};
    return made;
  }();
  return image;
}

std::string CdImageCueText(const TCdImage& Image, const std::string& AudioFile) {
  std::string text = "REM GENRE Pop\r\nPERFORMER \"" + std::string(kAlbumPerformer) +
                     "\"\r\nTITLE \"" + kAlbumTitle + "\"\r\nFILE \"" + AudioFile + "\" WAVE\r\n";
  for (size_t t = 0; t < Image.Indexes.size(); ++t) {
    const std::string number = (t + 1 < 10 ? "0" : "") + std::to_string(t + 1);
    text += "  TRACK " + number + " AUDIO\r\n";
    text += "    TITLE \"" + TrackTitle(t) + "\"\r\n";
    text += "    PERFORMER \"" + TrackPerformer(t) + "\"\r\n";
    if (!Image.Indexes[t].first.empty()) text += "    INDEX 00 " + Image.Indexes[t].first + "\r\n";
    text += "    INDEX 01 " + Image.Indexes[t].second + "\r\n";
  }
  return text;
}

TApeFixtureSpec SlowFixture(uint32_t Seed) {
  TApeFixtureSpec spec;
  spec.Format = {16, 2, 44100};
  spec.Frames = 600000;
  spec.Signal = TSignal::Tone;
  spec.Level = 1;
  spec.Seed = Seed;
  return spec;
}

}  // namespace corvane::test
