// The compositor's record of what changed: the damage a present has to send
// again, and, row by row, the pixels the draws since the last background
// copy may have touched, so that the next copy restores only those.
#include <algorithm>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/CpuTriangleRows.h"
#include "render/backends/cpu/TCpuCompositor.h"

// Pending work counts as a change once it is certain to run: a copy may
// still drop it unseen. Each command counts once, however often this runs
// before the flush.
void TCpuCompositor::Commit() {
  for (TCommand& command : commands_) {
    if (command.Counted) continue;
    command.Counted = true;
    // Triangles are noted when the flush knows which make turned bubbles,
    // unless they are noted for the present alone.
    if (command.Kind == TKind::Triangle && !touchedSinceCopy_.All()) {
      command.TouchLater = true;
    } else {
      RecordTouched(command);
    }
  }
}

// Per row, the pixels a draw may change are those its run would visit: a
// straight square blended by alpha only between the first and last texel of
// the row that are not clear, a turned one only within its edges. Anything
// else counts its bounding box. The present takes what changed since the
// copy from this record; before the first copy there is none, and the
// present's own record takes it.
void TCpuCompositor::RecordTouched(const TCommand& command) {
  TTouchedRows& touched = touchedSinceCopy_.All() ? sincePresent_.Rows() : touchedSinceCopy_;
  if (touched.All()) return;
  const TRect& bounds = command.Bounds;
  if (command.Kind == TKind::Rect && command.Blend == TBlend::Alpha && command.Scaled) {
    const TCpuTexels& texels = *command.Scaled;
    const TRect whole{command.ScaledLeft, command.ScaledTop, command.ScaledLeft + texels.Width,
                      command.ScaledTop + texels.Height};
    if (bounds == whole) {
      // Drawn whole, as nearly every bubble is: its spans per group of rows
      // are the same frame after frame.
      const TTouchedRows::TShape& shape = shapes_.Find(&texels, command.Scaled, [&] {
        return TTouchedRows::MakeShape(texels.First.data(), texels.Last.data(), texels.Height);
      });
      touched.AddShape(shape, command.ScaledLeft, command.ScaledTop);
      return;
    }
    const int32_t* first = command.Scaled->First.data() - command.ScaledTop;
    const int32_t* last = command.Scaled->Last.data() - command.ScaledTop;
    touched.AddRows(bounds.Top, bounds.Bottom, [&](int row) {
      return TTouchedRows::TSpan{std::max(bounds.Left, command.ScaledLeft + first[row]),
                                 std::min(bounds.Right, command.ScaledLeft + last[row] + 1)};
    });
    return;
  }
  if (command.Kind == TKind::Triangle) {
    const TTriangleSetup& t = command.Triangle;
    if (NotedAlready(bounds, t.Edges)) return;
    TEdgeRows edges[3];
    for (int i = 0; i < 3; ++i) edges[i] = TEdgeRows(t.Edges[i], bounds.Top);
    touched.AddRows(bounds.Top, bounds.Bottom, [&](int) {
      int64_t begin = bounds.Left;
      int64_t end = bounds.Right;
      for (TEdgeRows& edge : edges) {
        edge.Clip(begin, end);
        edge.NextRow();
      }
      return TTouchedRows::TSpan{static_cast<int32_t>(begin), static_cast<int32_t>(std::max(begin, end))};
    });
    return;
  }
  touched.Add(bounds);
}

void TCpuCompositor::RecordTouchedLater(bool outsideTurned) {
  for (size_t i = 0; i < commands_.size(); ++i) {
    if (outsideTurned && !turnedAt_.empty() && turnedAt_[i] >= 0) {
      i = turned_[static_cast<size_t>(turnedAt_[i])].End - 1;
      continue;
    }
    TCommand& command = commands_[i];
    if (!command.TouchLater) continue;
    command.TouchLater = false;
    RecordTouched(command);
  }
}

bool TCpuCompositor::NotedAlready(const TRect& bounds, const TEdge* edges) {
  // What the present's record forgot is noted again.
  if (notedPresentResets_ != sincePresent_.Resets()) {
    notedPresentResets_ = sincePresent_.Resets();
    notedTriangleCount_ = 0;
  }
  const auto same = [&](const TNotedTriangle& noted) {
    return noted.Bounds == bounds && std::equal(edges, edges + 3, noted.Edges);
  };
  const size_t kept = std::min(notedTriangleCount_, NotedTrianglesKept);
  for (size_t i = 0; i < kept; ++i) {
    if (same(notedTriangles_[i])) return true;
  }
  TNotedTriangle& slot = notedTriangles_[notedTriangleCount_++ % NotedTrianglesKept];
  slot.Bounds = bounds;
  std::copy_n(edges, 3, slot.Edges);
  return false;
}

void TCpuCompositor::PresentTouchedSinceCopy() {
  // Before the first copy the changes went to the present's record itself.
  if (!touchedSinceCopy_.All()) sincePresent_.Rows().AddFrom(touchedSinceCopy_, TRect{0, 0, width_, height_});
}

