#include "render/backends/cpu/CpuTurnedBubble.h"

#include <algorithm>

namespace {

// Pixels walked per piece: the texels of one piece stay in the first-level
// cache between the walk and the two blends.
constexpr int Piece = 64;

void Step(int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator) {
  whole += step;
  part += stepPart;
  if (part >= denominator) {
    part -= denominator;
    ++whole;
  }
}

template <TBlendSpanFn blend>
void WalkThenBlendPair(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third) {
  uint32_t first[Piece], second[Piece];
  int64_t u = start.U, uPart = start.UPart, v = start.V, vPart = start.VPart;
  for (int i = 0; i < count; i += Piece) {
    const int n = std::min(Piece, count - i);
    for (int k = 0; k < n; ++k) {
      const int column = static_cast<int>(std::clamp<int64_t>(u, 0, pair.Width - 1));
      const int row = static_cast<int>(std::clamp<int64_t>(v, 0, pair.Height - 1));
      pair.Both(column, row, first[k], second[k]);
      if (third) third[i + k] = pair.ThirdAlpha(column, row);
      Step(u, uPart, steps.UStep, steps.UStepPart, steps.UDenominator);
      Step(v, vPart, steps.VStep, steps.VStepPart, steps.VDenominator);
    }
    if (!dst) continue;
    blend(dst + i, first, n, firstTint);
    blend(dst + i, second, n, secondTint);
  }
}

}  // namespace

void PairBlendSpanScalar(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                         int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third) {
  WalkThenBlendPair<&BlendSpanScalar>(dst, pair, steps, start, count, firstTint, secondTint, third);
}

void PairBlendSpanSse2(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third) {
  WalkThenBlendPair<&BlendSpanSse2>(dst, pair, steps, start, count, firstTint, secondTint, third);
}

TPairBlendSpanFn PairBlendSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &PairBlendSpanScalar, &PairBlendSpanSse2, &PairBlendSpanAvx2);
}

TTriangleRuns::TTriangleRuns(const TTriangleSetup& t, int left, int right, int row)
    : walk_(TTexelRows(t.UBase, t.UStepX, t.UStepY, t.Denominator, t.UCommon),
            TTexelRows(t.VBase, t.VStepX, t.VStepY, t.Denominator, t.VCommon)),
      left_(left),
      right_(right),
      row_(row) {
  steps_.UStep = walk_.U().StepWhole();
  steps_.UStepPart = walk_.U().StepPart();
  steps_.UDenominator = walk_.U().Denominator();
  steps_.VStep = walk_.V().StepWhole();
  steps_.VStepPart = walk_.V().StepPart();
  steps_.VDenominator = walk_.V().Denominator();
  PlanWalk(steps_);
  for (int i = 0; i < 3; ++i) edges_[i] = TEdgeRows(t.Edges[i], row);
}
