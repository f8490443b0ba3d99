#pragma once

#include <string>

namespace corvane {

struct TJob;

// The output folder that the folder field's text stands for: empty (beside the source) for the
// field's initial text or an empty field, otherwise the text as a folder: a folder typed
// without its final "/" gets one, so "/music/out" never writes "/music/outsong.flac".
std::string OutputFolderOf(const std::string& FieldText);
// The FLAC file of a whole audio file.
std::string PlainOutputName(const std::string& Source, const std::string& OutputFolder);
// "Track_<n>.flac" for the 0-based track index, in the output folder or the sheet's own; the
// hidden track before track 1 (index -1) is "Track_0.flac".
std::string CueTrackOutputName(const std::string& CueFileName, const std::string& OutputFolder,
                               int TrackIndex);
// Path with " (Number)" before its extension: "Track_1 (2).flac".
std::string NumberedName(const std::string& Path, int Number);

// The file a job writes before the names of a batch are made unique: the source's name with
// ".flac", or "Track_<n>.flac" for a cue track, in OutputFolder (see OutputFolderOf), or beside
// the source (the sheet) when that is empty.
std::string NaturalOutputOf(const TJob& Job, const std::string& OutputFolder);

}  // namespace corvane