TDamageRegion& TCpuCompositor::PresentDamage() {
  Commit();
  // Asked before the flush, the triangles its bands would note are noted
  // here instead.
  RecordTouchedLater(false);
  // Since the copy, changes are noted once, for the restore; a present
  // takes them from there (again, should two presents follow one copy).
  PresentTouchedSinceCopy();
  return sincePresent_;
}

bool TCpuCompositor::Copy(const uint32_t* source, int sourceWidth, int sourceHeight, const TRect& sourceRect, int x,
                          int y, uint64_t sourceId, uint64_t sourceVersion) {
  if (!source) return false;
  const TRect from = Intersect(sourceRect, TRect{0, 0, sourceWidth, sourceHeight});
  // Where the readable part of the source lands, cut to the surface.
  const int dx = x - sourceRect.Left;
  const int dy = y - sourceRect.Top;
  const TRect to = Intersect(TRect{from.Left + dx, from.Top + dy, from.Right + dx, from.Bottom + dy},
                             TRect{0, 0, width_, height_});
  if (Empty(to)) return false;
  // Whatever is still waiting entirely under the copy would only be
  // overwritten; what sticks out is drawn first, as it was asked for.
  // Work already counted as a change stays: it runs, and the copy covers it.
  std::erase_if(commands_, [&](const TCommand& c) { return !c.Counted && Intersect(c.Bounds, to) == c.Bounds; });
  Commit();
  const TCopyKey key{source, sourceId, sourceVersion, sourceWidth, sourceHeight, sourceRect, x, y};
  // What the draws before the copy may change is restored by it.
  RecordTouchedLater(false);
  const size_t firstSpan = copySpans_.size();
  // The next present shows what the draws since the last copy changed,
  // restored by this copy or not.
  PresentTouchedSinceCopy();
  if (sourceId != 0 && key == lastCopy_ && !touchedSinceCopy_.All()) {
    // The copy restores only the pixels the draws since the last copy may
    // have changed.
    touchedSinceCopy_.Collect(to, copySpans_);
  } else {
    sincePresent_.Add(to);
    for (int row = to.Top; row < to.Bottom; ++row) copySpans_.push_back(TTouchedRows::TRowSpan{row, to.Left, to.Right});
  }
  lastCopy_ = sourceId != 0 ? key : TCopyKey{};
  touchedSinceCopy_.Reset();
  notedTriangleCount_ = 0;
  if (copySpans_.size() == firstSpan) return true;
  // The copy waits in line with the draws, so that each band of rows is
  // restored and drawn on while it is in the cache of the thread drawing it.
  TCommand command;
  command.Kind = TKind::Copy;
  command.Source = source;
  command.SourceWidth = sourceWidth;
  command.SourceDx = dx;
  command.SourceDy = dy;
  command.PartOffset = firstSpan;
  command.PartCount = copySpans_.size() - firstSpan;
  const TTouchedRows::TRowSpan& front = copySpans_[firstSpan];
  command.Bounds = TRect{front.Left, front.Row, front.Right, copySpans_.back().Row + 1};
  for (size_t i = firstSpan; i < copySpans_.size(); ++i) {
    const TTouchedRows::TRowSpan& span = copySpans_[i];
    command.Bounds.Left = std::min(command.Bounds.Left, span.Left);
    command.Bounds.Right = std::max(command.Bounds.Right, span.Right);
    command.Work += span.Right - span.Left;
  }
  // Counted already, as the rectangles it restores.
  command.Counted = true;
  commands_.push_back(std::move(command));
  return true;
}

void TCpuCompositor::RunCopy(const TCommand& command, int top, int bottom) {
  const auto begin = copySpans_.begin() + static_cast<std::ptrdiff_t>(command.PartOffset);
  const auto end = begin + static_cast<std::ptrdiff_t>(command.PartCount);
  const auto first = std::lower_bound(begin, end, top,
                                      [](const TTouchedRows::TRowSpan& s, int row) { return s.Row < row; });
  const auto last = std::lower_bound(first, end, bottom,
                                     [](const TTouchedRows::TRowSpan& s, int row) { return s.Row < row; });
  const auto from = [&](const TTouchedRows::TRowSpan& span) {
    return command.Source + static_cast<size_t>(span.Row - command.SourceDy) * static_cast<size_t>(command.SourceWidth) +
           (span.Left - command.SourceDx);
  };
  // The source is far larger than the caches and each row's span starts
  // somewhere new, where the processor cannot guess: the lines of a span a
  // few ahead are asked for while this one is copied.
  constexpr std::ptrdiff_t Ahead = 3;
  constexpr int LinePixels = 64 / sizeof(uint32_t);
  for (auto span = first; span != last; ++span) {
    if (last - span > Ahead) {
      const TTouchedRows::TRowSpan& next = span[Ahead];
      const uint32_t* src = from(next);
      const uint32_t* dst = Row(next.Row) + next.Left;
      const int count = next.Right - next.Left;
      for (int x = 0; x < count + LinePixels - 1; x += LinePixels) {
        const int at = std::min(x, count - 1);
        __builtin_prefetch(src + at, 0);
        __builtin_prefetch(dst + at, 1);
      }
    }
    copy_(MutableRow(span->Row) + span->Left, from(*span), span->Right - span->Left);
  }
}
