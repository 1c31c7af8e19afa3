#pragma once
#include <cstdint>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuTriangleRows.h"
#include "render/backends/cpu/TCpuTiledPair.h"
#include "render/backends/cpu/TCpuTiledTexels.h"

// A turned bubble's squares (shadow, body, picture, front) drawn row by
// row together: the body and the front share their corners, so their
// triangles' rows are found once, and without a picture between them both
// are laid on in one pass that reads their texels together (TCpuTiledPair):
// per pixel the body, rounded to 8 bits, then the front, as two draws would.

// One triangle's pixels on a row, [Begin, End), and its walk at Begin.
struct TTurnedRun {
  int Begin = 0, End = 0;
  TTexelWalk Start;
  const TWalkSteps* Steps = nullptr;
};

// Blends the pair's first texture under `firstTint` and then its second
// under `secondTint` along one walk onto `dst`. With `third` (the pair
// having a third texture) the third's alphas along the walk are kept there
// too, one byte per pixel; without `dst` they are all it does.
using TPairBlendSpanFn = void (*)(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                                  const TTexelWalk& start, int count, uint32_t firstTint, uint32_t secondTint,
                                  uint8_t* third);
void PairBlendSpanScalar(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                         int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third);
void PairBlendSpanSse2(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third);
void PairBlendSpanAvx2(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third);
TPairBlendSpanFn PairBlendSpanFunction(TSpanKernel kernel);

// Blends texels of one colour (0x..RRGGBB), their alphas one byte per pixel
// in `alphas`, under `tint` onto `dst`: what a shadow whose alphas the body's
// walk kept leaves, the same as BlendSpan of texels alpha << 24 | colour.
using TAlphaBlendSpanFn = void (*)(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint);
void AlphaBlendSpanScalar(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint);
void AlphaBlendSpanSse2(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint);
void AlphaBlendSpanAvx2(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint);
TAlphaBlendSpanFn AlphaBlendSpanFunction(TSpanKernel kernel);

// The pixels of one triangle row after row, as the square-by-square path
// finds them: the rows must be asked for one after another.
class TTriangleRuns {
 public:
  // Pixels from `left` to before `right` across; `row` the first row asked.
  TTriangleRuns(const TTriangleSetup& t, int left, int right, int row);
  // The run on the next row; false when the row has none.
  bool Next(TTurnedRun& run) {
    const int row = row_;
    if (!NextPixels(run)) return false;
    Place(row, run);
    return true;
  }
  // The pixels of the run on the next row, without its walk; false when the
  // row has none.
  bool NextPixels(TTurnedRun& run) {
    int64_t begin = left_;
    int64_t end = right_;
    for (TEdgeRows& edge : edges_) {
      edge.Clip(begin, end);
      edge.NextRow();
    }
    ++row_;
    if (begin >= end) return false;
    run.Begin = static_cast<int>(begin);
    run.End = static_cast<int>(end);
    return true;
  }
  // The walk of a run on `row` from its first pixel, worked out from the row
  // this triangle placed last when that is the row above. A triangle that
  // maps pixels to texels as another one does places the other's runs too.
  void Place(int row, TTurnedRun& run) {
    run.Steps = &steps_;
    walk_.MoveTo(row, run.Begin, run.Start);
  }
  const TWalkSteps& Steps() const { return steps_; }

 private:
  TWalkRows walk_;
  TWalkSteps steps_;
  TEdgeRows edges_[3];
  int left_, right_, row_;
};
