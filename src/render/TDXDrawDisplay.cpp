#include "render/TDXDrawDisplay.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <tuple>

namespace {

bool SameRatio(const TDisplayMode& mode, const TDXDrawDisplay& display) {
  return int64_t{mode.Width} * display.Height == int64_t{mode.Height} * display.Width;
}

bool Allowed(const TDisplayMode& mode, const TDXDrawDisplay& display) {
  if (mode.Width <= 0 || mode.Height <= 0) return false;
  if (display.FixedSize && (mode.Width != display.Width || mode.Height != display.Height)) return false;
  if (display.FixedBitCount && mode.BitCount != display.BitCount) return false;
  return true;
}

}  // namespace

std::vector<TDisplayMode> DisplayModeCandidates(const TDXDrawDisplay& display,
                                                const std::vector<TDisplayMode>& listed) {
  const TDisplayMode requested{display.Width, display.Height, display.BitCount};
  std::vector<TDisplayMode> others;
  for (const auto& mode : listed) {
    if (mode == requested || !Allowed(mode, display)) continue;
    if (std::find(others.begin(), others.end(), mode) == others.end()) others.push_back(mode);
  }
  const int64_t requestedArea = int64_t{display.Width} * display.Height;
  const auto rank = [&](const TDisplayMode& mode) {
    const bool ratioFirst = display.FixedRatio && SameRatio(mode, display);
    return std::make_tuple(!ratioFirst, std::llabs(int64_t{mode.Width} * mode.Height - requestedArea),
                           std::abs(mode.BitCount - display.BitCount));
  };
  std::stable_sort(others.begin(), others.end(),
                   [&](const TDisplayMode& a, const TDisplayMode& b) { return rank(a) < rank(b); });
  others.insert(others.begin(), requested);
  return others;
}
