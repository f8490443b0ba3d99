#include "InputFormats.h"

#include <array>

#include "APEtag.h"
#include "MACIn.h"
#include "PathNames.h"
#include "SourceError.h"
#include "TagText.h"

namespace corvane {
namespace {

std::string ApeTagSheet(const std::string& File) {
  TAPEtag tag;
  tag.Read(File);
  return tag.CueSheet;
}

const std::array kFormats{
    TInputFormat{".ape", "Monkey's Audio",
                 []() -> std::unique_ptr<TAudioSource> { return std::make_unique<TMACIn>(); },
                 ApeTagSheet},
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

std::unique_ptr<TAudioSource> OpenAudioSource(const std::string& Path) {
  const TInputFormat* format = InputFormatOf(Path);
  if (format == nullptr) {
    throw ESourceError("No decoder reads " + ExtractFileName(Path) + ".",
                       TSourceFault::NotThisFormat, Path);
  }
  return format->Open();
}

void RequireDecoders() {
  for (const TInputFormat& format : kFormats) format.Open();
}

}  // namespace corvane
