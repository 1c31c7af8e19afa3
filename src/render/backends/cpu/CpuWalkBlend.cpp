#include <algorithm>

#include "render/backends/cpu/CpuSpan.h"

namespace {

// Pixels walked per piece: the texels of one piece stay in the first-level
// cache between the walk and the blend.
constexpr int Piece = 64;

template <TBlendSpanFn blend>
void WalkThenBlend(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps, const TTexelWalk& start,
                   int count, uint32_t tint) {
  uint32_t shown[Piece];
  int64_t u = start.U, uPart = start.UPart, v = start.V, vPart = start.VPart;
  for (int i = 0; i < count; i += Piece) {
    const int n = std::min(Piece, count - i);
    for (int k = 0; k < n; ++k) {
      const int64_t column = std::clamp<int64_t>(u, 0, texels.Width - 1);
      const int64_t row = std::clamp<int64_t>(v, 0, texels.Height - 1);
      shown[k] = texels.At(static_cast<int>(column), static_cast<int>(row));
      u += steps.UStep;
      uPart += steps.UStepPart;
      if (uPart >= steps.UDenominator) {
        uPart -= steps.UDenominator;
        ++u;
      }
      v += steps.VStep;
      vPart += steps.VStepPart;
      if (vPart >= steps.VDenominator) {
        vPart -= steps.VDenominator;
        ++v;
      }
    }
    blend(dst + i, shown, n, tint);
  }
}

}  // namespace

void WalkBlendSpanScalar(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                         const TTexelWalk& start, int count, uint32_t tint) {
  WalkThenBlend<&BlendSpanScalar>(dst, texels, steps, start, count, tint);
}

// Processors without AVX2 have no gather either: the texels are picked one
// by one and blended four at a time.
void WalkBlendSpanSse2(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                       const TTexelWalk& start, int count, uint32_t tint) {
  WalkThenBlend<&BlendSpanSse2>(dst, texels, steps, start, count, tint);
}

TWalkBlendSpanFn WalkBlendSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &WalkBlendSpanScalar, &WalkBlendSpanSse2, &WalkBlendSpanAvx2);
}
