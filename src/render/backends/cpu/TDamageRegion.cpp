#include "render/backends/cpu/TDamageRegion.h"

#include "render/backends/cpu/CpuRects.h"

#include <algorithm>
#include <cstdint>

namespace {

// More rectangles than this cost more to walk than the pixels they spare: a
// change then joins the rectangle it grows least, and past twice as many
// (pieces left by cutting) the damage becomes their bounding box.
constexpr size_t MaxRects = 128;
// Two rectangles are joined when their bounding box adds no more than an
// eighth to the area they cover together.
constexpr int64_t JoinSlackNumerator = 9;
constexpr int64_t JoinSlackDenominator = 8;

int64_t Area(const TRect& r) {
  return r.Right > r.Left && r.Bottom > r.Top ? int64_t(r.Right - r.Left) * int64_t(r.Bottom - r.Top) : 0;
}

// The parts of `from` outside `cut`, appended to `out`.
void Subtract(const TRect& from, const TRect& cut, std::vector<TRect>& out) {
  const TRect meet = Intersect(from, cut);
  if (Area(meet) == 0) {
    out.push_back(from);
    return;
  }
  if (from.Top < meet.Top) out.push_back(TRect{from.Left, from.Top, from.Right, meet.Top});
  if (meet.Bottom < from.Bottom) out.push_back(TRect{from.Left, meet.Bottom, from.Right, from.Bottom});
  if (from.Left < meet.Left) out.push_back(TRect{from.Left, meet.Top, meet.Left, meet.Bottom});
  if (meet.Right < from.Right) out.push_back(TRect{meet.Right, meet.Top, from.Right, meet.Bottom});
}

}  // namespace

bool TDamageRegion::WorthJoining(const TRect& a, const TRect& b) {
  const int64_t apart = Area(a) + Area(b);
  const int64_t bound = Area(Union(a, b));
  // What they cover together is at most both areas: rectangles far apart,
  // most of those compared, are turned away before their overlap is sought.
  if (bound * JoinSlackDenominator > apart * JoinSlackNumerator) return false;
  return bound * JoinSlackDenominator <= (apart - Area(Intersect(a, b))) * JoinSlackNumerator;
}

void TDamageRegion::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  rects_.clear();
  all_ = true;
}

void TDamageRegion::Add(const TRect& rect) {
  if (all_) return;
  TRect added = Intersect(rect, TRect{0, 0, width_, height_});
  if (Area(added) == 0) return;
  for (;;) {
    // Joining can make the rectangle reach others worth joining in turn.
    for (size_t i = 0; i < rects_.size();) {
      if (WorthJoining(rects_[i], added)) {
        added = Union(rects_[i], added);
        rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(i));
        i = 0;
      } else {
        ++i;
      }
    }
    if (rects_.size() < MaxRects) break;
    size_t closest = 0;
    int64_t leastGrowth = INT64_MAX;
    for (size_t i = 0; i < rects_.size(); ++i) {
      const int64_t growth = Area(Union(rects_[i], added)) - Area(rects_[i]);
      if (growth < leastGrowth) {
        leastGrowth = growth;
        closest = i;
      }
    }
    added = Union(rects_[closest], added);
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(closest));
  }
  pieces_.assign(1, added);
  for (const TRect& kept : rects_) {
    // Most kept rectangles lie apart from every piece, which then stay as
    // they are.
    const bool cuts = std::any_of(pieces_.begin(), pieces_.end(),
                                  [&](const TRect& piece) { return Area(Intersect(piece, kept)) != 0; });
    if (!cuts) continue;
    next_.clear();
    for (const TRect& piece : pieces_) Subtract(piece, kept, next_);
    pieces_.swap(next_);
    if (pieces_.empty()) return;
  }
  rects_.insert(rects_.end(), pieces_.begin(), pieces_.end());
  if (rects_.size() > 2 * MaxRects) {
    TRect box = rects_.front();
    for (const TRect& r : rects_) box = Union(box, r);
    rects_.assign(1, box);
  }
}

void TDamageRegion::AddAll() { all_ = true; }

void TDamageRegion::Reset() {
  rects_.clear();
  all_ = false;
}

const std::vector<TRect>& TDamageRegion::Rects() {
  if (!all_) return rects_;
  whole_.clear();
  if (width_ > 0 && height_ > 0) whole_.push_back(TRect{0, 0, width_, height_});
  return whole_;
}
