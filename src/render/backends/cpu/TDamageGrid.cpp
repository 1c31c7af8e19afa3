#include "render/backends/cpu/TDamageGrid.h"

#include <algorithm>

namespace {

constexpr int TileShift = 5;
constexpr int TileSize = 1 << TileShift;

}  // namespace

void TDamageGrid::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  columns_ = (width_ + TileSize - 1) >> TileShift;
  rows_ = (height_ + TileSize - 1) >> TileShift;
  tiles_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0);
  all_ = true;
  any_ = false;
}

void TDamageGrid::Add(const TRect& rect) {
  if (all_) return;
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, width_);
  const int bottom = std::min(rect.Bottom, height_);
  if (left >= right || top >= bottom) return;
  any_ = true;
  for (int row = top >> TileShift; row <= (bottom - 1) >> TileShift; ++row) {
    uint8_t* tile = tiles_.data() + static_cast<size_t>(row) * static_cast<size_t>(columns_);
    std::fill(tile + (left >> TileShift), tile + ((right - 1) >> TileShift) + 1, uint8_t{1});
  }
}

void TDamageGrid::AddAll() { all_ = true; }

void TDamageGrid::Reset() {
  std::fill(tiles_.begin(), tiles_.end(), uint8_t{0});
  all_ = false;
  any_ = false;
}

const std::vector<TRect>& TDamageGrid::Rects() {
  rects_.clear();
  if (all_) {
    if (width_ > 0 && height_ > 0) rects_.push_back(TRect{0, 0, width_, height_});
    return rects_;
  }
  if (!any_) return rects_;
  // Runs of the previous tile row that may still grow downwards.
  open_.clear();
  for (int row = 0; row < rows_; ++row) {
    const uint8_t* tile = tiles_.data() + static_cast<size_t>(row) * static_cast<size_t>(columns_);
    const int top = row << TileShift;
    const int bottom = std::min(top + TileSize, height_);
    next_.clear();
    for (int column = 0; column < columns_;) {
      if (!tile[column]) {
        ++column;
        continue;
      }
      const int start = column;
      while (column < columns_ && tile[column]) ++column;
      TRect run{start << TileShift, top, std::min(column << TileShift, width_), bottom};
      const auto same = std::find_if(open_.begin(), open_.end(), [&](const TRect& r) {
        return r.Left == run.Left && r.Right == run.Right && r.Bottom == top;
      });
      if (same != open_.end()) {
        run.Top = same->Top;
        open_.erase(same);
      }
      next_.push_back(run);
    }
    rects_.insert(rects_.end(), open_.begin(), open_.end());
    open_.swap(next_);
  }
  rects_.insert(rects_.end(), open_.begin(), open_.end());
  return rects_;
}
