#include "FolderScan.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "AppTexts.h"
#include "CueAudioLocator.h"
#include "CueFile.h"
#include "InputFormats.h"
#include "JobFailure.h"
#include "Language.h"
#include "PathNames.h"
#include "TextCodec.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Digits by value and letter case aside, as file managers list names. Under the C locale Qt
// compares code points and ignores the numeric mode, so English rules stand in for it there.
QCollator FileNameCollator() {
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::English, QLocale::UnitedStates);
  QCollator collator(locale);
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

std::string CanonicalOf(const std::string& Path) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(fs::path(Path), error);
  return error ? Path : canonical.string();
}

std::string FolderProblem(const std::string& Folder, const char* Why, const std::string& Text) {
  return Folder + TranslatedText(texts::kColon) + TranslatedText(Why) +
         (Text.empty() ? "" : TranslatedText(texts::kFullStop) + Text);
}

class TFolderScanner {
 public:
  explicit TFolderScanner(TFolderDepth Depth) : FDepth(Depth), FCollator(FileNameCollator()) {}

  // The audio files and cue sheets under Folder, in name order.
  std::vector<std::string> Scan(const std::string& Folder, std::vector<std::string>& Problems) {
    FFound.clear();
    FVisited.clear();
    FProblems = &Problems;
    ScanFolder(Folder);
    return std::move(FFound);
  }

 private:
  struct TEntry {
    std::string Name;
    std::string Path;
    bool Folder = false;
  };

  void ScanFolder(const std::string& Folder) {
    // A link back up the tree must not send the scan round for ever.
    std::error_code error;
    const fs::path canonical = fs::canonical(fs::path(Folder), error);
    if (!error && !FVisited.insert(canonical.string()).second) return;

    std::vector<TEntry> entries;
    fs::directory_iterator it(fs::path(Folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      std::string name = it->path().filename().string();
      if (name.empty() || name.front() == '.') continue;
      std::error_code typeError;
      // Both follow links: a linked folder or file counts as what it points at.
      const bool folder = it->is_directory(typeError);
      if (folder && FDepth == TFolderDepth::TopOnly) continue;
      if (!folder) {
        const std::string extension = UpperExtension(name);
        if ((InputFormatOf(name) == nullptr && extension != ".CUE") ||
            !it->is_regular_file(typeError)) {
          continue;
        }
      }
      entries.push_back({name, it->path().string(), folder});
    }
    if (error) {
      const std::string cause = CauseOfErrorCode(error.value(), Folder);
      FProblems->push_back(FolderProblem(
          Folder, cause.empty() ? texts::kCauseUnreadable : cause.c_str(), error.message()));
      return;
    }
    std::sort(entries.begin(), entries.end(), [this](const TEntry& A, const TEntry& B) {
      const int order =
          FCollator.compare(QString::fromStdString(A.Name), QString::fromStdString(B.Name));
      return order != 0 ? order < 0 : A.Name < B.Name;
    });
    for (const TEntry& entry : entries) {
      if (entry.Folder) {
        ScanFolder(entry.Path);
      } else {
        FFound.push_back(entry.Path);
      }
    }
  }

  TFolderDepth FDepth;
  QCollator FCollator;
  std::set<std::string> FVisited;
  std::vector<std::string> FFound;
  std::vector<std::string>* FProblems = nullptr;
};

// The audio files Sheet's FILE lines name, found as its loader finds them, as canonical paths.
// A sheet that cannot be read names none; adding it says why.
void CollectAudioOfSheet(const std::string& Sheet, std::set<std::string>& Used) {
  TCueFile cue(Sheet);
  try {
    cue.SetCueText(ReadTextFile(Sheet));
  } catch (const std::exception&) {
    return;
  }
  cue.Parse();
  for (const TCueAudioFile& file : cue.Files) {
    const TCueAudioLookup lookup = LocateCueAudio(Sheet, file.Name, cue.Files.size() == 1);
    if (lookup.Found) Used.insert(CanonicalOf(*lookup.Found));
  }
}

bool IsFolder(const std::string& Path) {
  std::error_code error;
  return fs::is_directory(fs::path(Path), error);
}

}  // namespace

TFolderScan ExpandFolders(const std::vector<std::string>& Paths, TFolderDepth Depth) {
  TFolderScan scan;
  TFolderScanner scanner(Depth);
  for (const std::string& path : Paths) {
    if (!IsFolder(path)) {
      scan.Files.push_back(path);
      continue;
    }
    const size_t problemsBefore = scan.Problems.size();
    const std::vector<std::string> found = scanner.Scan(path, scan.Problems);
    std::set<std::string> used;
    for (const std::string& file : found) {
      if (UpperExtension(file) == ".CUE") CollectAudioOfSheet(file, used);
    }
    size_t added = 0;
    for (const std::string& file : found) {
      if (InputFormatOf(file) != nullptr && used.count(CanonicalOf(file)) != 0) continue;
      scan.Files.push_back(file);
      ++added;
    }
    if (added == 0 && scan.Problems.size() == problemsBefore) {
      scan.Problems.push_back(FolderProblem(path, texts::kCauseNothingToConvert, {}));
    }
  }
  return scan;
}

}  // namespace corvane
