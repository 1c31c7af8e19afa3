// Finding the compositor's turned bubbles among the pending commands: runs
// of triangle commands that make one bubble (shadow, body, picture, front),
// drawn row by row together by TCpuCompositorTurned.cpp.
#include <algorithm>
#include <climits>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/TCpuCompositor.h"

namespace {

bool SameWalk(const TTriangleSetup& a, const TTriangleSetup& b) {
  if (!std::equal(a.Edges, a.Edges + 3, b.Edges)) return false;
  return a.Area == b.Area && a.Denominator == b.Denominator && a.UStepX == b.UStepX && a.UStepY == b.UStepY &&
         a.UBase == b.UBase && a.VStepX == b.VStepX && a.VStepY == b.VStepY && a.VBase == b.VBase &&
         a.UCommon == b.UCommon && a.VCommon == b.VCommon && a.Bounds == b.Bounds;
}

// Whether two triangles give every pixel the same texel position: the two
// halves of a square, whose rows can then be walked as one run.
bool SameMapping(const TTriangleSetup& a, const TTriangleSetup& b) {
  return a.Denominator == b.Denominator && a.UStepX == b.UStepX && a.UStepY == b.UStepY && a.UBase == b.UBase &&
         a.VStepX == b.VStepX && a.VStepY == b.VStepY && a.VBase == b.VBase && a.UCommon == b.UCommon &&
         a.VCommon == b.VCommon;
}

TRect Moved(const TRect& r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// Whether `moved` is `a` moved dx pixels across and dy down: its edges and
// texel positions at every pixel those of `a` at the pixel (-dx, -dy) away.
bool SameWalkMoved(const TTriangleSetup& a, const TTriangleSetup& moved, int dx, int dy) {
  for (int i = 0; i < 3; ++i) {
    const TEdge& p = a.Edges[i];
    const TEdge& q = moved.Edges[i];
    if (p.A != q.A || p.B != q.B || p.Bias != q.Bias || q.C != p.C - p.A * dx - p.B * dy) return false;
  }
  return a.Area == moved.Area && a.Denominator == moved.Denominator && a.UStepX == moved.UStepX &&
         a.UStepY == moved.UStepY && a.VStepX == moved.VStepX && a.VStepY == moved.VStepY &&
         moved.UBase == a.UBase - static_cast<TWide>(a.UStepX) * dx - static_cast<TWide>(a.UStepY) * dy &&
         moved.VBase == a.VBase - static_cast<TWide>(a.VStepX) * dx - static_cast<TWide>(a.VStepY) * dy &&
         a.UCommon == moved.UCommon && a.VCommon == moved.VCommon && Moved(a.Bounds, dx, dy) == moved.Bounds;
}

}  // namespace

size_t TCpuCompositor::SquareAt(size_t at) const {
  size_t count = 0;
  while (at + count < commands_.size()) {
    const TCommand& c = commands_[at + count];
    if (c.Kind != TKind::Triangle || c.Blend != TBlend::Alpha || !c.Tiled || !c.Hull ||
        c.Strip != commands_[at].Strip) {
      break;
    }
    ++count;
  }
  // A square is a strip of two triangles; the screen may have cut one off.
  return count <= 2 ? count : 0;
}

// Squares one after another, each from a strip of its own: an optional
// shadow kept as alpha alone, a body, an optional picture and a front with
// the body's corners and texture size, body and front textures both kept
// as alpha or grey. The layers are laid on per pixel in the order they were
// drawn, so any squares that match are drawn exactly as one by one.
bool TCpuCompositor::MatchTurnedGroup(size_t at, TTurnedGroup& group) {
  size_t starts[4] = {}, counts[4] = {};
  int found = 0;
  for (size_t pos = at; found < 4 && pos < commands_.size(); ++found) {
    const size_t count = SquareAt(pos);
    if (count == 0) break;
    starts[found] = pos;
    counts[found] = count;
    pos += count;
  }
  const auto paired = [&](int body, int front) {
    if (counts[body] != counts[front]) return false;
    for (size_t k = 0; k < counts[body]; ++k) {
      const TCommand& b = commands_[starts[body] + k];
      const TCommand& f = commands_[starts[front] + k];
      if (!SameWalk(b.Triangle, f.Triangle) || b.Bounds != f.Bounds) return false;
    }
    const TCommand& b = commands_[starts[body]];
    const TCommand& f = commands_[starts[front]];
    return b.Texels->Width == f.Texels->Width && b.Texels->Height == f.Texels->Height &&
           TCpuTiledPair::Fits(*b.Tiled, *f.Tiled);
  };
  const auto shadow = [&](int s) { return commands_[starts[s]].Tiled->Layout == TCpuTiledTexels::Alpha; };
  int s = -1, b = -1, p = -1, f = -1;
  if (found >= 4 && shadow(0) && paired(1, 3)) {
    s = 0, b = 1, p = 2, f = 3;
  } else if (found >= 3 && shadow(0) && paired(1, 2)) {
    s = 0, b = 1, f = 2;
  } else if (found >= 3 && paired(0, 2)) {
    b = 0, p = 1, f = 2;
  } else if (found >= 2 && paired(0, 1)) {
    b = 0, f = 1;
  } else {
    return false;
  }
  group.Begin = at;
  group.End = starts[f] + counts[f];
  group.Bounds = commands_[at].Bounds;
  for (size_t i = at; i < group.End; ++i) group.Bounds = Union(group.Bounds, commands_[i].Bounds);
  const TCommand& body = commands_[starts[b]];
  const TCommand& front = commands_[starts[f]];
  group.Body = starts[b];
  group.BodyCount = static_cast<int>(counts[b]);
  group.BodyOneWalk = counts[b] == 2 && SameMapping(body.Triangle, commands_[starts[b] + 1].Triangle);
  group.Front = starts[f];
  const TCpuTiledTexels* third = nullptr;
  if (s >= 0) {
    group.Shadow = starts[s];
    group.ShadowCount = static_cast<int>(counts[s]);
    // A shadow is mostly the body moved by whole pixels.
    // The body's pixels moved must hold all of the shadow's: the edges of
    // the screen may cut more off the shadow, not less.
    const TCommand& shadow = commands_[group.Shadow];
    const int dx = shadow.Triangle.Bounds.Left - body.Triangle.Bounds.Left;
    const int dy = shadow.Triangle.Bounds.Top - body.Triangle.Bounds.Top;
    bool moved = counts[s] == counts[b] && dy >= 1 && dy <= ShadowRowsKept;
    bool within = true;
    for (size_t k = 0; moved && k < counts[s]; ++k) {
      const TCommand& from = commands_[starts[b] + k];
      const TCommand& to = commands_[starts[s] + k];
      moved = SameWalkMoved(from.Triangle, to.Triangle, dx, dy);
      within = within && Intersect(Moved(from.Bounds, dx, dy), to.Bounds) == to.Bounds;
      // Where the shadow shows beyond the body's edge of the screen, the
      // body's walk goes on there, keeping alphas without drawing.
      group.BodyWalk[k] = Union(from.Bounds, Moved(to.Bounds, -dx, -dy));
    }
    // Its alphas come along with the body's texels where they fit.
    const bool fits = TCpuTiledPair::FitsThird(*body.Tiled, *front.Tiled, *shadow.Tiled);
    if (moved && (within || fits)) {
      group.ShadowRows = dy;
      group.ShadowColumns = dx;
      group.BeyondBody = !within;
      if (fits) third = shadow.Tiled.get();
    }
  }
  group.Pair = pairs_.Find({body.Tiled.get(), front.Tiled.get(), third}, body.Texels, [&] {
    return std::make_shared<const TCpuTiledPair>(body.Tiled, front.Tiled,
                                                 third ? commands_[group.Shadow].Tiled : nullptr);
  });
  if (!group.BeyondBody) {
    for (size_t k = 0; k < counts[b]; ++k) group.BodyWalk[k] = commands_[starts[b] + k].Bounds;
  }
  if (third) {
    group.BodyLeft = INT_MAX;
    group.BodyRight = INT_MIN;
    group.BodyTop = INT_MAX;
    for (size_t k = 0; k < counts[b]; ++k) {
      group.BodyLeft = std::min(group.BodyLeft, group.BodyWalk[k].Left);
      group.BodyRight = std::max(group.BodyRight, group.BodyWalk[k].Right);
      group.BodyTop = std::min(group.BodyTop, group.BodyWalk[k].Top);
    }
  }
  group.PairHull = TVisibleHull::Joined(*body.Hull, *front.Hull);
  group.PairShadowHull = third ? TVisibleHull::Joined(group.PairHull, *commands_[group.Shadow].Hull) : group.PairHull;
  const TVisibleHull rows =
      group.ShadowRows > 0 ? TVisibleHull::Joined(group.PairHull, *commands_[group.Shadow].Hull) : group.PairHull;
  for (size_t k = 0; k < counts[b]; ++k) {
    const TCommand& c = commands_[starts[b] + k];
    group.BodyCut[k] = TRowCut(rows, c.Triangle, c.OnTexture);
  }
  if (p >= 0) {
    group.Picture = starts[p];
    group.PictureCount = static_cast<int>(counts[p]);
  }
  return true;
}

void TCpuCompositor::PlanTurnedGroups() {
  turned_.clear();
  turnedAt_.assign(commands_.size(), -1);
  size_t keptWidth = 0;
  for (size_t i = 0; i < commands_.size();) {
    TTurnedGroup group;
    if (!MatchTurnedGroup(i, group)) {
      ++i;
      continue;
    }
    if (group.Pair->HasThird) keptWidth = std::max(keptWidth, static_cast<size_t>(group.BodyRight - group.BodyLeft));
    for (size_t k = group.Begin; k < group.End; ++k) group.Touch = group.Touch || commands_[k].TouchLater;
    group.Touch = group.Touch && !touchedSinceCopy_.All();
    turnedAt_[i] = static_cast<int32_t>(turned_.size());
    i = group.End;
    turned_.push_back(std::move(group));
  }
  turnedTouched_.resize(static_cast<size_t>(pool_.Threads()));
  for (auto& touched : turnedTouched_) touched.Spans.clear();
  keptRows_.resize(static_cast<size_t>(pool_.Threads()), std::vector<TKeptRow>(ShadowRowsKept + 1));
  keptAlphas_.resize(static_cast<size_t>(pool_.Threads()));
  for (auto& kept : keptAlphas_) {
    if (kept.size() < keptWidth * (ShadowRowsKept + 1)) kept.resize(keptWidth * (ShadowRowsKept + 1));
  }
}

