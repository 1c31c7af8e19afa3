#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// What a band of rows hands to the band below it, for the turned bubbles
// whose shadow alphas the body's walk keeps: the body's last rows, their
// runs and kept alphas, which the shadow's rows in the band below take.
// The band below then starts drawing at its own first row instead of
// walking those rows again. One band writes it, the band below reads it
// only once the writer has finished; the store keeps its memory from flush
// to flush.
class TShadowHandOver {
 public:
  // A body row: its runs [Begin, End), and which body triangle each is of
  // (-1: both, joined).
  struct TRow {
    int Count = 0;
    int Begin[2] = {}, End[2] = {}, Of[2] = {};
  };

  void Clear() {
    entries_.clear();
    rowsUsed_ = 0;
    alphasUsed_ = 0;
    cursor_ = 0;
  }

  // Room for `rows` rows from `firstRow` on of the bubble `group`, each with
  // `width` alphas; bubbles are added in the order they are drawn. The rows
  // are filled through Row and Alphas.
  size_t Add(size_t group, int firstRow, int rows, int width) {
    entries_.push_back(TEntry{group, firstRow, rows, width, rowsUsed_, alphasUsed_});
    rowsUsed_ += static_cast<size_t>(rows);
    alphasUsed_ += static_cast<size_t>(rows) * static_cast<size_t>(width);
    // Grown, never shrunk: what a frame needs is there for the next.
    if (rows_.size() < rowsUsed_) rows_.resize(rowsUsed_ * 2);
    if (alphas_.size() < alphasUsed_) alphas_.resize(alphasUsed_ * 2);
    return entries_.size() - 1;
  }

  // The entry of `group`, or -1. Asked for in the order the bubbles were
  // added (each band draws them in that order), so a cursor finds them.
  long Find(size_t group) {
    while (cursor_ < entries_.size() && entries_[cursor_].Group < group) ++cursor_;
    return cursor_ < entries_.size() && entries_[cursor_].Group == group ? static_cast<long>(cursor_) : -1;
  }

  int FirstRow(size_t entry) const { return entries_[entry].FirstRow; }
  int Rows(size_t entry) const { return entries_[entry].Rows; }
  int Width(size_t entry) const { return entries_[entry].Width; }
  TRow& Row(size_t entry, int row) { return rows_[entries_[entry].RowsAt + static_cast<size_t>(row)]; }
  uint8_t* Alphas(size_t entry, int row) {
    const TEntry& e = entries_[entry];
    return alphas_.data() + e.AlphasAt + static_cast<size_t>(row) * static_cast<size_t>(e.Width);
  }

 private:
  struct TEntry {
    size_t Group = 0;
    int FirstRow = 0, Rows = 0, Width = 0;
    size_t RowsAt = 0, AlphasAt = 0;
  };
  std::vector<TEntry> entries_;
  std::vector<TRow> rows_;
  std::vector<uint8_t> alphas_;
  size_t rowsUsed_ = 0, alphasUsed_ = 0;
  size_t cursor_ = 0;
};
