// The compositor's turned bubbles: runs of triangle commands that make one
// bubble, found at flush time and drawn row by row together. Each pixel
// still gets the squares in the order they were drawn, each rounded as its
// own draw would leave it, so the result is bit for bit the same; what is
// shared is the finding of the rows (body and front have one set of
// corners) and, where no picture lies between them, the walk and the read
// of body and front texels.
#include <algorithm>
#include <climits>
#include <cstring>
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

// Whether two triangles give every pixel the same texel position: the two
// halves of a square, whose rows can then be walked as one run.
bool SameMapping(const TTriangleSetup& a, const TTriangleSetup& b) {
  return a.Denominator == b.Denominator && a.UStepX == b.UStepX && a.UStepY == b.UStepY && a.UBase == b.UBase &&
         a.VStepX == b.VStepX && a.VStepY == b.VStepY && a.VBase == b.VBase && a.UCommon == b.UCommon &&
         a.VCommon == b.VCommon;
}

// Two runs of a row that meet, walked the same way, become one.
int JoinRuns(TTurnedRun* runs, int* of, int count) {
  if (count != 2) return count;
  if (runs[1].End == runs[0].Begin) {
    runs[0].Begin = runs[1].Begin;
    runs[0].Start = runs[1].Start;
    runs[0].Steps = runs[1].Steps;
  } else if (runs[0].End == runs[1].Begin) {
    runs[0].End = runs[1].End;
  } else {
    return count;
  }
  of[0] = -1;
  return 1;
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

// Cuts a run to the pixels whose texels may show under any of the hulls
// (null ones left out); false when none may.
bool CutToHulls(TTurnedRun& run, const TVisibleHull* const* hulls, int count) {
  const int pixels = run.End - run.Begin;
  int first = INT_MAX, last = INT_MIN;
  for (int i = 0; i < count; ++i) {
    int from = 0, to = 0;
    if (hulls[i] && hulls[i]->Clip(*run.Steps, run.Start, pixels, from, to)) {
      first = std::min(first, from);
      last = std::max(last, to);
    }
  }
  if (first > last) return false;
  if (first > 0) run.Start = WalkFrom(*run.Steps, run.Start, first);
  run.End = run.Begin + last + 1;
  run.Begin += first;
  return true;
}

// Most runs meet textures without a hull: that test stays inline.
inline bool Visible(TTurnedRun& run, const TVisibleHull& hull, const TVisibleHull* other = nullptr,
                    const TVisibleHull* third = nullptr) {
  if (!hull.Cuts() && (!other || !other->Cuts()) && (!third || !third->Cuts())) return true;
  const TVisibleHull* hulls[] = {&hull, other, third};
  return CutToHulls(run, hulls, 3);
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
  for (auto& touched : turnedTouched_) touched.clear();
  keptAlphas_.resize(static_cast<size_t>(pool_.Threads()));
  for (auto& kept : keptAlphas_) {
    if (kept.size() < keptWidth * (ShadowRowsKept + 1)) kept.resize(keptWidth * (ShadowRowsKept + 1));
  }
}

void TCpuCompositor::RecordTurnedTouched() {
  for (auto& touched : turnedTouched_) {
    for (const TTouchedRows::TRowSpan& span : touched) touchedSinceCopy_.Add(span.Row, span.Left, span.Right);
    touched.clear();
  }
}

namespace {

// The pixels a band's rows of one bubble may change, joined over each group
// of rows the record keeps together: one span per group, not per row.
class TRowNotes {
 public:
  explicit TRowNotes(std::vector<TTouchedRows::TRowSpan>* out) : out_(out) {}
  ~TRowNotes() { Finish(); }
  void Add(int row, int left, int right) {
    if (!out_) return;
    const int group = row / TTouchedRows::GroupRows;
    if (group != group_) {
      Finish();
      group_ = group;
      span_ = TTouchedRows::TRowSpan{row, left, right};
      return;
    }
    span_.Left = std::min(span_.Left, left);
    span_.Right = std::max(span_.Right, right);
  }

 private:
  void Finish() {
    if (group_ >= 0) out_->push_back(span_);
    group_ = -1;
  }
  std::vector<TTouchedRows::TRowSpan>* out_;
  int group_ = -1;
  TTouchedRows::TRowSpan span_;
};

}  // namespace

void TCpuCompositor::RunTurnedGroup(const TTurnedGroup& group, int top, int bottom, int worker) {
  const int first = std::max(top, group.Bounds.Top);
  const int last = std::min(bottom, group.Bounds.Bottom);
  if (first >= last) return;
  const int shadowRows = group.ShadowRows;
  // When the pair carries the shadow's alphas, the body's walk keeps them
  // for the shadow's rows further down, which then only blend: from
  // shadowRows above the band on, rows above the band only keep them.
  const bool keepAlphas = group.Pair->HasThird;
  const int bodyFirst = keepAlphas ? std::max(first - shadowRows, std::min(group.Bounds.Top, group.BodyTop)) : first;
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
  squares[0].Count = keepAlphas ? 0 : group.ShadowCount;
  squares[1].Start = group.Body;
  squares[1].Count = group.BodyCount;
  squares[2].Start = group.Picture;
  squares[2].Count = group.PictureCount;
  for (TSquare& square : squares) {
    const bool body = &square == &squares[1];
    const int from = body ? bodyFirst : first;
    for (int k = 0; k < square.Count; ++k) {
      const TCommand& c = commands_[square.Start + static_cast<size_t>(k)];
      const TRect& walk = body ? group.BodyWalk[k] : c.Bounds;
      square.Top[k] = std::max(from, walk.Top);
      square.Bottom[k] = std::min(last, walk.Bottom);
      if (square.Top[k] < square.Bottom[k]) {
        square.Triangles[k].emplace(c.Triangle, walk.Left, walk.Right, square.Top[k]);
      }
    }
  }
  // The runs of one square on the row, not yet cut to what shows, and
  // (when asked) which triangle each is of.
  const auto find = [&](TSquare& square, int row, TTurnedRun* runs, int* of = nullptr) {
    int found = 0;
    for (int k = 0; k < square.Count; ++k) {
      if (square.Triangles[k] && row >= square.Top[k] && row < square.Bottom[k] &&
          square.Triangles[k]->Next(runs[found])) {
        if (of) of[found] = k;
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
    if (Visible(run, *c.Hull)) {
      walkBlend_(pixels + run.Begin, *c.Tiled, *run.Steps, run.Start, run.End - run.Begin, c.Color);
    }
  };
  const TCommand& shadow = commands_[group.Shadow];
  const TCommand& body = commands_[group.Body];
  const TCommand& front = commands_[group.Front];
  // The kept alphas of the body's row `row`, from column BodyLeft on.
  const size_t keptWidth = static_cast<size_t>(group.BodyRight - group.BodyLeft);
  uint8_t* const keptRows = keepAlphas ? keptAlphas_[static_cast<size_t>(worker)].data() : nullptr;
  // Rows above the screen count too, where a shadow shows below its edge.
  const auto slot = [](int row) {
    constexpr int Kept = ShadowRowsKept + 1;
    return static_cast<size_t>((row % Kept + Kept) % Kept);
  };
  const auto keptRow = [&](int row) { return keptRows + slot(row) * keptWidth; };
  const auto at = [&](uint8_t* kept, int column) { return kept + (column - group.BodyLeft); };
  // Body and front along one walk, keeping the shadow's alphas on the way.
  const auto pair = [&](uint32_t* pixels, TTurnedRun run, uint8_t* kept) {
    if (Visible(run, *body.Hull, front.Hull.get(), kept ? shadow.Hull.get() : nullptr)) {
      pairBlend_(pixels + run.Begin, *group.Pair, *run.Steps, run.Start, run.End - run.Begin, body.Color,
                 front.Color, kept ? at(kept, run.Begin) : nullptr);
    }
  };
  // A run's kept alphas start 0: the walks keep only where hulls show.
  const auto clear = [&](const TTurnedRun& run, uint8_t* kept) {
    std::memset(at(kept, run.Begin), 0, static_cast<size_t>(run.End - run.Begin));
  };
  // Only the shadow's alphas of a run, where nothing is drawn.
  const auto keep = [&](TTurnedRun run, uint8_t* kept) {
    if (Visible(run, *shadow.Hull)) {
      pairBlend_(nullptr, *group.Pair, *run.Steps, run.Start, run.End - run.Begin, 0, 0, at(kept, run.Begin));
    }
  };
  // The body's runs of the last rows, kept for a shadow that is the body
  // moved down: the shadow takes them from here instead of finding its own
  // (with kept alphas on every row, else from the band's first row on).
  struct TKeptRow {
    int Count = 0;
    TTurnedRun Runs[2];
    int Of[2] = {};
  };
  TKeptRow kept[ShadowRowsKept + 1];
  TRowNotes notes(group.Touch ? &turnedTouched_[static_cast<size_t>(worker)] : nullptr);
  TTurnedRun runs[2], pictureRuns[2];
  for (int row = bodyFirst; row < last; ++row) {
    TKeptRow& keepRow = kept[slot(row)];
    TTurnedRun* bodyRuns = keepRow.Runs;
    uint8_t* alphas = keepAlphas ? keptRow(row) : nullptr;
    if (row < first) {
      // Above the band: the shadow's alphas for its rows within it.
      keepRow.Count = find(squares[1], row, bodyRuns, keepRow.Of);
      if (group.BodyOneWalk) keepRow.Count = JoinRuns(bodyRuns, keepRow.Of, keepRow.Count);
      for (int k = 0; k < keepRow.Count; ++k) {
        clear(bodyRuns[k], alphas);
        keep(bodyRuns[k], alphas);
      }
      continue;
    }
    uint32_t* pixels = MutableRow(row);
    if (shadowRows > 0 && row - shadowRows >= bodyFirst) {
      const int from = row - shadowRows;
      const TKeptRow& above = kept[slot(from)];
      for (int k = 0; k < above.Count; ++k) {
        // The body's run moved, cut to what the screen leaves of the shadow:
        // of both its triangles for a joined run, their pixels within one
        // viewport.
        const TRect within = above.Of[k] >= 0 ? commands_[group.Shadow + static_cast<size_t>(above.Of[k])].Bounds
                                              : Union(commands_[group.Shadow].Bounds, commands_[group.Shadow + 1].Bounds);
        if (row < within.Top || row >= within.Bottom) continue;
        const int begin = std::max(above.Runs[k].Begin + group.ShadowColumns, within.Left);
        const int end = std::min(above.Runs[k].End + group.ShadowColumns, within.Right);
        if (begin >= end) continue;
        notes.Add(row, begin, end);
        if (keepAlphas) {
          // Every kept alpha of the run is there, those the hulls cut off 0.
          alphaBlend_(pixels + begin, at(keptRow(from), begin - group.ShadowColumns), end - begin,
                      shadow.Tiled->Colour, shadow.Color);
          continue;
        }
        TTurnedRun moved = above.Runs[k], run;
        moved.Begin += group.ShadowColumns;
        moved.End += group.ShadowColumns;
        if (part(moved, begin, end, run)) blend(pixels, run, shadow);
      }
    } else if (!keepAlphas) {
      for (int k = 0, n = find(squares[0], row, runs); k < n; ++k) {
        notes.Add(row, runs[k].Begin, runs[k].End);
        blend(pixels, runs[k], shadow);
      }
    }
    keepRow.Count = find(squares[1], row, bodyRuns, keepRow.Of);
    if (group.BodyOneWalk) keepRow.Count = JoinRuns(bodyRuns, keepRow.Of, keepRow.Count);
    if (alphas) {
      for (int k = 0; k < keepRow.Count; ++k) clear(bodyRuns[k], alphas);
    }
    int bodyCount = keepRow.Count;
    TTurnedRun drawn[2];
    if (group.BeyondBody) {
      // The body draws its own pixels; beyond them its walk only keeps.
      bodyCount = 0;
      for (int k = 0; k < keepRow.Count; ++k) {
        const TTurnedRun& run = keepRow.Runs[k];
        const TRect edge = keepRow.Of[k] >= 0 ? commands_[group.Body + static_cast<size_t>(keepRow.Of[k])].Bounds
                                              : Union(commands_[group.Body].Bounds, commands_[group.Body + 1].Bounds);
        TTurnedRun beyond;
        const bool inRows = row >= edge.Top && row < edge.Bottom;
        if (!inRows || !part(run, edge.Left, edge.Right, drawn[bodyCount])) {
          keep(run, alphas);
          continue;
        }
        if (part(run, INT_MIN, edge.Left, beyond)) keep(beyond, alphas);
        if (part(run, edge.Right, INT_MAX, beyond)) keep(beyond, alphas);
        ++bodyCount;
      }
      bodyRuns = drawn;
    }
    for (int k = 0; k < bodyCount; ++k) notes.Add(row, bodyRuns[k].Begin, bodyRuns[k].End);
    int pictureCount = 0;
    int pictureLeft = INT_MAX, pictureRight = INT_MIN;
    if (group.PictureCount > 0) {
      for (int k = 0, n = find(squares[2], row, runs); k < n; ++k) {
        notes.Add(row, runs[k].Begin, runs[k].End);
        if (!Visible(runs[k], *commands_[group.Picture].Hull)) continue;
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
        pair(pixels, bodyRuns[k], alphas);
        continue;
      }
      if (part(bodyRuns[k], INT_MIN, pictureLeft, piece)) pair(pixels, piece, alphas);
      if (part(bodyRuns[k], pictureRight, INT_MAX, piece)) pair(pixels, piece, alphas);
    }
    if (pictureCount == 0) continue;
    for (int k = 0; k < bodyCount; ++k) {
      if (!part(bodyRuns[k], pictureLeft, pictureRight, piece)) continue;
      if (alphas) keep(piece, alphas);
      blend(pixels, piece, body);
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
