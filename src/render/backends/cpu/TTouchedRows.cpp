#include "render/backends/cpu/TTouchedRows.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

void TTouchedRows::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  const size_t groups = static_cast<size_t>((height_ + GroupRows - 1) / GroupRows);
  counts_.assign(groups, 0);
  spans_.assign(groups * MaxSpans, TSpan{});
  top_ = bottom_ = 0;
  all_ = true;
}

void TTouchedRows::Reset() {
  std::fill(counts_.begin() + top_, counts_.begin() + bottom_, uint8_t(0));
  top_ = bottom_ = 0;
  all_ = false;
}

void TTouchedRows::Insert(TSpan* spans, uint8_t& stored, int32_t left, int32_t right) {
  int count = stored;
  // Spans [first, last) lie close enough to the new one to become one with it.
  int first = 0;
  while (first < count && spans[first].Right + JoinGap < left) ++first;
  int last = first;
  while (last < count && spans[last].Left - JoinGap <= right) ++last;
  if (first < last) {
    spans[first] = TSpan{std::min(left, spans[first].Left), std::max(right, spans[last - 1].Right)};
    if (last - first > 1) {
      std::copy(spans + last, spans + count, spans + first + 1);
      stored = static_cast<uint8_t>(count - (last - first - 1));
    }
    return;
  }
  if (count == MaxSpans) {
    // No room: the new span joins the neighbour it lies closer to, or the
    // two spans with the narrowest gap between them become one first.
    int closest = 0;
    for (int i = 1; i + 1 < count; ++i) {
      if (spans[i + 1].Left - spans[i].Right < spans[closest + 1].Left - spans[closest].Right) closest = i;
    }
    const int32_t gap = spans[closest + 1].Left - spans[closest].Right;
    const int32_t before = first > 0 ? left - spans[first - 1].Right : INT32_MAX;
    const int32_t after = first < count ? spans[first].Left - right : INT32_MAX;
    if (std::min(before, after) <= gap) {
      TSpan& neighbour = before <= after ? spans[first - 1] : spans[first];
      neighbour = TSpan{std::min(left, neighbour.Left), std::max(right, neighbour.Right)};
      return;
    }
    spans[closest].Right = spans[closest + 1].Right;
    std::copy(spans + closest + 2, spans + count, spans + closest + 1);
    --count;
    if (first > closest + 1) --first;
  }
  std::copy_backward(spans + first, spans + count, spans + count + 1);
  spans[first] = TSpan{left, right};
  stored = static_cast<uint8_t>(count + 1);
}

TTouchedRows::TShape TTouchedRows::MakeShape(const int32_t* first, const int32_t* last, int height) {
  TShape shape;
  for (int phase = 0; phase < GroupRows; ++phase) {
    std::vector<TSpan>& groups = shape.Groups[phase];
    groups.assign(static_cast<size_t>((height + phase + GroupRows - 1) / GroupRows), TSpan{});
    for (int row = 0; row < height; ++row) {
      if (first[row] > last[row]) continue;
      TSpan& group = groups[static_cast<size_t>((row + phase) / GroupRows)];
      if (group.Left >= group.Right) {
        group = TSpan{first[row], last[row] + 1};
      } else {
        group.Left = std::min(group.Left, first[row]);
        group.Right = std::max(group.Right, last[row] + 1);
      }
    }
  }
  return shape;
}

void TTouchedRows::AddShape(const TShape& shape, int left, int top) {
  if (all_ || top < 0) return;
  const std::vector<TSpan>& groups = shape.Groups[top % GroupRows];
  const int firstGroup = top / GroupRows;
  for (size_t k = 0; k < groups.size(); ++k) {
    const TSpan& span = groups[k];
    if (span.Left < span.Right) AddToGroup(firstGroup + static_cast<int>(k), TSpan{span.Left + left, span.Right + left});
  }
}

void TTouchedRows::Collect(const TRect& within, std::vector<TRowSpan>& out) const {
  const int left = std::max(within.Left, 0);
  const int right = std::min(within.Right, width_);
  if (left >= right) return;
  if (all_) {
    for (int row = std::max(within.Top, 0); row < std::min(within.Bottom, height_); ++row) {
      out.push_back(TRowSpan{row, left, right});
    }
    return;
  }
  const int top = std::max(within.Top, top_ * GroupRows);
  const int bottom = std::min({within.Bottom, bottom_ * GroupRows, height_});
  for (int row = top; row < bottom; ++row) {
    const size_t group = static_cast<size_t>(row / GroupRows);
    const TSpan* spans = spans_.data() + group * MaxSpans;
    for (int i = 0; i < counts_[group]; ++i) {
      const int from = std::max(spans[i].Left, left);
      const int to = std::min(spans[i].Right, right);
      if (from < to) out.push_back(TRowSpan{row, from, to});
    }
  }
}

void TTouchedRows::AddFrom(const TTouchedRows& other, const TRect& within) {
  if (all_) return;
  if (other.all_) {
    Add(within);
    return;
  }
  const int left = std::max(within.Left, 0);
  const int right = std::min(within.Right, width_);
  const int top = std::max(other.top_, std::max(within.Top, 0) / GroupRows);
  const int bottom = std::min(other.bottom_, (std::min(within.Bottom, height_) + GroupRows - 1) / GroupRows);
  for (int group = top; group < bottom; ++group) {
    for (const TSpan& span : other.GroupSpans(group)) {
      const TSpan cut{std::max(span.Left, left), std::min(span.Right, right)};
      if (cut.Left < cut.Right) AddToGroup(group, cut);
    }
  }
}
