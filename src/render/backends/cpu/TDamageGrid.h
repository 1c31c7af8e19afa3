#pragma once
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"

// Which parts of a surface changed, kept in tiles: enough to copy and show
// only what a frame touched, coarse enough to cost nothing per draw.
class TDamageGrid {
 public:
  // Forgets everything and marks the whole surface changed.
  void Resize(int width, int height);
  void Add(const TRect& rect);
  void AddAll();
  void Reset();
  bool All() const { return all_; }
  bool None() const { return !all_ && !any_; }
  // Tile-aligned rectangles within the surface that cover the damage: runs of
  // tiles along each tile row, runs of equal rows joined downwards.
  const std::vector<TRect>& Rects();

 private:
  int width_ = 0;
  int height_ = 0;
  int columns_ = 0;
  int rows_ = 0;
  bool all_ = true;
  bool any_ = false;
  std::vector<uint8_t> tiles_;
  std::vector<TRect> rects_;
  std::vector<TRect> open_;
  std::vector<TRect> next_;
};
