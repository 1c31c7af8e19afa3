#pragma once
#include <cstdint>

#include "render/backends/cpu/CpuRaster.h"
#include "render/backends/cpu/CpuSpan.h"

// A triangle walked row after row without a division per row: every
// quotient the rows need is carried along with its remainder as its
// numerator grows by a known step, and worked out afresh only where a band
// starts or a row jumps.

// Where one edge lets the rows of pixels begin (A > 0) or end (A < 0):
// floor(rest / |A|) for rest = B x row + C + Bias. The limit it sets is
// carried itself (begin >= -floor, end <= floor + 1), so that a row costs a
// comparison and a step with one carry at most, without a branch on the
// edge's side. An edge along the rows (A = 0) lets a whole row in or none:
// it is taken as an end edge whose quotient, by a size no rest reaches, is 0
// or -1, and whose limit lies that far beyond every column or before it.
class TEdgeRows {
 public:
  TEdgeRows() = default;
  TEdgeRows(const TEdge& edge, int64_t row) : size_(edge.A < 0 ? -edge.A : edge.A), begins_(edge.A > 0) {
    const bool flat = size_ == 0;
    if (flat) size_ = FlatSize;
    const int64_t rest = edge.B * row + edge.C + edge.Bias;
    const int64_t whole = FloorDiv(rest, size_);
    part_ = rest - whole * size_;
    const int64_t stepWhole = FloorDiv(edge.B, size_);
    stepPart_ = edge.B - stepWhole * size_;
    // A begin edge's limit falls as the quotient grows, an end edge's rises.
    const int64_t unit = flat ? 2 * Far : 1;
    carry_ = begins_ ? -unit : unit;
    limit_ = begins_ ? -whole : unit * whole + (flat ? Far : 1);
    stepLimit_ = carry_ * stepWhole;
  }
  // Narrows [begin, end) to the pixels of this row inside the edge.
  void Clip(int64_t& begin, int64_t& end) const {
    if (begins_) {
      begin = begin > limit_ ? begin : limit_;
    } else {
      end = end < limit_ ? end : limit_;
    }
  }
  void NextRow() {
    part_ += stepPart_;
    const bool carry = part_ >= size_;
    part_ -= carry ? size_ : 0;
    limit_ += stepLimit_ + (carry ? carry_ : 0);
  }

 private:
  // Rests stay far below FlatSize (coordinates are bounded), and a part and
  // a step below it add up within 64 bits; Far lies beyond every column.
  static constexpr int64_t FlatSize = int64_t(1) << 62;
  static constexpr int64_t Far = int64_t(1) << 40;
  int64_t size_ = 1;
  bool begins_ = true;
  int64_t limit_ = 0, part_ = 0, stepLimit_ = 0, stepPart_ = 0, carry_ = 0;
};

// One texture coordinate at the first pixel of each row: floor(N / D) and
// its remainder, for N = Base + StepY x row + StepX x column, all reduced by
// the factor they share with D.
class TTexelRows {
 public:
  TTexelRows(TWide base, int64_t stepX, int64_t stepY, int64_t denominator, int64_t common)
      : base_(base / common), stepX_(stepX / common), stepY_(stepY / common), denominator_(denominator / common) {
    stepXWhole_ = FloorDiv(stepX_, denominator_);
    stepXPart_ = stepX_ - stepXWhole_ * denominator_;
    stepYWhole_ = FloorDiv(stepY_, denominator_);
    stepYPart_ = stepY_ - stepYWhole_ * denominator_;
  }
  int64_t Denominator() const { return denominator_; }
  int64_t StepWhole() const { return stepXWhole_; }
  int64_t StepPart() const { return stepXPart_; }
  // Moves to (row, column); the whole part and the remainder land in
  // `whole` and `part`.
  void MoveTo(int64_t row, int64_t column, int64_t& whole, int64_t& part) {
    const int64_t columns = column - column_;
    if (!placed_ || row != row_ + 1 || columns < -MaxColumns || columns > MaxColumns) {
      Place(row, column);
    } else {
      int slot = Slot(columns);
      if (slot < 0) slot = NewSlot(columns);
      Jump(slot);
    }
    placed_ = true;
    row_ = row;
    column_ = column;
    whole = whole_;
    part = part_;
  }

