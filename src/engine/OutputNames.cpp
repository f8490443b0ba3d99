#include "OutputNames.h"

#include "AppTexts.h"
#include "Disc.h"
#include "Job.h"
#include "Language.h"
#include "PathNames.h"

namespace corvane {

std::string OutputFolderOf(const std::string& FieldText) {
  // The field's initial text in either language: a window started in the other one may have
  // stored it.
  if (FieldText.empty() || FieldText == texts::kSourceFolder ||
      FieldText == TranslatedText(texts::kSourceFolder)) {
    return {};
  }
  return FieldText.back() == '/' ? FieldText : FieldText + "/";
}

std::string PlainOutputName(const std::string& Source, const std::string& OutputFolder) {
  if (OutputFolder.empty()) return ChangeFileExt(Source, ".flac");
  return OutputFolder + ChangeFileExt(ExtractFileName(Source), ".flac");
}

std::string CueTrackOutputName(const std::string& CueFileName, const std::string& OutputFolder,
                               int TrackIndex) {
  const std::string folder = OutputFolder.empty() ? ExtractFilePath(CueFileName) : OutputFolder;
  return folder + "Track_" + std::to_string(TrackIndex + 1) + ".flac";
}

std::string NumberedName(const std::string& Path, int Number) {
  const std::string name = ExtractFileName(Path);
  const size_t dot = name.rfind('.');
  const size_t stemEnd = Path.size() - name.size() + (dot == std::string::npos ? name.size() : dot);
  return Path.substr(0, stemEnd) + " (" + std::to_string(Number) + ")" + Path.substr(stemEnd);
}

std::string NaturalOutputOf(const TJob& Job, const std::string& OutputFolder) {
  if (Job.Kind == TJobKind::PlainFile) return PlainOutputName(Job.Text, OutputFolder);
  if (!Job.Disc) return {};  // its job fails with the reason when it starts
  return CueTrackOutputName(Job.Disc->Source(), OutputFolder, Job.Track);
}

}  // namespace corvane
