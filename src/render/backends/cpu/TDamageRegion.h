#pragma once
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"

// Which parts of a surface changed, as rectangles that never overlap: what a
// frame has to copy again and send to the window. Changes that overlap or lie
// close are joined into their bounding box where that adds little, so a
// bubble that moved a few pixels costs one rectangle around where it was and
// where it is now.
class TDamageRegion {
 public:
  // Forgets everything and marks the whole surface changed.
  void Resize(int width, int height);
  void Add(const TRect& rect);
  void AddAll();
  void Reset();
  bool All() const { return all_; }
  bool None() const { return !all_ && rects_.empty(); }
  // Rectangles within the surface, none overlapping another, that cover the
  // damage.
  const std::vector<TRect>& Rects();

  // Whether the bounding box of a and b adds so little to what they cover
  // that one rectangle serves better than two.
  static bool WorthJoining(const TRect& a, const TRect& b);

 private:
  int width_ = 0;
  int height_ = 0;
  bool all_ = true;
  std::vector<TRect> rects_;
  std::vector<TRect> whole_;
  std::vector<TRect> pieces_;
  std::vector<TRect> next_;
};
