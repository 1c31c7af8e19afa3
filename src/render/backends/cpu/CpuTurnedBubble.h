#pragma once
#include <cstdint>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuTriangleRows.h"
#include "render/backends/cpu/TCpuTiledPair.h"
#include "render/backends/cpu/TCpuTiledTexels.h"

// A turned bubble drawn in one pass per row: its shadow, its body, its
// picture and its front, each a turned square of two triangles blended with
// source alpha. Per pixel the layers are laid on in that order, each rounded
// to 8 bits as a draw of its own would leave it, so the result is the same
// as four draws one after another; the destination is read and written once
// and the body and front, which share their corners, share one walk and one
// read of their texels.

// One triangle's pixels on a row, [Begin, End), and its walk at Begin.
struct TTurnedRun {
  int Begin = 0, End = 0;
  TTexelWalk Start;
  const TWalkSteps* Steps = nullptr;
};

// A layer's pixels on a row: one run per triangle of its square.
struct TTurnedLayerRow {
  TTurnedRun Runs[2];
  int Count = 0;
};

struct TTurnedBubbleRow {
  TTurnedLayerRow Shadow, Pair, Picture;
};

// What a bubble draws with. The shadow's texture is kept as alpha alone;
// the body is the pair's first texture, the front its second.
struct TTurnedBubbleLayers {
  const TCpuTiledTexels* Shadow = nullptr;
  uint32_t ShadowTint = 0;
  const TCpuTiledPair* Pair = nullptr;
  uint32_t BodyTint = 0, FrontTint = 0;
  const TCpuTiledTexels* Picture = nullptr;
  uint32_t PictureTint = 0;
};

// Lays one row's layers onto `row`, the surface row (pixel 0 first).
using TTurnedBubbleFn = void (*)(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs);

void TurnedBubbleScalar(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs);
void TurnedBubbleAvx2(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs);
// Null for kernels that draw turned bubbles square by square.
TTurnedBubbleFn TurnedBubbleFunction(TSpanKernel kernel);

// The walk `count` pixels back from `start`.
TTexelWalk WalkBack(const TWalkSteps& steps, const TTexelWalk& start, int count);

// The pixels of one triangle row after row, as the square-by-square path
// finds them: the rows must be asked for one after another.
class TTriangleRuns {
 public:
  // `columns`: the pixels it may touch across; `row` the first row asked.
  TTriangleRuns(const TTriangleSetup& t, int left, int right, int row);
  // The run on the next row; false when the row has none.
  bool Next(TTurnedRun& run);
  const TWalkSteps& Steps() const { return steps_; }

 private:
  TTexelRows u_, v_;
  TWalkSteps steps_;
  TEdgeRows edges_[3];
  int left_, right_, row_;
};
