#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "render/D3DTypes.h"

// Which pixels of a surface changed, as a few spans per group of rows: a
// round bubble changes a round patch, not its bounding square, so restoring
// the background under it copies only that. Every row of a group shares its
// spans, which are the union of what changed in each: a few rows' worth of a
// circle's edge costs little to copy and saves a record per row. Spans that
// overlap or lie close are joined; past a few per group the two closest
// become one. A span may hold pixels that did not change, never miss one
// that did.
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
  void Add(int row, int left, int right) {
    AddRows(row, row + 1, [&](int) { return TSpan{left, right}; });
  }
  void Add(const TRect& rect) {
    AddRows(rect.Top, rect.Bottom, [&](int) { return TSpan{rect.Left, rect.Right}; });
  }
  // Rows [top, bottom), each with the span spanOf(row) returns; spanOf is
  // asked once for each row within the surface, top to bottom.
  template <class TSpanOf>
  void AddRows(int top, int bottom, TSpanOf&& spanOf) {
    top = top > 0 ? top : 0;
    bottom = bottom < height_ ? bottom : height_;
    if (all_ || top >= bottom) return;
    for (int groupTop = top; groupTop < bottom;) {
      const int group = groupTop / GroupRows;
      const int groupBottom = (group + 1) * GroupRows < bottom ? (group + 1) * GroupRows : bottom;
      TSpan joined{width_, 0};
      for (int row = groupTop; row < groupBottom; ++row) {
        const TSpan span = spanOf(row);
        if (span.Left >= span.Right) continue;
        joined.Left = span.Left < joined.Left ? span.Left : joined.Left;
        joined.Right = span.Right > joined.Right ? span.Right : joined.Right;
      }
      groupTop = groupBottom;
      joined.Left = joined.Left > 0 ? joined.Left : 0;
      joined.Right = joined.Right < width_ ? joined.Right : width_;
      if (joined.Left >= joined.Right) continue;
      AddToGroup(group, joined);
    }
  }
  // Rows that share their spans.
  static constexpr int GroupRows = 4;
  // The spans of a shape drawn again and again (a texture's visible texels,
  // row r from first[r] to last[r]), per group of rows, worked out once for
  // each way its top row can fall within a group.
  struct TShape {
    std::vector<TSpan> Groups[GroupRows];
  };
  static TShape MakeShape(const int32_t* first, const int32_t* last, int height);
  // The shape with its top left at (left, top), wholly within the surface:
  // the same as adding its rows one by one.
  void AddShape(const TShape& shape, int left, int top);
  // Appends the changed spans within `within`, rows top to bottom, left to
  // right; the whole of it while everything counts as changed.
  void Collect(const TRect& within, std::vector<TRowSpan>& out) const;

  // The groups that may hold spans are [FirstGroup(), EndGroup()); a group
  // g covers rows [g * GroupRows, (g + 1) * GroupRows) within the surface.
  // Meaningless while everything counts as changed.
  bool Empty() const { return !all_ && top_ == bottom_; }
  int FirstGroup() const { return top_; }
  int EndGroup() const { return bottom_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A group's spans, left to right, apart from one another.
  std::span<const TSpan> GroupSpans(int group) const {
    return {spans_.data() + static_cast<size_t>(group) * MaxSpans, counts_[static_cast<size_t>(group)]};
  }
  // Adds the spans of `other` (of the same size) within the columns of
  // `within`, in the groups its rows reach: whole groups, so rows of a group
  // that `within` leaves out may come along.
  void AddFrom(const TTouchedRows& other, const TRect& within);

 private:
  // Spans a group keeps apart; more rarely pay for themselves.
  static constexpr int MaxSpans = 6;
  // A gap this narrow costs less to copy than a second span does to start.
  static constexpr int32_t JoinGap = 16;

  // A span within the surface to a group.
  void AddToGroup(int group, const TSpan& span) {
    if (top_ == bottom_) {
      top_ = group;
      bottom_ = group + 1;
    } else {
      top_ = group < top_ ? group : top_;
      bottom_ = group + 1 > bottom_ ? group + 1 : bottom_;
    }
    TSpan* spans = spans_.data() + static_cast<size_t>(group) * MaxSpans;
    uint8_t& count = counts_[static_cast<size_t>(group)];
    // Most groups hold nothing yet, or one span the new one overlaps.
    if (count == 0) {
      spans[0] = span;
      count = 1;
    } else if (count == 1 && span.Left <= spans[0].Right + JoinGap && spans[0].Left <= span.Right + JoinGap) {
      spans[0].Left = span.Left < spans[0].Left ? span.Left : spans[0].Left;
      spans[0].Right = span.Right > spans[0].Right ? span.Right : spans[0].Right;
    } else {
      Insert(spans, count, span.Left, span.Right);
    }
  }
  // Puts [left, right) among a group's spans, joining what lies close.
  static void Insert(TSpan* spans, uint8_t& stored, int32_t left, int32_t right);

  int width_ = 0;
  int height_ = 0;
  bool all_ = true;
  // Groups [top_, bottom_) may hold spans; the rest hold none.
  int top_ = 0;
  int bottom_ = 0;
  std::vector<uint8_t> counts_;
  std::vector<TSpan> spans_;
};
