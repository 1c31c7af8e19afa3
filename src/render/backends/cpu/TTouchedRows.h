#pragma once
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"

// Which pixels of a surface changed, row by row, as a few spans per row: a
// round bubble changes a round patch, not its bounding square, so restoring
// the background under it copies only that. Spans that overlap or lie close
// are joined; past a few per row the two closest become one, so a span may
// hold a few pixels that did not change, never miss one that did.
class TTouchedRows {
 public:
  struct TSpan {
    int32_t Left = 0;
    int32_t Right = 0;
  };
  struct TRowSpan {
    int32_t Row = 0;
    int32_t Left = 0;
    int32_t Right = 0;
  };

  // Forgets everything and marks the whole surface changed.
  void Resize(int width, int height);
  void Reset();
  void AddAll() { all_ = true; }
  bool All() const { return all_; }
  // Pixels [left, right) of one row, cut to the surface.
  void Add(int row, int left, int right);
  void Add(const TRect& rect);
  // Appends the changed spans within `within`, rows top to bottom, left to
  // right; the whole of it while everything counts as changed.
  void Collect(const TRect& within, std::vector<TRowSpan>& out) const;

 private:
  // Spans a row keeps apart; more rarely pay for themselves.
  static constexpr int MaxSpans = 6;
  // A gap this narrow costs less to copy than a second span does to start.
  static constexpr int32_t JoinGap = 16;

  int width_ = 0;
  int height_ = 0;
  bool all_ = true;
  // Rows [top_, bottom_) may hold spans; the rest hold none.
  int top_ = 0;
  int bottom_ = 0;
  std::vector<uint8_t> counts_;
  std::vector<TSpan> spans_;
};
