// The compositor's turned bubbles (TCpuCompositorTurnedPlan.cpp finds them)
// drawn row by row together, each band of rows on its own. Each pixel
// still gets the squares in the order they were drawn, each rounded as its
// own draw would leave it, so the result is bit for bit the same; what is
// shared is the finding of the rows (body and front have one set of
// corners, the shadow is mostly the body moved), and, where no picture lies
// between them, the walk and the read of body, front and shadow texels.
#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/TCpuCompositor.h"

namespace {

// Two runs of a row that meet, walked the same way, become one (their walks
// are placed afterwards).
int JoinRuns(TTurnedRun* runs, int* of, int count) {
  if (count != 2) return count;
  if (runs[1].End == runs[0].Begin) {
    runs[0].Begin = runs[1].Begin;
  } else if (runs[0].End == runs[1].Begin) {
    runs[0].End = runs[1].End;
  } else {
    return count;
  }
  of[0] = -1;
  return 1;
}

// Cuts a run to the pixels whose texels may show under the hull; false
// when none may.
bool CutToHull(TTurnedRun& run, const TVisibleHull& hull) {
  int first = 0, last = 0;
  if (!hull.Clip(*run.Steps, run.Start, run.End - run.Begin, first, last)) return false;
  if (first > 0) run.Start = WalkFrom(*run.Steps, run.Start, first);
  run.End = run.Begin + last + 1;
  run.Begin += first;
  return true;
}

// Runs over textures without a hull are not cut: that test stays inline.
inline bool Visible(TTurnedRun& run, const TVisibleHull& hull) { return !hull.Cuts() || CutToHull(run, hull); }

// The pixels a band's rows of one bubble may change, joined over each group
// of rows the record keeps together: one span per group, not per row. Rows
// come in order, so a group ends where the next one begins.
class TRowNotes {
 public:
  explicit TRowNotes(std::vector<TTouchedRows::TRowSpan>* out) : out_(out) {}
  ~TRowNotes() { Finish(); }
  void Add(int row, int left, int right) {
    if (!out_) return;
    if (row >= groupEnd_) {
      Finish();
      groupEnd_ = (row / TTouchedRows::GroupRows + 1) * TTouchedRows::GroupRows;
      span_ = TTouchedRows::TRowSpan{row, left, right};
      open_ = true;
      return;
    }
    span_.Left = std::min(span_.Left, left);
    span_.Right = std::max(span_.Right, right);
  }

 private:
  void Finish() {
    if (open_) out_->push_back(span_);
    open_ = false;
  }
  std::vector<TTouchedRows::TRowSpan>* out_;
  bool open_ = false;
  int groupEnd_ = INT_MIN;
  TTouchedRows::TRowSpan span_;
};

}  // namespace

void TCpuCompositor::RecordTurnedTouched(int worker) {
  if (static_cast<size_t>(worker) >= turnedTouched_.size()) return;
  auto& touched = turnedTouched_[static_cast<size_t>(worker)].Spans;
  if (touched.empty()) return;
  std::lock_guard lock(touchedMutex_);
  for (const TTouchedRows::TRowSpan& span : touched) touchedSinceCopy_.Add(span.Row, span.Left, span.Right);
  touched.clear();
}

