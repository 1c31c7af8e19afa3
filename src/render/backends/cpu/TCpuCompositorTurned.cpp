// The compositor's turned bubbles: runs of triangle commands that make one
// bubble, found at flush time and drawn row by row together. Each pixel
// still gets the squares in the order they were drawn, each rounded as its
// own draw would leave it, so the result is bit for bit the same; what is
// shared is the finding of the rows (body and front have one set of
// corners) and, where no picture lies between them, the walk and the read
// of body and front texels.
#include <algorithm>
#include <climits>
#include <optional>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/TCpuCompositor.h"

namespace {

bool SameWalk(const TTriangleSetup& a, const TTriangleSetup& b) {
  if (!std::equal(a.Edges, a.Edges + 3, b.Edges)) return false;
  return a.Area == b.Area && a.Denominator == b.Denominator && a.UStepX == b.UStepX && a.UStepY == b.UStepY &&
         a.UBase == b.UBase && a.VStepX == b.VStepX && a.VStepY == b.VStepY && a.VBase == b.VBase &&
         a.UCommon == b.UCommon && a.VCommon == b.VCommon && a.Bounds == b.Bounds;
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

// Cuts a run to the pixels whose texels may show under either hull; false
// when none may.
bool CutToHulls(TTurnedRun& run, const TVisibleHull& hull, const TVisibleHull* other) {
  const int count = run.End - run.Begin;
  int first = 0, last = 0;
  const bool shows = hull.Clip(*run.Steps, run.Start, count, first, last);
  if (other) {
    int otherFirst = 0, otherLast = 0;
    if (other->Clip(*run.Steps, run.Start, count, otherFirst, otherLast)) {
      first = shows ? std::min(first, otherFirst) : otherFirst;
      last = shows ? std::max(last, otherLast) : otherLast;
    } else if (!shows) {
      return false;
    }
  } else if (!shows) {
    return false;
  }
  if (first > 0) run.Start = WalkFrom(*run.Steps, run.Start, first);
  run.End = run.Begin + last + 1;
  run.Begin += first;
  return true;
}

// Most runs meet textures without a hull: that test stays inline.
inline bool Visible(TTurnedRun& run, const TVisibleHull& hull, const TVisibleHull* other) {
  if (!hull.Cuts() && (!other || !other->Cuts())) return true;
  return CutToHulls(run, hull, other);
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
  group.Front = starts[f];
  group.Pair = pairs_.Find({body.Tiled.get(), front.Tiled.get()}, body.Texels,
                           [&] { return std::make_shared<const TCpuTiledPair>(body.Tiled, front.Tiled); });
  if (s >= 0) {
    group.Shadow = starts[s];
    group.ShadowCount = static_cast<int>(counts[s]);
    // A shadow is mostly the body moved by whole pixels.
    const TCommand& shadow = commands_[group.Shadow];
    const int dx = shadow.Bounds.Left - body.Bounds.Left;
    const int dy = shadow.Bounds.Top - body.Bounds.Top;
    bool moved = counts[s] == counts[b] && dy >= 1 && dy <= ShadowRowsKept;
    for (size_t k = 0; moved && k < counts[s]; ++k) {
      const TCommand& from = commands_[starts[b] + k];
      const TCommand& to = commands_[starts[s] + k];
      moved = Moved(from.Bounds, dx, dy) == to.Bounds && SameWalkMoved(from.Triangle, to.Triangle, dx, dy);
    }
    if (moved) {
      group.ShadowRows = dy;
      group.ShadowColumns = dx;
    }
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
  for (size_t i = 0; i < commands_.size();) {
    TTurnedGroup group;
    if (!MatchTurnedGroup(i, group)) {
      ++i;
      continue;
    }
    turnedAt_[i] = static_cast<int32_t>(turned_.size());
    i = group.End;
    turned_.push_back(std::move(group));
  }
}

void TCpuCompositor::RunTurnedGroup(const TTurnedGroup& group, int top, int bottom) {
  const int first = std::max(top, group.Bounds.Top);
  const int last = std::min(bottom, group.Bounds.Bottom);
  if (first >= last) return;
  // Per square (shadow, body and front, picture) its triangles, each walked
  // over the rows it covers within the band.
  struct TSquare {
    size_t Start = 0;
    int Count = 0;
    std::optional<TTriangleRuns> Triangles[2];
    int Top[2] = {}, Bottom[2] = {};
  };
  TSquare squares[3];
  squares[0].Start = group.Shadow;
  squares[0].Count = group.ShadowCount;
  squares[1].Start = group.Body;
  squares[1].Count = group.BodyCount;
  squares[2].Start = group.Picture;
  squares[2].Count = group.PictureCount;
  for (TSquare& square : squares) {
    for (int k = 0; k < square.Count; ++k) {
      const TCommand& c = commands_[square.Start + static_cast<size_t>(k)];
      square.Top[k] = std::max(first, c.Bounds.Top);
      square.Bottom[k] = std::min(last, c.Bounds.Bottom);
      if (square.Top[k] < square.Bottom[k]) {
        square.Triangles[k].emplace(c.Triangle, c.Bounds.Left, c.Bounds.Right, square.Top[k]);
      }
    }
  }
  // The runs of one square on the row, not yet cut to what shows.
  const auto find = [&](TSquare& square, int row, TTurnedRun* runs) {
    int found = 0;
    for (int k = 0; k < square.Count; ++k) {
      if (square.Triangles[k] && row >= square.Top[k] && row < square.Bottom[k] &&
          square.Triangles[k]->Next(runs[found])) {
        ++found;
      }
    }
    return found;
  };
  // The pixels [from, to) of a run, if any.
  const auto part = [](const TTurnedRun& run, int from, int to, TTurnedRun& piece) {
    from = std::max(from, run.Begin);
    to = std::min(to, run.End);
    if (from >= to) return false;
    piece = run;
    if (from > run.Begin) piece.Start = WalkFrom(*run.Steps, run.Start, from - run.Begin);
    piece.Begin = from;
    piece.End = to;
    return true;
  };
  // One square's run blended with its own texture.
  const auto blend = [&](uint32_t* pixels, TTurnedRun& run, const TCommand& c) {
    if (Visible(run, *c.Hull, nullptr)) {
      walkBlend_(pixels + run.Begin, *c.Tiled, *run.Steps, run.Start, run.End - run.Begin, c.Color);
    }
  };
  const TCommand& body = commands_[group.Body];
  const TCommand& front = commands_[group.Front];
  // Body and front along one walk.
  const auto pair = [&](uint32_t* pixels, TTurnedRun run) {
    if (Visible(run, *body.Hull, front.Hull.get())) {
      pairBlend_(pixels + run.Begin, *group.Pair, *run.Steps, run.Start, run.End - run.Begin, body.Color,
                 front.Color);
    }
  };
  // The body's runs of the last rows, kept for a shadow that is the body
  // moved down: from the band's first row on, the shadow takes them from
  // here instead of finding its own.
  struct TKeptRow {
    int Count = 0;
    TTurnedRun Runs[2];
  };
  TKeptRow kept[ShadowRowsKept + 1];
  const int shadowRows = group.ShadowRows;
  TTurnedRun runs[2], pictureRuns[2];
  for (int row = first; row < last; ++row) {
    uint32_t* pixels = MutableRow(row);
    if (shadowRows > 0 && row - shadowRows >= first) {
      const TKeptRow& from = kept[(row - shadowRows) % (ShadowRowsKept + 1)];
      for (int k = 0; k < from.Count; ++k) {
        TTurnedRun run = from.Runs[k];
        run.Begin += group.ShadowColumns;
        run.End += group.ShadowColumns;
        blend(pixels, run, commands_[group.Shadow]);
      }
    } else {
      for (int k = 0, n = find(squares[0], row, runs); k < n; ++k) blend(pixels, runs[k], commands_[group.Shadow]);
    }
    TKeptRow& keep = kept[row % (ShadowRowsKept + 1)];
    TTurnedRun* bodyRuns = keep.Runs;
    const int bodyCount = keep.Count = find(squares[1], row, bodyRuns);
    int pictureCount = 0;
    int pictureLeft = INT_MAX, pictureRight = INT_MIN;
    if (group.PictureCount > 0) {
      for (int k = 0, n = find(squares[2], row, runs); k < n; ++k) {
        if (!Visible(runs[k], *commands_[group.Picture].Hull, nullptr)) continue;
        pictureRuns[pictureCount++] = runs[k];
        pictureLeft = std::min(pictureLeft, runs[k].Begin);
        pictureRight = std::max(pictureRight, runs[k].End);
      }
    }
    // Where the picture does not show, nothing comes between body and
    // front; where it does, each of the three is laid on in turn.
    TTurnedRun piece;
    for (int k = 0; k < bodyCount; ++k) {
      if (pictureCount == 0) {
        pair(pixels, bodyRuns[k]);
        continue;
      }
      if (part(bodyRuns[k], INT_MIN, pictureLeft, piece)) pair(pixels, piece);
      if (part(bodyRuns[k], pictureRight, INT_MAX, piece)) pair(pixels, piece);
    }
    if (pictureCount == 0) continue;
    for (int k = 0; k < bodyCount; ++k) {
      if (part(bodyRuns[k], pictureLeft, pictureRight, piece)) blend(pixels, piece, body);
    }
    for (int k = 0; k < pictureCount; ++k) {
      const TCommand& c = commands_[group.Picture];
      const TTurnedRun& run = pictureRuns[k];
      walkBlend_(pixels + run.Begin, *c.Tiled, *run.Steps, run.Start, run.End - run.Begin, c.Color);
    }
    for (int k = 0; k < bodyCount; ++k) {
      if (part(bodyRuns[k], pictureLeft, pictureRight, piece)) blend(pixels, piece, front);
    }
  }
}
