#include "render/backends/cpu/TTouchedRows.h"

#include <algorithm>
#include <cstddef>

void TTouchedRows::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  counts_.assign(static_cast<size_t>(height_), 0);
  spans_.assign(static_cast<size_t>(height_) * MaxSpans, TSpan{});
  top_ = bottom_ = 0;
  all_ = true;
}

void TTouchedRows::Reset() {
  std::fill(counts_.begin() + top_, counts_.begin() + bottom_, uint8_t(0));
  top_ = bottom_ = 0;
  all_ = false;
}

void TTouchedRows::Add(int row, int left, int right) {
  if (all_ || row < 0 || row >= height_) return;
  left = std::max(left, 0);
  right = std::min(right, width_);
  if (left >= right) return;
  if (top_ == bottom_) {
    top_ = row;
    bottom_ = row + 1;
  } else {
    top_ = std::min(top_, row);
    bottom_ = std::max(bottom_, row + 1);
  }
  TSpan* spans = spans_.data() + static_cast<size_t>(row) * MaxSpans;
  int count = counts_[static_cast<size_t>(row)];
  // Spans [first, last) lie close enough to the new one to become one with it.
  int first = 0;
  while (first < count && spans[first].Right + JoinGap < left) ++first;
  int last = first;
  while (last < count && spans[last].Left - JoinGap <= right) ++last;
  if (first < last) {
    const TSpan joined{std::min(left, spans[first].Left), std::max(right, spans[last - 1].Right)};
    spans[first] = joined;
    std::copy(spans + last, spans + count, spans + first + 1);
    counts_[static_cast<size_t>(row)] = static_cast<uint8_t>(count - (last - first - 1));
    return;
  }
  TSpan all[MaxSpans + 1];
  std::copy(spans, spans + first, all);
  all[first] = TSpan{left, right};
  std::copy(spans + first, spans + count, all + first + 1);
  ++count;
  if (count > MaxSpans) {
    // The two neighbours with the narrowest gap between them become one.
    int closest = 0;
    for (int i = 1; i + 1 < count; ++i) {
      if (all[i + 1].Left - all[i].Right < all[closest + 1].Left - all[closest].Right) closest = i;
    }
    all[closest].Right = all[closest + 1].Right;
    std::copy(all + closest + 2, all + count, all + closest + 1);
    --count;
  }
  std::copy(all, all + count, spans);
  counts_[static_cast<size_t>(row)] = static_cast<uint8_t>(count);
}

void TTouchedRows::Add(const TRect& rect) {
  if (all_) return;
  const int top = std::max(rect.Top, 0);
  const int bottom = std::min(rect.Bottom, height_);
  for (int row = top; row < bottom; ++row) Add(row, rect.Left, rect.Right);
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
  for (int row = std::max(within.Top, top_); row < std::min(within.Bottom, bottom_); ++row) {
    const TSpan* spans = spans_.data() + static_cast<size_t>(row) * MaxSpans;
    for (int i = 0; i < counts_[static_cast<size_t>(row)]; ++i) {
      const int from = std::max(spans[i].Left, left);
      const int to = std::min(spans[i].Right, right);
      if (from < to) out.push_back(TRowSpan{row, from, to});
    }
  }
}
