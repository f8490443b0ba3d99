#include "JobAdding.h"

#include <algorithm>
#include <set>

#include "AppTexts.h"
#include "CueSheetLoader.h"
#include "InputFormats.h"
#include "JobFailure.h"
#include "Language.h"
#include "PathNames.h"
#include "SourceError.h"
#include "TextFormat.h"

namespace corvane {
namespace {

// "File: why", the error's own text after the user's words for why.
std::string AddProblem(const std::string& File, const std::string& Why, const std::string& Text) {
  std::string problem = File + TranslatedText(texts::kColon) + Why;
  if (!Why.empty() && !Text.empty()) problem += TranslatedText(texts::kFullStop);
  return problem + Text;
}

bool SheetLoaded(const TDiscList& Sheets, const std::string& File) {
  return std::any_of(Sheets.begin(), Sheets.end(),
                     [&](const auto& Disc) { return Disc->Source() == File; });
}

// Why the decoder of an audio file's format will never read it (not of the format, a version
// it does not take, a header cut short or damaged, a rate FLAC cannot carry); empty when it
// will, or when the file cannot be opened now: that may change, and its job says why when it
// starts. Opening reads no audio, so damage found now is in the header and stays.
std::string WhyNeverDecodable(const std::string& File) {
  try {
    const std::unique_ptr<TAudioSource> probe = OpenAudioSource(File);
    probe->SetFileName(File);
    probe->FileFrames();
  } catch (const ESourceError& E) {
    switch (E.Fault()) {
      case TSourceFault::Unreadable:
        if (WhyUnreadable(File).empty()) {
          return AddProblem(File, FormatText(texts::kCauseNotOfFormat, {FormatShortName(File)}),
                            E.what());
        }
        break;
      case TSourceFault::NotThisFormat:
      case TSourceFault::Unsupported:
      case TSourceFault::Damaged:
        return AddProblem(File, SourceCauseOf(FailureOf(E), File), E.what());
      case TSourceFault::OutOfMemory:
      case TSourceFault::Unknown:
        break;
    }
  }
  return {};
}

}  // namespace

TAddedJobs AddJobFiles(const std::vector<std::string>& Files, TTextEncoding Encoding,
                       TDiscList& Sheets, const std::function<bool(const std::string&)>& Listed) {
  TAddedJobs added;
  std::set<std::string> addedFiles;
  for (const std::string& file : Files) {
    if (const TRefusedFormat* refused = RefusedFormatOf(file)) {
      added.Problems.push_back(
          AddProblem(file, FormatText(texts::kCauseFormatRefused, {refused->Name}), {}));
      continue;
    }
    const bool audio = InputFormatOf(file) != nullptr;
    if (!audio && UpperExtension(file) != ".CUE") continue;
    if (SheetLoaded(Sheets, file)) continue;
    if (audio && (addedFiles.count(file) != 0 || (Listed && Listed(file)))) continue;
    // Before anything opens it: reading a pipe or a device would wait for a writer.
    if (IsSpecialFile(file)) {
      added.Problems.push_back(AddProblem(file, TranslatedText(texts::kCauseNotAFile), {}));
      continue;
    }
    std::shared_ptr<const TDisc> sheet;
    try {
      sheet = LoadCueSheet(file, Encoding);
    } catch (const ECueSheetError& E) {
      added.Problems.push_back(E.what());  // names the sheet, the line and the fault already
      continue;
    } catch (const std::exception& E) {
      added.Problems.push_back(AddProblem(file, WhyUnreadable(file), E.what()));
      continue;
    }
    // An audio file with a cue sheet in its tag is a CD image: its tracks are the jobs.
    if (sheet && !sheet->Sheet()->Tracks.empty()) {
      Sheets.push_back(sheet);
      for (TJob& job : JobsOfDisc(sheet, static_cast<int>(Sheets.size()))) {
        added.Jobs.push_back(std::move(job));
      }
    } else if (audio) {
      if (std::string why = WhyNeverDecodable(file); !why.empty()) {
        added.Problems.push_back(std::move(why));
        continue;
      }
      addedFiles.insert(file);
      added.Jobs.push_back(WholeFileJob(file));
    } else {
      // Nothing to convert: not kept, so adding it again says so again.
      added.Problems.push_back(AddProblem(file, TranslatedText(texts::kCauseNoTracks), {}));
    }
  }
  return added;
}

}  // namespace corvane
