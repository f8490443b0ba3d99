#pragma once

#include <memory>
#include <span>
#include <string>

#include "AudioSource.h"

namespace corvane {

// Where a format keeps the tags a converted file takes over.
enum class TSourceTags {
  ApeTag,        // an APEv2 (or APE 1.0) tag at the end of the file
  FlacComments,  // Vorbis comments and PICTURE blocks
  None,
};

// One kind of audio file the converter reads. This table is the one place a format plugs in:
// everything else works with TAudioSource.
struct TInputFormat {
  // With its dot, lower case; file names match it in any letter case.
  const char* Extension;
  // What dialogs and messages call it.
  const char* Name;
  // A source for files of the format. Throws EACSException when its decoder is missing.
  std::unique_ptr<TAudioSource> (*Open)();
  // The cue sheet stored in a file's tag, as its bytes; empty when it has none. Throws the file
  // layers' errors when the file cannot be read.
  std::string (*EmbeddedSheet)(const std::string& File);
  TSourceTags Tags;
};

// A format users meet that no decoder here reads: refused by name when a file is added.
struct TRefusedFormat {
  const char* Extension;
  const char* Name;
};

std::span<const TInputFormat> InputFormats();
// The refused format of Path by its extension; null when it is not one.
const TRefusedFormat* RefusedFormatOf(const std::string& Path);
// The format of Path by its extension; null when no format has it.
const TInputFormat* InputFormatOf(const std::string& Path);
// "*.ape *.flac … *.cue *.APE *.FLAC … *.CUE": what a file dialog offers for every input.
std::string SupportedFilePatterns();
// What messages call the format of Path: its extension in capitals, without the dot ("APE").
std::string FormatShortName(const std::string& Path);
// A source for Path's format; throws ESourceError (not this format) when it has none.
std::unique_ptr<TAudioSource> OpenAudioSource(const std::string& Path);
// Throws EACSException, naming the library, when the decoder of a format is missing.
void RequireDecoders();

}  // namespace corvane