  // The pieces of MoveTo, for a walk that moves two coordinates together
  // (TWalkRows) and asks once for both.
  static constexpr int64_t MaxColumns = int64_t(1) << 24;
  // Works the quotient out afresh at (row, column).
  void Place(int64_t row, int64_t column) {
    const TWide n = base_ + static_cast<TWide>(stepY_) * row + static_cast<TWide>(stepX_) * column;
    whole_ = static_cast<int64_t>(FloorDiv128(n, denominator_));
    part_ = static_cast<int64_t>(n - static_cast<TWide>(whole_) * denominator_);
  }
  // One row down and `columns` across, by the step kept in `slot` (0 or
  // 1): the step's own quotient and remainder and a carry at most.
  void Jump(int slot) {
    const TJump& jump = jumps_[slot];
    whole_ += jump.Whole;
    part_ += jump.Part;
    if (part_ >= denominator_) {
      part_ -= denominator_;
      ++whole_;
    }
  }
  // Keeps the step one row down and `columns` across in `slot`.
  void KeepJump(int slot, int64_t columns) {
    TJump& jump = jumps_[slot];
    const TWide n = static_cast<TWide>(stepY_) + static_cast<TWide>(stepX_) * columns;
    jump.Columns = columns;
    jump.Whole = static_cast<int64_t>(FloorDiv128(n, denominator_));
    jump.Part = static_cast<int64_t>(n - static_cast<TWide>(jump.Whole) * denominator_);
    jump.Known = true;
  }
  int64_t Whole() const { return whole_; }
  int64_t Part() const { return part_; }

 private:
  // The last two jumps are kept: an edge's slope gives two.
  struct TJump {
    int64_t Columns = 0;
    int64_t Whole = 0, Part = 0;
    bool Known = false;
  };
  int Slot(int64_t columns) const {
    for (int slot = 0; slot < 2; ++slot) {
      if (jumps_[slot].Known && jumps_[slot].Columns == columns) return slot;
    }
    return -1;
  }
  int NewSlot(int64_t columns) {
    const int slot = older_;
    older_ ^= 1;
    KeepJump(slot, columns);
    return slot;
  }
  TWide base_;
  int64_t stepX_, stepY_, denominator_;
  int64_t stepXWhole_ = 0, stepXPart_ = 0, stepYWhole_ = 0, stepYPart_ = 0;
  bool placed_ = false;
  int64_t row_ = 0, column_ = 0, whole_ = 0, part_ = 0;
  TJump jumps_[2];
  int older_ = 0;
};

// Both texture coordinates at the first pixel of each row, moved together:
// they jump by the same columns, so one test and one look-up serve both.
class TWalkRows {
 public:
  TWalkRows(const TTexelRows& u, const TTexelRows& v) : u_(u), v_(v) {}
  const TTexelRows& U() const { return u_; }
  const TTexelRows& V() const { return v_; }
  void MoveTo(int64_t row, int64_t column, TTexelWalk& walk) {
    const int64_t columns = column - column_;
    if (!placed_ || row != row_ + 1 || columns < -TTexelRows::MaxColumns || columns > TTexelRows::MaxColumns) {
      u_.Place(row, column);
      v_.Place(row, column);
    } else {
      int slot = 0;
      if (known_[0] && columns_[0] == columns) {
        slot = 0;
      } else if (known_[1] && columns_[1] == columns) {
        slot = 1;
      } else {
        slot = older_;
        older_ ^= 1;
        known_[slot] = true;
        columns_[slot] = columns;
        u_.KeepJump(slot, columns);
        v_.KeepJump(slot, columns);
      }
      u_.Jump(slot);
      v_.Jump(slot);
    }
    placed_ = true;
    row_ = row;
    column_ = column;
    walk.U = u_.Whole();
    walk.UPart = u_.Part();
    walk.V = v_.Whole();
    walk.VPart = v_.Part();
  }

 private:
  TTexelRows u_, v_;
  bool placed_ = false;
  int64_t row_ = 0, column_ = 0;
  bool known_[2] = {};
  int64_t columns_[2] = {};
  int older_ = 0;
};
