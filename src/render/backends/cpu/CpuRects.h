#pragma once
#include <algorithm>
#include <cstdint>

#include "render/D3DTypes.h"

// Rectangle arithmetic the compositor and its damage record share. Right and
// bottom are exclusive.

// The common part of a and b; empty (right = left or bottom = top) when they
// do not meet.
inline TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

inline bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// The bounding box of a and b.
inline TRect Union(const TRect& a, const TRect& b) {
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

inline int64_t Area(const TRect& r) {
  return r.Right > r.Left && r.Bottom > r.Top ? int64_t(r.Right - r.Left) * int64_t(r.Bottom - r.Top) : 0;
}

// Whether the bounding box of a and b adds so little to what they cover
// (no more than an eighth) that one rectangle serves better than two.
inline bool WorthJoining(const TRect& a, const TRect& b) {
  constexpr int64_t SlackNumerator = 9;
  constexpr int64_t SlackDenominator = 8;
  const int64_t apart = Area(a) + Area(b);
  const int64_t bound = Area(Union(a, b));
  // What they cover together is at most both areas: rectangles far apart,
  // most of those compared, are turned away before their overlap is sought.
  if (bound * SlackDenominator > apart * SlackNumerator) return false;
  return bound * SlackDenominator <= (apart - Area(Intersect(a, b))) * SlackNumerator;
}
