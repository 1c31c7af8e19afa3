#pragma once
#include <algorithm>

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
