#include <algorithm>

#include "render/backends/cpu/CpuRaster.h"
#include "render/backends/cpu/CpuSpan.h"

namespace {

// Pixels walked per piece: the texels of one piece stay in the first-level
// cache between the walk and the blend.
constexpr int Piece = 64;

template <TWalkSpanFn walk, TBlendSpanFn blend>
void WalkThenBlend(uint32_t* dst, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                   const TTexelWalk& start, int count, uint32_t tint) {
  alignas(32) uint32_t shown[Piece];
  TTexelWalk at = start;
  for (int i = 0; i < count; i += Piece) {
    const int n = std::min(Piece, count - i);
    walk(shown, texels, width, height, steps, at, n);
    blend(dst + i, shown, n, tint);
    if (i + Piece < count) at = WalkFrom(steps, at, Piece);
  }
}

// One coordinate n pixels on; a remainder times n needs more than 64 bits.
void Stride(int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator, int count) {
  const TWide sum = static_cast<TWide>(part) + static_cast<TWide>(stepPart) * count;
  whole += step * count + static_cast<int64_t>(sum / denominator);
  part = static_cast<int64_t>(sum % denominator);
}

}  // namespace

TTexelWalk WalkFrom(const TWalkSteps& steps, const TTexelWalk& start, int count) {
  TTexelWalk at = start;
  Stride(at.U, at.UPart, steps.UStep, steps.UStepPart, steps.UDenominator, count);
  Stride(at.V, at.VPart, steps.VStep, steps.VStepPart, steps.VDenominator, count);
  return at;
}

void WalkBlendSpanScalar(uint32_t* dst, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                         const TTexelWalk& start, int count, uint32_t tint) {
  WalkThenBlend<&WalkSpanScalar, &BlendSpanScalar>(dst, texels, width, height, steps, start, count, tint);
}

void WalkBlendSpanSse2(uint32_t* dst, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                       const TTexelWalk& start, int count, uint32_t tint) {
  WalkThenBlend<&WalkSpanSse2, &BlendSpanSse2>(dst, texels, width, height, steps, start, count, tint);
}

TWalkBlendSpanFn WalkBlendSpanFunction(TSpanKernel kernel) {
  switch (ResolveSpanKernel(kernel)) {
    case TSpanKernel::Scalar:
      return &WalkBlendSpanScalar;
    case TSpanKernel::Avx2:
      return &WalkBlendSpanAvx2;
    default:
      return &WalkBlendSpanSse2;
  }
}
