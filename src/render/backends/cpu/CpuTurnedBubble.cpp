#include "render/backends/cpu/CpuTurnedBubble.h"

#include <algorithm>

namespace {

void Step(int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator) {
  whole += step;
  part += stepPart;
  if (part >= denominator) {
    part -= denominator;
    ++whole;
  }
}

// Lays each run of a layer on, pixel by pixel; `texel(column, row)` reads
// the layer's texture.
template <class Texel>
void LayRuns(uint32_t* row, const TTurnedLayerRow& layer, int width, int height, uint32_t tint, Texel&& texel) {
  for (int r = 0; r < layer.Count; ++r) {
    const TTurnedRun& run = layer.Runs[r];
    const TWalkSteps& s = *run.Steps;
    int64_t u = run.Start.U, uPart = run.Start.UPart, v = run.Start.V, vPart = run.Start.VPart;
    for (int x = run.Begin; x < run.End; ++x) {
      const int column = static_cast<int>(std::clamp<int64_t>(u, 0, width - 1));
      const int texelRow = static_cast<int>(std::clamp<int64_t>(v, 0, height - 1));
      row[x] = BlendPixel(row[x], texel(column, texelRow), tint);
      Step(u, uPart, s.UStep, s.UStepPart, s.UDenominator);
      Step(v, vPart, s.VStep, s.VStepPart, s.VDenominator);
    }
  }
}

}  // namespace

// Layer after layer over the whole row: each pixel still sees the layers in
// their order.
void TurnedBubbleScalar(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs) {
  if (const TCpuTiledTexels* shadow = layers.Shadow) {
    LayRuns(row, runs.Shadow, shadow->Width, shadow->Height, layers.ShadowTint,
            [shadow](int c, int r) { return shadow->At(c, r); });
  }
  const TCpuTiledPair* pair = layers.Pair;
  LayRuns(row, runs.Pair, pair->Width, pair->Height, layers.BodyTint,
          [pair](int c, int r) { return pair->First(c, r); });
  if (const TCpuTiledTexels* picture = layers.Picture) {
    LayRuns(row, runs.Picture, picture->Width, picture->Height, layers.PictureTint,
            [picture](int c, int r) { return picture->At(c, r); });
  }
  LayRuns(row, runs.Pair, pair->Width, pair->Height, layers.FrontTint,
          [pair](int c, int r) { return pair->Second(c, r); });
}

TTurnedBubbleFn TurnedBubbleFunction(TSpanKernel kernel) {
  switch (ResolveSpanKernel(kernel)) {
    case TSpanKernel::Scalar:
      return &TurnedBubbleScalar;
    case TSpanKernel::Avx2:
      return &TurnedBubbleAvx2;
    default:
      // Without a gather the squares' own passes are as quick.
      return nullptr;
  }
}

TTexelWalk WalkBack(const TWalkSteps& steps, const TTexelWalk& start, int count) {
  const auto back = [count](int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator) {
    const int64_t sum = part - stepPart * count;
    const int64_t carries = FloorDiv(sum, denominator);
    whole += carries - step * count;
    part = sum - carries * denominator;
  };
  TTexelWalk at = start;
  back(at.U, at.UPart, steps.UStep, steps.UStepPart, steps.UDenominator);
  back(at.V, at.VPart, steps.VStep, steps.VStepPart, steps.VDenominator);
  return at;
}

TTriangleRuns::TTriangleRuns(const TTriangleSetup& t, int left, int right, int row)
    : u_(t.UBase, t.UStepX, t.UStepY, t.Denominator, t.UCommon),
      v_(t.VBase, t.VStepX, t.VStepY, t.Denominator, t.VCommon),
      left_(left),
      right_(right),
      row_(row) {
  steps_.UStep = u_.StepWhole();
  steps_.UStepPart = u_.StepPart();
  steps_.UDenominator = u_.Denominator();
  steps_.VStep = v_.StepWhole();
  steps_.VStepPart = v_.StepPart();
  steps_.VDenominator = v_.Denominator();
  PlanWalk(steps_);
  for (int i = 0; i < 3; ++i) edges_[i] = TEdgeRows(t.Edges[i], row);
}

bool TTriangleRuns::Next(TTurnedRun& run) {
  int64_t begin = left_;
  int64_t end = right_;
  for (TEdgeRows& edge : edges_) {
    edge.Clip(begin, end);
    edge.NextRow();
  }
  const int row = row_++;
  if (begin >= end) return false;
  run.Begin = static_cast<int>(begin);
  run.End = static_cast<int>(end);
  run.Steps = &steps_;
  u_.MoveTo(row, begin, run.Start.U, run.Start.UPart);
  v_.MoveTo(row, begin, run.Start.V, run.Start.VPart);
  return true;
}