void TCpuCompositor::RunTurnedGroup(const TTurnedGroup& group, size_t index, int top, int bottom, int worker,
                                    const TBandLinks& links) {
  const int first = std::max(top, group.Bounds.Top);
  const int last = std::min(bottom, group.Bounds.Bottom);
  if (first >= last) return;
  const int shadowRows = group.ShadowRows;
  // When the pair carries the shadow's alphas, the body's walk keeps them
  // for the shadow's rows further down, which then only blend: from
  // shadowRows above the band on, rows above the band only keep them,
  // unless the band above handed them over.
  const bool keepAlphas = group.Pair->HasThird;
  const int bodyFirst = keepAlphas ? std::max(first - shadowRows, std::min(group.Bounds.Top, group.BodyTop)) : first;
  const long handed = keepAlphas && links.From ? links.From->Find(index) : -1;
  const bool takesHanded =
      handed >= 0 && links.From->FirstRow(size_t(handed)) == bodyFirst &&
      links.From->FirstRow(size_t(handed)) + links.From->Rows(size_t(handed)) == first &&
      links.From->Width(size_t(handed)) == group.BodyRight - group.BodyLeft;
  const int walkFirst = takesHanded ? first : bodyFirst;
  // The band below takes this band's last rows when they are kept for it.
  const bool handsOver = keepAlphas && links.To && group.Bounds.Bottom > bottom;
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
    const int from = body ? walkFirst : first;
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
  // The body's runs of the row, those that meet joined when its triangles
  // map alike: a joined run is placed once, by the first triangle's walk,
  // which then steps from row to row wherever the two meet.
  const auto findBody = [&](int row, TTurnedRun* runs, int* of) {
    TSquare& square = squares[1];
    int found = 0;
    for (int k = 0; k < square.Count; ++k) {
      if (square.Triangles[k] && row >= square.Top[k] && row < square.Bottom[k] &&
          square.Triangles[k]->NextPixels(runs[found])) {
        of[found++] = k;
      }
    }
    if (group.BodyOneWalk) found = JoinRuns(runs, of, found);
    int kept = 0;
    for (int k = 0; k < found; ++k) {
      const int triangle = std::max(of[k], 0);
      if (!group.BodyCut[triangle].Cut(row, runs[k].Begin, runs[k].End)) continue;
      runs[kept] = runs[k];
      of[kept] = of[k];
      square.Triangles[triangle]->Place(row, runs[kept++]);
    }
    return kept;
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
    static_assert((Kept & (Kept - 1)) == 0, "the slot of a row, negative too, is its low bits");
    return static_cast<size_t>(row & (Kept - 1));
  };
  const auto keptRow = [&](int row) { return keptRows + slot(row) * keptWidth; };
  const auto at = [&](uint8_t* kept, int column) { return kept + (column - group.BodyLeft); };
  // Body runs already cut to where anything shows are walked whole.
  const bool rowsCut = group.BodyCut[0].Cuts();
  const bool shadowCuts = keepAlphas && !rowsCut && shadow.Hull->Cuts();
  // Body and front along one walk, keeping the shadow's alphas on the way,
  // cut to where any of them shows.
  const auto pair = [&](uint32_t* pixels, TTurnedRun run, uint8_t* kept) {
    if (rowsCut || Visible(run, kept ? group.PairShadowHull : group.PairHull)) {
      pairBlend_(pixels + run.Begin, *group.Pair, *run.Steps, run.Start, run.End - run.Begin, body.Color,
                 front.Color, kept ? at(kept, run.Begin) : nullptr);
    }
  };
  // A run's kept alphas start 0: the walks keep only where hulls show. Where
  // no hull cuts, the walks over a run keep every one of its alphas.
  const bool keepsAll = keepAlphas && (rowsCut || (!group.PairShadowHull.Cuts() && !shadowCuts));
  const auto clear = [&](const TTurnedRun& run, uint8_t* kept) {
    if (!keepsAll) std::memset(at(kept, run.Begin), 0, static_cast<size_t>(run.End - run.Begin));
  };
  // Only the shadow's alphas of a run, where nothing is drawn.
  const auto keep = [&](TTurnedRun run, uint8_t* kept) {
    if (kept && (!shadowCuts || Visible(run, *shadow.Hull))) {
      pairBlend_(nullptr, *group.Pair, *run.Steps, run.Start, run.End - run.Begin, 0, 0, at(kept, run.Begin));
    }
  };
  // The body's runs of the last rows, kept for a shadow that is the body
  // moved down: the shadow takes them from here instead of finding its own
  // (with kept alphas on every row, else from the band's first row on).
  TKeptRow* const kept = keptRows_[static_cast<size_t>(worker)].data();
  // What the screen leaves of the shadow, per body triangle a run is of (the
  // last for a joined run: both its triangles' pixels within one viewport).
  TRect shadowWithin[3];
  if (shadowRows > 0) {
    for (int k = 0; k < group.ShadowCount; ++k) {
      shadowWithin[k] = commands_[group.Shadow + static_cast<size_t>(k)].Bounds;
    }
    shadowWithin[2] = group.ShadowCount == 2 ? Union(shadowWithin[0], shadowWithin[1]) : shadowWithin[0];
  }
  if (takesHanded) {
    for (int row = bodyFirst; row < first; ++row) {
      const TShadowHandOver::TRow& from = links.From->Row(size_t(handed), row - bodyFirst);
      TKeptRow& to = kept[slot(row)];
      to.Count = from.Count;
      for (int k = 0; k < from.Count; ++k) {
        to.Runs[k].Begin = from.Begin[k];
        to.Runs[k].End = from.End[k];
        to.Of[k] = from.Of[k];
      }
      std::memcpy(keptRow(row), links.From->Alphas(size_t(handed), row - bodyFirst), keptWidth);
    }
  }
  // A row whose shadow row lies below the band keeps nothing unless the
  // band below takes it over; else the band there keeps its own.
  const int keptBefore = handsOver ? group.Bounds.Bottom : last;
  TRowNotes notes(group.Touch ? &turnedTouched_[static_cast<size_t>(worker)].Spans : nullptr);
  TTurnedRun runs[2], pictureRuns[2], drawn[2];
  for (int row = walkFirst; row < last; ++row) {
    TKeptRow& keepRow = kept[slot(row)];
    TTurnedRun* bodyRuns = keepRow.Runs;
    uint8_t* alphas = keepAlphas && row + shadowRows < keptBefore ? keptRow(row) : nullptr;
    if (row < first) {
      // Above the band: the shadow's alphas for its rows within it.
      keepRow.Count = findBody(row, bodyRuns, keepRow.Of);
      for (int k = 0; alphas && k < keepRow.Count; ++k) {
        clear(bodyRuns[k], alphas);
        keep(bodyRuns[k], alphas);
      }
      continue;
    }
    uint32_t* pixels = MutableRow(row);
    if (row + 1 < last) {
      // The next row's pixels where its shadow and (about where the last
      // row's was) its body lie are asked for a row ahead: restoring the
      // whole band has pushed them out of the nearest caches, and each run
      // starts where the processor cannot guess.
      int left = INT_MAX, right = INT_MIN;
      const auto span = [&](const TKeptRow& runs, int shift) {
        for (int k = 0; k < runs.Count; ++k) {
          left = std::min(left, runs.Runs[k].Begin + shift);
          right = std::max(right, runs.Runs[k].End + shift);
        }
      };
      if (row > walkFirst) span(kept[slot(row - 1)], 0);
      // (A shadow one row down takes this row's runs, not found yet.)
      if (shadowRows > 1 && row + 1 - shadowRows >= bodyFirst) {
        span(kept[slot(row + 1 - shadowRows)], group.ShadowColumns);
      }
      left = std::max(left, 0);
      right = std::min(right, width_);
      const uint32_t* next = MutableRow(row + 1);
      constexpr int LinePixels = 64 / sizeof(uint32_t);
      for (int x = left; x < right; x += LinePixels) __builtin_prefetch(next + x, 1);
    }
    if (shadowRows > 0 && row - shadowRows >= bodyFirst) {
      const int from = row - shadowRows;
      const TKeptRow& above = kept[slot(from)];
      for (int k = 0; k < above.Count; ++k) {
        // The body's run moved, cut to what the screen leaves of the shadow.
        const TRect& within = shadowWithin[above.Of[k] >= 0 ? above.Of[k] : 2];
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
    keepRow.Count = findBody(row, bodyRuns, keepRow.Of);
    if (alphas) {
      for (int k = 0; k < keepRow.Count; ++k) clear(bodyRuns[k], alphas);
    }
    int bodyCount = keepRow.Count;
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
  if (!handsOver) return;
  // The rows whose shadow rows the band below draws, as it would find them.
  const int from = std::max(last - shadowRows, bodyFirst);
  const size_t entry = links.To->Add(index, from, last - from, static_cast<int>(keptWidth));
  for (int row = from; row < last; ++row) {
    const TKeptRow& source = kept[slot(row)];
    TShadowHandOver::TRow& to = links.To->Row(entry, row - from);
    to.Count = source.Count;
    for (int k = 0; k < source.Count; ++k) {
      to.Begin[k] = source.Runs[k].Begin;
      to.End[k] = source.Runs[k].End;
      to.Of[k] = source.Of[k];
    }
    std::memcpy(links.To->Alphas(entry, row - from), keptRow(row), keptWidth);
  }
}
