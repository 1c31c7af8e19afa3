#include "render/backends/cpu/CpuVisibleHull.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/backends/cpu/TCpuTexels.h"

namespace {

struct TPoint {
  int64_t X, Y;
  bool operator<(const TPoint& o) const { return X < o.X || (X == o.X && Y < o.Y); }
  bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
};

int64_t Cross(const TPoint& o, const TPoint& a, const TPoint& b) {
  return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// Andrew's monotone chain; counter-clockwise in (x, y), no collinear points.
std::vector<TPoint> Hull(std::vector<TPoint> points) {
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  std::vector<TPoint> hull(2 * points.size());
  size_t k = 0;
  for (const TPoint& p : points) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

// Reals are used only to cut pixels away; this many pixels more are kept on
// each side than the reals say, far more than their rounding could move.
constexpr int KeptPixels = 2;

}  // namespace

TVisibleHull::TVisibleHull(const TCpuTexels& texels) {
  const int w = texels.Width, h = texels.Height;
  if (w <= 0 || h <= 0) return;
  std::vector<TPoint> corners;
  for (int y = 0; y < h; ++y) {
    const int first = texels.First[static_cast<size_t>(y)];
    const int last = texels.Last[static_cast<size_t>(y)];
    if (first > last) continue;
    // Visible on the edge: positions off the texture would show it.
    if (y == 0 || y == h - 1 || first == 0 || last == w - 1) return;
    // Texel (x, y) is the cell [x, x + 1) x [y, y + 1).
    corners.push_back({first, y});
    corners.push_back({first, y + 1});
    corners.push_back({last + 1, y});
    corners.push_back({last + 1, y + 1});
  }
  usable_ = true;
  if (corners.empty()) {
    empty_ = true;
    return;
  }
  const std::vector<TPoint> hull = Hull(corners);
  for (size_t i = 0; i < hull.size(); ++i) {
    const TPoint& p = hull[i];
    const TPoint& q = hull[(i + 1) % hull.size()];
    // Inside lies to the left of p -> q: (q - p) x (x - p) >= 0. Pushed
    // out by half a texel, so that no point of the hull sits on a plane,
    // where rounding could cut it.
    const double a = double(q.Y - p.Y), b = -double(q.X - p.X);
    planes_.push_back(TPlane{a, b, a * double(p.X) + b * double(p.Y) + 0.5 * std::hypot(a, b)});
  }
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
  double low = 0, high = count - 1;
  for (const TPlane& plane : planes_) {
    // Inside where at + t x slope <= 0.
    const double at = plane.A * u0 + plane.B * v0 - plane.C;
    const double slope = plane.A * du + plane.B * dv;
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
