#include "render/backends/cpu/CpuVisibleHull.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/backends/cpu/TCpuTexels.h"

namespace {

// The directions of the half-planes: across, down and the diagonals.
constexpr double DirectionU[] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr double DirectionV[] = {0, 0, 1, -1, 1, -1, 1, -1};
constexpr double Root2 = 1.4142135623730951;
constexpr double DirectionLength[] = {1, 1, 1, 1, Root2, Root2, Root2, Root2};

// Reals are used only to cut pixels away; this many pixels more are kept on
// each side than the reals say, far more than their rounding could move.
constexpr int KeptPixels = 2;
// How far within its bounds a walk must stay for the planes to be used:
// far more than the reals' rounding.
constexpr double BoundsSlack = 0.25;

}  // namespace

TVisibleHull::TVisibleHull(const TCpuTexels& texels) {
  const int w = texels.Width, h = texels.Height;
  if (w <= 0 || h <= 0) return;
  usable_ = true;
  std::fill(std::begin(reach_), std::end(reach_), -std::numeric_limits<double>::infinity());
  bool onEdge = false;
  for (int y = 0; y < h; ++y) {
    const int first = texels.First[static_cast<size_t>(y)];
    const int last = texels.Last[static_cast<size_t>(y)];
    if (first > last) continue;
    empty_ = false;
    // Texel (x, y) is the cell [x, x + 1) x [y, y + 1); one on the edge
    // also shows at positions beyond it.
    const bool left = first == 0, right = last == w - 1, top = y == 0, bottom = y == h - 1;
    onEdge = onEdge || left || right || top || bottom;
    const double u0 = left ? -Margin : first, u1 = right ? w + Margin : last + 1;
    const double v0 = top ? -Margin : y, v1 = bottom ? h + Margin : y + 1;
    for (int d = 0; d < Directions; ++d) {
      const double a = DirectionU[d], b = DirectionV[d];
      reach_[d] = std::max(reach_[d], std::max(a * u0, a * u1) + std::max(b * v0, b * v1));
    }
  }
  if (onEdge) {
    bounded_ = true;
    lowU_ = lowV_ = -Margin;
    highU_ = w + Margin;
    highV_ = h + Margin;
  }
}

TVisibleHull TVisibleHull::Joined(const TVisibleHull& a, const TVisibleHull& b) {
  if (!a.usable_ || !b.usable_) return TVisibleHull{};
  if (a.empty_) return b;
  if (b.empty_) return a;
  TVisibleHull joined = a;
  for (int d = 0; d < Directions; ++d) joined.reach_[d] = std::max(a.reach_[d], b.reach_[d]);
  if (b.bounded_) {
    if (!a.bounded_) {
      joined.lowU_ = b.lowU_, joined.lowV_ = b.lowV_, joined.highU_ = b.highU_, joined.highV_ = b.highV_;
    } else {
      joined.lowU_ = std::max(a.lowU_, b.lowU_), joined.lowV_ = std::max(a.lowV_, b.lowV_);
      joined.highU_ = std::min(a.highU_, b.highU_), joined.highV_ = std::min(a.highV_, b.highV_);
    }
    joined.bounded_ = true;
  }
  return joined;
}

void TVisibleHull::Plane(int plane, double& a, double& b, double& c) const {
  a = DirectionU[plane];
  b = DirectionV[plane];
  c = reach_[plane] + 0.5 * DirectionLength[plane];
}

bool TVisibleHull::Clip(const TWalkSteps& steps, const TTexelWalk& start, int count, int& first, int& last) const {
  first = 0;
  last = count - 1;
  if (!usable_ || count <= 0) return count > 0;
  if (empty_) return false;
  // The texel position of pixel t is (u0 + t du, v0 + t dv), floored.
  const double u0 = double(start.U) + double(start.UPart) / double(steps.UDenominator);
  const double v0 = double(start.V) + double(start.VPart) / double(steps.VDenominator);
  const double du = double(steps.UStep) + double(steps.UStepPart) / double(steps.UDenominator);
  const double dv = double(steps.VStep) + double(steps.VStepPart) / double(steps.VDenominator);
  if (bounded_) {
    // A walk is a line: its ends bound every position between.
    const double u1 = u0 + double(count - 1) * du, v1 = v0 + double(count - 1) * dv;
    if (std::min(u0, u1) < lowU_ + BoundsSlack || std::max(u0, u1) > highU_ - BoundsSlack ||
        std::min(v0, v1) < lowV_ + BoundsSlack || std::max(v0, v1) > highV_ - BoundsSlack) {
      return true;
    }
  }
  double low = 0, high = count - 1;
  for (int d = 0; d < Directions; ++d) {
    // Inside where at + t x slope <= 0.
    double a = 0, b = 0, c = 0;
    Plane(d, a, b, c);
    const double at = a * u0 + b * v0 - c;
    const double slope = a * du + b * dv;
    if (slope > 0) {
      high = std::min(high, -at / slope);
    } else if (slope < 0) {
      low = std::max(low, -at / slope);
    } else if (at > 0) {
      low = high + 1;
    }
    if (low > high + 2 * KeptPixels) return false;
  }
  first = std::max(0, static_cast<int>(std::floor(low)) - KeptPixels);
  last = std::min(count - 1, static_cast<int>(std::ceil(high)) + KeptPixels);
  return first <= last;
}
