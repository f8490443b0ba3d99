#include "CueSheetLoader.h"

#include <QString>
#include <QStringList>

#include "AppTexts.h"
#include "CueAudioLocator.h"
#include "CueTrackAudio.h"
#include "InputFormats.h"
#include "Language.h"
#include "PathNames.h"

namespace corvane {
namespace {

const char* ProblemText(TCueProblemKind Kind) {
  switch (Kind) {
    case TCueProblemKind::NulByte:
      return texts::kCueNulByte;
    case TCueProblemKind::TrackWithoutNumber:
      return texts::kCueTrackWithoutNumber;
    case TCueProblemKind::TrackNumberOutOfRange:
      return texts::kCueTrackNumberOutOfRange;
    case TCueProblemKind::TrackBeforeFile:
      return texts::kCueTrackBeforeFile;
    case TCueProblemKind::FileWithoutName:
      return texts::kCueFileWithoutName;
    case TCueProblemKind::IndexOutsideTrack:
      return texts::kCueIndexOutsideTrack;
    case TCueProblemKind::MalformedIndex:
      return texts::kCueMalformedIndex;
    case TCueProblemKind::IndexNumberOutOfRange:
      return texts::kCueIndexNumberOutOfRange;
    case TCueProblemKind::MalformedTime:
      return texts::kCueMalformedTime;
    case TCueProblemKind::RepeatedIndex01:
      return texts::kCueRepeatedIndex01;
    case TCueProblemKind::MissingIndex01:
      return texts::kCueMissingIndex01;
    case TCueProblemKind::TimeNotIncreasing:
      return texts::kCueTimeNotIncreasing;
  }
  return "";
}

QString Utf8(const std::string& Text) {
  return QString::fromStdString(Text);
}

[[noreturn]] void Refuse(const QString& Message) {
  throw ECueSheetError(Message.toStdString());
}

void RefuseFirstProblem(const TCueFile& Sheet) {
  const TCueProblem& problem = Sheet.Problems.front();
  // A NUL would end the message text itself.
  QString line = Utf8(problem.Text);
  line.replace(QChar(u'\0'), QStringLiteral("\\0"));
  Refuse(TextOf(texts::kCueSheetInvalid)
             .arg(Utf8(ExtractFileName(Sheet.CueFileName)))
             .arg(problem.Line)
             .arg(TextOf(ProblemText(problem.Kind)), line));
}

void LocateAudio(TCueFile& Sheet, bool Embedded) {
  if (Embedded) {
    if (Sheet.Files.size() > 1) {
      Refuse(TextOf(texts::kCueEmbeddedSeveralFiles).arg(Utf8(ExtractFileName(Sheet.CueFileName))));
    }
    // Whatever name the sheet gives, its audio is the file it is stored in.
    for (TCueAudioFile& file : Sheet.Files) file.Path = Sheet.CueFileName;
    return;
  }
  for (TCueAudioFile& file : Sheet.Files) {
    const TCueAudioLookup lookup =
        LocateCueAudio(Sheet.CueFileName, file.Name, Sheet.Files.size() == 1);
    if (!lookup.Found) {
      QStringList lookedFor;
      for (const std::string& name : lookup.LookedFor)
        lookedFor << TextOf(texts::kQuoted).arg(Utf8(name));
      Refuse(TextOf(texts::kCueAudioNotFound)
                 .arg(Utf8(ExtractFileName(Sheet.CueFileName)))
                 .arg(file.Line)
                 .arg(Utf8(file.Name), lookedFor.join(TextOf(texts::kListSeparator))));
    }
    file.Path = *lookup.Found;
  }
}

}  // namespace

std::shared_ptr<const TDisc> LoadCueSheet(const std::string& File, TTextEncoding Encoding) {
  const TInputFormat* format = InputFormatOf(File);
  const bool embedded = format != nullptr;
  std::string bytes;
  if (embedded) {
    bytes = format->EmbeddedSheet(File);
    if (bytes.empty()) return nullptr;
  } else {
    bytes = ReadFileBytes(File);
  }
  auto sheet = std::make_unique<TCueFile>(File);
  sheet->SetCueText(DecodeTextBytes(bytes, Encoding));
  sheet->Parse();
  if (!sheet->Valid()) RefuseFirstProblem(*sheet);
  LocateAudio(*sheet, embedded);
  TSheetAudio audio(*sheet);
  // Decided now, so the job list shows the hidden track before the batch starts.
  if (!sheet->Tracks.empty() && !IsDigitalSilence(audio.TrackSegments(-1))) {
    TCueTrack hidden;
    hidden.Number = "00";
    hidden.Index01 = TCuePosition{0, 0, 0};
    hidden.StartTime = "00:00:00";
    sheet->HiddenTrack = hidden;
  }
  std::map<int, TTrackAudio> tracks;
  for (int track = sheet->HiddenTrack ? -1 : 0; track < static_cast<int>(sheet->Tracks.size());
       ++track) {
    try {
      tracks[track].Segments = audio.TrackSegments(track);
    } catch (const std::exception& E) {
      tracks[track].Problem = FailureOf(E);
    }
  }
  return std::make_shared<const TDisc>(std::move(sheet), std::move(tracks));
}

}  // namespace corvane
