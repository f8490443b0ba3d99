#include "CueAudioLocator.h"

#include <QString>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "AppTexts.h"
#include "InputFormats.h"
#include "Language.h"
#include "PathNames.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& Path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(Path), error);
}

bool SameIgnoringCase(const std::string& A, const std::string& B) {
  return QString::fromStdString(A).compare(QString::fromStdString(B), Qt::CaseInsensitive) == 0;
}

// The names of the regular files in Folder, sorted so the choice among equals is stable.
std::vector<std::string> FilesIn(const std::string& Folder) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entries(fs::path(Folder.empty() ? "." : Folder), error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::error_code typeError;
    if (entries->is_regular_file(typeError)) names.push_back(entries->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A name written as exactly Name comes first; otherwise the first in any letter case.
std::optional<std::string> MatchIgnoringCase(const std::vector<std::string>& Names,
                                             const std::string& Name) {
  if (std::find(Names.begin(), Names.end(), Name) != Names.end()) return Name;
  for (const std::string& candidate : Names) {
    if (SameIgnoringCase(candidate, Name)) return candidate;
  }
  return std::nullopt;
}

std::string BaseName(const std::string& FileName) {
  return ChangeFileExt(FileName, "");
}

bool IsAbsolute(const std::string& Path) {
  // "/music/x.wav", or "D:/x.wav" once a Windows path has "/" separators.
  return (!Path.empty() && Path[0] == '/') || (Path.size() >= 2 && Path[1] == ':');
}

}  // namespace

TCueAudioLookup LocateCueAudio(const std::string& CueFileName, const std::string& Written,
                               bool SheetNamesOneFile) {
  TCueAudioLookup lookup;
  const std::string folder = ExtractFilePath(CueFileName);
  std::string path = Written;
  std::replace(path.begin(), path.end(), '\\', '/');
  const std::string name = ExtractFileName(path);

  if (!IsAbsolute(path) && path != name) {
    lookup.LookedFor.push_back(folder + path);
    if (IsRegularFile(folder + path)) {
      lookup.Found = folder + path;
      return lookup;
    }
  }
  lookup.LookedFor.push_back(folder + name);
  if (!name.empty() && IsRegularFile(folder + name)) {
    lookup.Found = folder + name;
    return lookup;
  }
  const std::vector<std::string> names = FilesIn(folder);
  const auto found = [&](const std::optional<std::string>& Match) {
    if (Match) lookup.Found = folder + *Match;
    return Match.has_value();
  };
  lookup.LookedFor.push_back(
      TextOf(texts::kCueLookedForAnyCase).arg(QString::fromStdString(name)).toStdString());
  if (!name.empty() && found(MatchIgnoringCase(names, name))) return lookup;
  // The file the sheet was written for, since compressed: the same base name in an audio format.
  for (const TInputFormat& format : InputFormats()) {
    const std::string audio = BaseName(name) + format.Extension;
    lookup.LookedFor.push_back(audio);
    if (!name.empty() && found(MatchIgnoringCase(names, audio))) return lookup;
  }

  if (SheetNamesOneFile) {
    for (const TInputFormat& format : InputFormats()) {
      const std::string sheetAudio = BaseName(ExtractFileName(CueFileName)) + format.Extension;
      lookup.LookedFor.push_back(sheetAudio);
      std::vector<std::string> matches;
      std::copy_if(
          names.begin(), names.end(), std::back_inserter(matches),
          [&](const std::string& Candidate) { return SameIgnoringCase(Candidate, sheetAudio); });
      if (matches.size() == 1) {
        lookup.Found = folder + matches.front();
        return lookup;
      }
    }
  }
  return lookup;
}

}  // namespace corvane
