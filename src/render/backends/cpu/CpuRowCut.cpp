#include "render/backends/cpu/CpuRowCut.h"

#include <algorithm>

namespace {

// Reals are used only to cut pixels away: this many pixels more are kept
// on each side of a row than they say, and positions must lie this far
// within the hull's bounds, far more than their rounding could move.
constexpr int KeptPixels = 2;
constexpr double BoundsSlack = 0.25;

// floor and ceil of a value within the range of int, without the library's
// rounding, which without SSE4.1 takes a dozen instructions.
int FloorToInt(double x) {
  const int whole = static_cast<int>(x);
  return whole - (x < whole ? 1 : 0);
}
int CeilToInt(double x) {
  const int whole = static_cast<int>(x);
  return whole + (x > whole ? 1 : 0);
}

}  // namespace

TRowCut::TRowCut(const TVisibleHull& hull, const TTriangleSetup& mapping, bool onTexture) {
  if (!hull.Cuts() || mapping.Denominator == 0) return;
  cuts_ = true;
  empty_ = hull.Empty();
  const double d = static_cast<double>(mapping.Denominator);
  u_ = static_cast<double>(mapping.UBase) / d;
  ux_ = static_cast<double>(mapping.UStepX) / d;
  uy_ = static_cast<double>(mapping.UStepY) / d;
  v_ = static_cast<double>(mapping.VBase) / d;
  vx_ = static_cast<double>(mapping.VStepX) / d;
  vy_ = static_cast<double>(mapping.VStepY) / d;
  bounded_ = hull.Bounded(lowU_, lowV_, highU_, highV_) && !onTexture;
  for (int i = 0; i < TVisibleHull::Planes(); ++i) {
    double a = 0, b = 0, c = 0;
    hull.Plane(i, a, b, c);
    // Inside where p x + q y + r <= 0.
    const double p = a * ux_ + b * vx_, q = a * uy_ + b * vy_, r = a * u_ + b * v_ - c;
    if (p == 0) {
      flat_.Add(r, q);
    } else {
      (p > 0 ? last_ : first_).Add(-r / p, -q / p);
    }
  }
}

bool TRowCut::Cut(int row, int& begin, int& end) const {
  if (!cuts_ || begin >= end) return begin < end;
  if (empty_) return false;
  const double y = row;
  if (bounded_) {
    // A row's positions lie on a line: its ends bound every one between.
    const double u0 = u_ + ux_ * begin + uy_ * y, u1 = u_ + ux_ * (end - 1) + uy_ * y;
    const double v0 = v_ + vx_ * begin + vy_ * y, v1 = v_ + vx_ * (end - 1) + vy_ * y;
    if (std::min(u0, u1) < lowU_ + BoundsSlack || std::max(u0, u1) > highU_ - BoundsSlack ||
        std::min(v0, v1) < lowV_ + BoundsSlack || std::max(v0, v1) > highV_ - BoundsSlack) {
      return true;
    }
  }
  for (int i = 0; i < flat_.Count; ++i) {
    if (flat_.At[i] + flat_.Step[i] * y > 0) return false;
  }
  double low = begin, high = end - 1;
  for (int i = 0; i < last_.Count; ++i) high = std::min(high, last_.At[i] + last_.Step[i] * y);
  for (int i = 0; i < first_.Count; ++i) low = std::max(low, first_.At[i] + first_.Step[i] * y);
  // Past this test both lie within 2 x KeptPixels of [begin, end).
  if (low > high + 2 * KeptPixels) return false;
  begin = std::max(begin, FloorToInt(low) - KeptPixels);
  end = std::min(end, CeilToInt(high) + 1 + KeptPixels);
  return begin < end;
}
