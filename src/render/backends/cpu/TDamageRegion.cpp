#include "render/backends/cpu/TDamageRegion.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

using TSpan = TTouchedRows::TSpan;

using TSendCost = TDamageRegion::TSendCost;

// Neighbouring columns of a band `rows` high are sent as one rectangle when
// the gap between them costs less than a rectangle and its rows.
bool Bridged(int32_t gap, int rows, const TSendCost& cost) {
  return int64_t(gap) * rows < cost.Rect + cost.Row * rows;
}

// What sending the columns of a band `rows` high costs beyond the price of
// its rectangles, and how many rectangles it takes.
struct TBandCost {
  int64_t Cost = 0;
  int64_t Rects = 0;
};

TBandCost CostOf(const std::vector<TSpan>& columns, int rows, const TSendCost& cost) {
  TBandCost band;
  for (size_t i = 0; i < columns.size(); ++i) {
    band.Cost += int64_t(columns[i].Right - columns[i].Left) * rows;
    if (i > 0 && Bridged(columns[i].Left - columns[i - 1].Right, rows, cost)) {
      band.Cost += int64_t(columns[i].Left - columns[i - 1].Right) * rows;
    } else {
      band.Cost += cost.Row * rows;
      ++band.Rects;
    }
  }
  return band;
}

// The columns of `a` and `b`, each left to right, as one list left to right
// with those that meet made one.
void JoinColumns(const std::vector<TSpan>& a, std::span<const TSpan> b, std::vector<TSpan>& out) {
  out.clear();
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    const TSpan next = j == b.size() || (i < a.size() && a[i].Left <= b[j].Left) ? a[i++] : b[j++];
    if (!out.empty() && next.Left <= out.back().Right) {
      out.back().Right = std::max(out.back().Right, next.Right);
    } else {
      out.push_back(next);
    }
  }
}

// What sending a group's spans row by row would cost, rectangles aside.
int64_t SpansCost(std::span<const TSpan> spans, int rows, const TSendCost& cost) {
  int64_t pixels = 0;
  for (const TSpan& span : spans) pixels += span.Right - span.Left + cost.Row;
  return pixels * rows;
}

}  // namespace

void TDamageRegion::Resize(int width, int height) {
  rows_.Resize(width, height);
  ++resets_;
}

void TDamageRegion::Reset() {
  rows_.Reset();
  ++resets_;
}

const std::vector<TRect>& TDamageRegion::Rects(const TSendCost& cost) {
  rects_.clear();
  open_.clear();
  const int height = rows_.Height();
  if (rows_.All()) {
    if (rows_.Width() > 0 && height > 0) rects_.push_back(TRect{0, 0, rows_.Width(), height});
    return rects_;
  }
  // Walked top to bottom, a group joins the band above while what the band
  // would then cost beyond its rows' own spans stays within the price of
  // its rectangles: on a round patch bands grow tall where the outline runs
  // steeply and short where it turns, each wasting about what a rectangle
  // costs; where bubbles crowd, their gaps are bridged and bands grow wide.
  int bandTop = 0, bandBottom = 0;
  int64_t spansCost = 0;
  for (int group = rows_.FirstGroup(); group < rows_.EndGroup(); ++group) {
    const std::span<const TSpan> spans = rows_.GroupSpans(group);
    const int top = group * TTouchedRows::GroupRows;
    const int bottom = std::min(top + TTouchedRows::GroupRows, height);
    const int64_t added = SpansCost(spans, bottom - top, cost);
    if (!open_.empty()) {
      JoinColumns(open_, spans, joined_);
      const TBandCost band = CostOf(joined_, bottom - bandTop, cost);
      if (band.Cost - (spansCost + added) <= cost.Rect * band.Rects) {
        open_.swap(joined_);
        bandBottom = bottom;
        spansCost += added;
        continue;
      }
      CloseBand(bandTop, bandBottom, cost);
    }
    open_.assign(spans.begin(), spans.end());
    bandTop = top;
    bandBottom = bottom;
    spansCost = added;
  }
  CloseBand(bandTop, bandBottom, cost);
  return rects_;
}

void TDamageRegion::CloseBand(int top, int bottom, const TSendCost& cost) {
  const int rows = bottom - top;
  for (size_t i = 0; i < open_.size(); ++i) {
    if (i > 0 && Bridged(open_[i].Left - open_[i - 1].Right, rows, cost)) {
      rects_.back().Right = open_[i].Right;
    } else {
      rects_.push_back(TRect{open_[i].Left, top, open_[i].Right, bottom});
    }
  }
  open_.clear();
}
