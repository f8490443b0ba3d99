#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ImageInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
  const std::optional<corvane::TImageInfo> info = corvane::ReadImageInfo(bytes);
  // Recognised by the signature alone, whatever follows it.
  if (info && info->MimeType.empty()) __builtin_trap();
  return 0;
}
