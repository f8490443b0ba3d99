#include "CompressionLevel.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <thread>

#include "AppTexts.h"
#include "FLACOut.h"

namespace corvane {
namespace {

struct TPreset {
  uint16_t MaxLPCOrder;
  uint16_t BlockSize;
  uint16_t MinResidualPartitionOrder;
  uint16_t MaxResidualPartitionOrder;
  bool MidSideStereo;  // as stored; the two setters below may switch it on
  bool LooseMidSideStereo;
  bool BestModelSearch;
};

constexpr std::array<TPreset, 9> kPresets = {{
    {0, 1152, 2, 2, false, false, false},
    {0, 1152, 2, 2, false, true, false},
    {0, 1152, 0, 3, true, false, false},
    {6, 4608, 3, 3, false, false, false},
    {8, 4608, 3, 3, false, true, false},
    {8, 4608, 3, 3, true, false, false},
    {8, 4608, 0, 4, true, false, false},
    {8, 4608, 0, 6, true, false, true},
    {12, 4608, 0, 6, true, false, true},
}};

}  // namespace

std::optional<int> ParseCompressionLevel(const std::string& Text) {
  std::string_view digits = Text;
  // from_chars takes a minus sign but no plus sign.
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-') return std::nullopt;
  }
  int value = 0;
  const char* end = digits.data() + digits.size();
  const auto [ptr, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

bool ApplyCompressionLevel(TFLACOut& Out, int Level) {
  if (Level < 0 || Level >= static_cast<int>(kPresets.size())) return false;
  const TPreset& preset = kPresets[static_cast<size_t>(Level)];
  Out.SetMaxLPCOrder(preset.MaxLPCOrder);
  Out.SetBlockSize(preset.BlockSize);
  Out.SetMinResidualPartitionOrder(preset.MinResidualPartitionOrder);
  Out.SetMaxResidualPartitionOrder(preset.MaxResidualPartitionOrder);
  Out.SetEnableMidSideStereo(preset.MidSideStereo);
  // Through the setters, in this order: each may switch mid-side stereo on.
  Out.SetEnableLooseMidSideStereo(preset.LooseMidSideStereo);
  Out.SetBestModelSearch(preset.BestModelSearch);
  return true;
}

const char* CompressionLevelStatus(int Level) {
  if (Level < 3) return texts::kStatusFast;
  if (Level <= 6) return texts::kStatusMedium;
  return texts::kStatusSlow;
}

int LoopDelayForCpuUsage(int Position) {
  return 16 - 5 * Position;
}

int DecodeThreadsForCpuUsage(int Position, int Cores) {
  return Position >= 3 ? std::max(Cores, 1) : 1;
}

int MachineCores() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace corvane
