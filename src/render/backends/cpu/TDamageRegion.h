#pragma once
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"
#include "render/backends/cpu/TTouchedRows.h"

// Which parts of a surface changed since a present, kept row by row (spans
// per group of rows) and handed out as rectangles that never overlap: what
// the next present sends to the window. A round bubble changes a round
// patch, far less than its bounding box, so the rectangles follow its
// outline in strips of rows, as many as pay for themselves.
class TDamageRegion {
 public:
  // Forgets everything and marks the whole surface changed.
  void Resize(int width, int height);
  void Add(const TRect& rect) { rows_.Add(rect); }
  void AddAll() { rows_.AddAll(); }
  void Reset();
  bool All() const { return rows_.All(); }
  bool None() const { return rows_.Empty(); }
  // The damage row by row, for those who note changes that way.
  TTouchedRows& Rows() { return rows_; }
  // Counts the resets: whoever skips noting a change it noted before can
  // tell whether the damage forgot it since.
  uint64_t Resets() const { return resets_; }
  // What sending a rectangle costs beyond its pixels, said in pixels sent:
  // a price for each rectangle, and one for each of its rows (a row starts
  // somewhere new in memory, where a copy cannot stream on from the last).
  struct TSendCost {
    int64_t Rect = 0;
    int64_t Row = 0;
  };
  // Rectangles within the surface, none overlapping another, that cover the
  // damage: in bands of rows top to bottom, all of a band's rectangles
  // sharing its rows, left to right. Two rectangles of a band become one
  // where the gap between them costs less than sending them apart, and a
  // band ends where what it would cost beyond sending each row's changed
  // spans alone passes the price of its rectangles.
  const std::vector<TRect>& Rects(const TSendCost& cost);

 private:
  // Sends the band open_ holds, rows [top, bottom), to rects_.
  void CloseBand(int top, int bottom, const TSendCost& cost);

  TTouchedRows rows_;
  uint64_t resets_ = 0;
  std::vector<TRect> rects_;
  // The columns of the band being built, and that joined with a group's spans.
  std::vector<TTouchedRows::TSpan> open_;
  std::vector<TTouchedRows::TSpan> joined_;
};
