#include "InputFormats.h"

#include <array>

#include "APEtag.h"
#include "AppTexts.h"
#include "DecodedSource.h"
#include "FLACDecoder.h"
#include "FLACfile.h"
#include "FlacCueSheet.h"
#include "FlacFormat.h"
#include "MACIn.h"
#include "PathNames.h"
#include "SndFileDecoder.h"
#include "SourceError.h"
#include "TTAIn.h"
#include "TagText.h"
#include "TextFormat.h"
#include "WavPackDecoder.h"

namespace corvane {
namespace {

std::string ApeTagSheet(const std::string& File) {
  TAPEtag tag;
  tag.Read(File);
  return tag.CueSheet;
}

// A FLAC file's sheet: a CUESHEET comment in any letter case, else its CUESHEET block.
std::string FlacSheet(const std::string& File) {
  TFLACfile flac;
  if (!flac.Read(File, true)) return {};
  for (const auto& [name, value] : flac.ExtraFields) {
    if (UpperAscii(name) == "CUESHEET" && !value.empty()) return value;
  }
  for (const TFlacBlock& block : flac.OtherBlocks()) {
    if (block.Type() == flac::kCueSheetBlock) {
      return CueSheetOfFlacBlock(block.Body, flac.SampleRate(), ExtractFileName(File));
    }
  }
  return {};
}

// PCM files carry no sheet of their own.
std::string NoSheet(const std::string&) {
  return {};
}

std::unique_ptr<TAudioSource> OpenMac() {
  return std::make_unique<TMACIn>();
}

std::unique_ptr<TAudioSource> OpenFlac() {
  RequireFlacDecoder();
  return std::make_unique<TDecodedSource>(&OpenFlacDecoder);
}

std::unique_ptr<TAudioSource> OpenWavPack() {
  return std::make_unique<TDecodedSource>(&OpenWavPackDecoder);
}

std::unique_ptr<TAudioSource> OpenSndFile() {
  return std::make_unique<TDecodedSource>(&OpenSndFileDecoder);
}

const std::array kFormats{
    TInputFormat{".ape", "Monkey's Audio", OpenMac, ApeTagSheet, TSourceTags::ApeTag},
    TInputFormat{".flac", "FLAC", OpenFlac, FlacSheet, TSourceTags::FlacComments},
    TInputFormat{".tta", "True Audio",
                 []() -> std::unique_ptr<TAudioSource> { return std::make_unique<TTTAIn>(); },
                 ApeTagSheet, TSourceTags::ApeTag},
    TInputFormat{".wv", "WavPack", OpenWavPack, ApeTagSheet, TSourceTags::ApeTag},
    TInputFormat{".wav", "WAV", OpenSndFile, NoSheet, TSourceTags::None},
    TInputFormat{".w64", "Wave64", OpenSndFile, NoSheet, TSourceTags::None},
    TInputFormat{".rf64", "RF64", OpenSndFile, NoSheet, TSourceTags::None},
    TInputFormat{".aiff", "AIFF", OpenSndFile, NoSheet, TSourceTags::None},
    TInputFormat{".aif", "AIFF", OpenSndFile, NoSheet, TSourceTags::None},
};

// Lossless formats users have beside APE that no decoder here reads: named, so a file of one
// is not called "not an APE file".
const std::array kRefusedFormats{
    TRefusedFormat{".tak", "TAK"},       TRefusedFormat{".ofr", "OptimFROG"},
    TRefusedFormat{".ofs", "OptimFROG"}, TRefusedFormat{".shn", "Shorten"},
    TRefusedFormat{".m4a", "ALAC"},
};

}  // namespace

std::span<const TInputFormat> InputFormats() {
  return kFormats;
}

const TInputFormat* InputFormatOf(const std::string& Path) {
  const std::string extension = UpperExtension(Path);
  for (const TInputFormat& format : kFormats) {
    if (extension == UpperAscii(format.Extension)) return &format;
  }
  return nullptr;
}

std::string SupportedFilePatterns() {
  std::vector<std::string> extensions;
  for (const TInputFormat& format : kFormats) extensions.emplace_back(format.Extension);
  extensions.emplace_back(".cue");
  std::string lower;
  std::string upper;
  for (const std::string& extension : extensions) {
    lower += (lower.empty() ? "*" : " *") + extension;
    upper += " *" + UpperAscii(extension);
  }
  return lower + upper;
}

std::string FormatShortName(const std::string& Path) {
  const std::string extension = UpperExtension(Path);
  return extension.empty() ? extension : extension.substr(1);
}

const TRefusedFormat* RefusedFormatOf(const std::string& Path) {
  const std::string extension = UpperExtension(Path);
  for (const TRefusedFormat& format : kRefusedFormats) {
    if (extension == UpperAscii(format.Extension)) return &format;
  }
  return nullptr;
}

std::unique_ptr<TAudioSource> OpenAudioSource(const std::string& Path) {
  const TInputFormat* format = InputFormatOf(Path);
  if (format == nullptr) {
    throw ESourceError(FormatText(texts::kErrorNoDecoder, {ExtractFileName(Path)}),
                       TSourceFault::NotThisFormat, Path);
  }
  return format->Open();
}

void RequireDecoders() {
  for (const TInputFormat& format : kFormats) format.Open();
}

}  // namespace corvane
