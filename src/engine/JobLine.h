#pragma once

#include <string>
#include <vector>

#include "CueFile.h"

namespace corvane {

// A line of the job list is either the path of a Monkey's Audio file or one track of a loaded
// cue sheet. The kind is kept beside the text: a file name may itself contain " | ".
enum class TJobKind { PlainFile, CueTrack };

struct TJob {
  std::string Text;
  TJobKind Kind = TJobKind::PlainFile;
  // The file the job writes, planned when a batch starts; empty before.
  std::string Output = {};
};

// "p | k - Title,Performer  --album.cue": sheet position p and track position k, both 1-based,
// then what the user needs to recognise the track.
std::string CueTrackLine(int SheetPosition, int TrackPosition, const TCueTrack& Track,
                         const std::string& CueFileName);
// The lines of every track of a sheet at SheetPosition: the hidden track 0 first when the
// sheet has one, then tracks 1, 2, ...
std::vector<std::string> CueSheetLines(int SheetPosition, const TCueFile& Sheet);
// The 0-based sheet and track of a cue-track line, read back from its numeric prefix (the first
// " | " and the first " - " always belong to it). Throw std::invalid_argument when the prefix
// is not a number.
int CueIndexOfLine(const std::string& Line);
int TrackIndexOfLine(const std::string& Line);

// Path pieces with "/" as the separator.
std::string ExtractFileName(const std::string& Path);
// The folder with its trailing "/"; empty for a bare name.
std::string ExtractFilePath(const std::string& Path);
// Replaces the extension (from the last "." of the name on) or appends one.
std::string ChangeFileExt(const std::string& Path, const std::string& Extension);
// Upper-case ASCII extension with its dot (".APE"), empty without one.
std::string UpperExtension(const std::string& Path);

// The output folder that the folder field's text stands for: empty (beside the source) for the
// field's initial text or an empty field, otherwise the text as a folder: a folder typed
// without its final "/" gets one, so "/music/out" never writes "/music/outsong.flac".
std::string OutputFolderOf(const std::string& FieldText);
// The FLAC file of a whole ".ape" file.
std::string PlainOutputName(const std::string& Source, const std::string& OutputFolder);
// "Track_<n>.flac" for the 0-based track index, in the output folder or the sheet's own; the
// hidden track before track 1 (index -1) is "Track_0.flac".
std::string CueTrackOutputName(const std::string& CueFileName, const std::string& OutputFolder,
                               int TrackIndex);
// Path with " (Number)" before its extension: "Track_1 (2).flac".
std::string NumberedName(const std::string& Path, int Number);

}  // namespace corvane
