#include "CoverArt.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <tuple>

#include "AppTexts.h"
#include "ImageInfo.h"
#include "JobFailure.h"
#include "PathNames.h"
#include "TextCodec.h"
#include "TextFormat.h"

namespace corvane {
namespace {

constexpr std::array<std::string_view, 3> kCoverNames = {"cover", "folder", "front"};
constexpr std::array<std::string_view, 3> kCoverExtensions = {".jpg", ".jpeg", ".png"};

TCoverSearch NotEmbedded(const char* Why, const std::string& File) {
  return {std::nullopt, FormatText(Why, {File})};
}

// The picture of Image's bytes, or the note why it cannot be one.
TCoverSearch PictureOf(std::string Image, const std::string& File) {
  const std::optional<TImageInfo> info = ReadImageInfo(Image);
  if (!info) return NotEmbedded(texts::kNoteCoverNotImage, File);
  if (static_cast<int64_t>(Image.size()) > MaxPictureDataSize(info->MimeType.size())) {
    return NotEmbedded(texts::kNoteCoverTooLarge, File);
  }
  TFlacPicture picture;
  picture.MimeType = info->MimeType;
  picture.Width = info->Width;
  picture.Height = info->Height;
  picture.Depth = info->Depth;
  picture.Colors = info->Colors;
  picture.Data = std::move(Image);
  return {std::move(picture), {}};
}

std::string LowerAscii(std::string Text) {
  for (char& c : Text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return Text;
}

}  // namespace

TCoverSearch CoverOfApeTag(const TAPEtag& Tag, const std::string& Source) {
  if (Tag.CoverArtFrontSize == 0) return {};
  if (Tag.CoverArtFrontSize > TAPEtag::kMaxCoverArtSize) {
    return NotEmbedded(texts::kNoteCoverTooLarge, Source);
  }
  // A file name, a NUL, then the image; some taggers store the image alone.
  const std::string& value = Tag.CoverArtFront;
  if (ReadImageInfo(value)) return PictureOf(value, Source);
  const size_t zero = value.find('\0');
  if (zero == std::string::npos) return NotEmbedded(texts::kNoteCoverNotImage, Source);
  return PictureOf(value.substr(zero + 1), Source);
}

std::string FolderCoverFile(const std::string& Folder) {
  std::error_code error;
  std::filesystem::directory_iterator entries(Folder.empty() ? "." : Folder, error);
  if (error) return {};
  // Best so far: (name's rank, extension's rank, file name), the least wins.
  std::optional<std::tuple<size_t, size_t, std::string>> best;
  std::string found;
  // Stepping on may fail too (a folder removed meanwhile): the files seen so far count.
  for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    if (error) break;
    const std::filesystem::directory_entry& entry = *entries;
    std::error_code notAFile;  // a link to nowhere, say: not a cover, no reason to stop
    if (!entry.is_regular_file(notAFile)) continue;
    const std::filesystem::path& path = entry.path();
    const std::string stem = LowerAscii(path.stem().string());
    const std::string extension = LowerAscii(path.extension().string());
    const auto name = std::find(kCoverNames.begin(), kCoverNames.end(), stem);
    const auto type = std::find(kCoverExtensions.begin(), kCoverExtensions.end(), extension);
    if (name == kCoverNames.end() || type == kCoverExtensions.end()) continue;
    auto rank = std::make_tuple(static_cast<size_t>(name - kCoverNames.begin()),
                                static_cast<size_t>(type - kCoverExtensions.begin()),
                                path.filename().string());
    if (!best || rank < *best) {
      best = std::move(rank);
      found = path.string();
    }
  }
  return found;
}

TCoverSearch CoverOfFile(const std::string& File) {
  std::error_code error;
  const auto size = std::filesystem::file_size(File, error);
  if (error) return NotEmbedded(texts::kNoteCoverUnreadable, File);
  // Not read at all when it cannot fit, whatever kind of image it is.
  if (size > static_cast<uintmax_t>(MaxPictureDataSize(0))) {
    return NotEmbedded(texts::kNoteCoverTooLarge, File);
  }
  std::string image;
  try {
    image = ReadFileBytes(File);
  } catch (const std::exception&) {
    return NotEmbedded(texts::kNoteCoverUnreadable, File);
  }
  return PictureOf(std::move(image), File);
}

}  // namespace corvane
