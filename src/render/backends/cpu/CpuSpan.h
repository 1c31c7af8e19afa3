#pragma once
#include <cstdint>

#include "render/backends/cpu/TCpuTiledTexels.h"

// The per-pixel rule the compositor draws with, over one run of pixels:
// colour = texel x tint / 255 per channel, alpha = the texel's alone, and
// out = colour x alpha + destination x (1 - alpha). Every division by 255 is
// rounded to nearest, so a white tint leaves a texel unchanged and alpha 0
// and 255 give back the destination and the colour exactly. Back-surface
// pixels are 0x00RRGGBB: the top byte always comes out 0.

// Which instruction set runs the inner loops. Every variant gives the same
// bits; the faster ones only take more pixels per step.
enum class TSpanKernel {
  Scalar,
  Sse2,
  Avx2,
  // The best the processor has.
  Best,
};

// `texels` are 0xAARRGGBB, `tint` is 0x..RRGGBB (its top byte is ignored).
using TBlendSpanFn = void (*)(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);

// Rounded x / 255 for x in 0..65025.
constexpr uint32_t Div255(uint32_t x) {
  const uint32_t y = x + 128;
  return (y + (y >> 8)) >> 8;
}

// One pixel of the rule, the definition the vector variants must match.
constexpr uint32_t BlendPixel(uint32_t dst, uint32_t texel, uint32_t tint) {
  const uint32_t alpha = texel >> 24;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t colour = Div255(((texel >> shift) & 0xFF) * ((tint >> shift) & 0xFF));
    const uint32_t under = (dst >> shift) & 0xFF;
    out |= Div255(colour * alpha + under * (255 - alpha)) << shift;
  }
  return out;
}

// out[i] = row[columns[i]]: the texels a run of pixels shows.
using TGatherSpanFn = void (*)(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count);

// The texels along one row of a turned square: pixel i shows the texel at
// column U + i x UStep + floor((UPart + i x UStepPart) / UDenominator) and
// likewise the row, each clamped onto the texture. The remainders are
// carried pixel by pixel, so every pixel gets exactly the floored quotient
// the geometry defines, however long the run. Parts lie in [0, denominator).
struct TTexelWalk {
  int64_t U = 0, UPart = 0;
  int64_t V = 0, VPart = 0;
};

constexpr int WalkLanes = 8;

// What every row of one triangle shares: the steps from pixel to pixel and,
// worked out once by PlanWalk, where each of the vector walks' lanes lies
// from the first pixel and the steps over four and over eight pixels.
struct TWalkSteps {
  int64_t UStep = 0, UStepPart = 0, UDenominator = 1;
  int64_t VStep = 0, VStepPart = 0, VDenominator = 1;
  // Whether the denominators and steps fit 32-bit lanes.
  bool Lanes = false;
  int32_t LaneU[WalkLanes] = {}, LaneUPart[WalkLanes] = {};
  int32_t LaneV[WalkLanes] = {}, LaneVPart[WalkLanes] = {};
  int32_t UOver[2] = {}, UPartOver[2] = {};
  int32_t VOver[2] = {}, VPartOver[2] = {};
};
void PlanWalk(TWalkSteps& steps);
// Positions the vector walks' 32-bit lanes hold with room to step.
constexpr int64_t WalkLaneLimit = int64_t(1) << 30;
// Whether a row of `count` pixels keeps its texel positions within the
// lanes; the vector walks hand any other row to the scalar one. Asked once
// per run, so kept inline.
inline bool WalkFitsLanes(const TWalkSteps& steps, const TTexelWalk& start, int count) {
  const auto fits = [count](int64_t from, int64_t step) {
    const int64_t size = step < 0 ? -step : step;
    return from < WalkLaneLimit / 2 && from > -WalkLaneLimit / 2 &&
           (int64_t(count) + WalkLanes) * (size + 1) < WalkLaneLimit / 2;
  };
  return steps.Lanes && fits(start.U, steps.UStep) && fits(start.V, steps.VStep);
}

// out[i] = the texel pixel i of the walk shows, for `count` pixels of a
// texture of width x height.
using TWalkSpanFn = void (*)(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                             const TTexelWalk& start, int count);

// Blends the texels a walk shows straight onto `dst`: WalkSpan followed by
// BlendSpan, in one pass that never writes the texels out, reading the
// texture in tiles.
using TWalkBlendSpanFn = void (*)(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                                  const TTexelWalk& start, int count, uint32_t tint);

// The walk `count` pixels on from `start`.
TTexelWalk WalkFrom(const TWalkSteps& steps, const TTexelWalk& start, int count);

// The kernel actually used for a request: Best and any set the processor
// lacks fall back to the best it has.
TSpanKernel ResolveSpanKernel(TSpanKernel wanted);
// The one of a family of kernels that `kernel` comes to on this processor.
template <typename TFn>
TFn PickSpanKernel(TSpanKernel kernel, TFn scalar, TFn sse2, TFn avx2) {
  switch (ResolveSpanKernel(kernel)) {
    case TSpanKernel::Scalar:
      return scalar;
    case TSpanKernel::Avx2:
      return avx2;
    default:
      return sse2;
  }
}
TBlendSpanFn BlendSpanFunction(TSpanKernel kernel);
TGatherSpanFn GatherSpanFunction(TSpanKernel kernel);
TWalkSpanFn WalkSpanFunction(TSpanKernel kernel);
TWalkBlendSpanFn WalkBlendSpanFunction(TSpanKernel kernel);
const char* SpanKernelName(TSpanKernel kernel);

void BlendSpanScalar(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void BlendSpanSse2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void BlendSpanAvx2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void GatherSpanScalar(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count);
void GatherSpanAvx2(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count);
void WalkSpanScalar(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                    const TTexelWalk& start, int count);
void WalkSpanSse2(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                  const TTexelWalk& start, int count);
void WalkSpanAvx2(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                  const TTexelWalk& start, int count);
void WalkBlendSpanScalar(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                         const TTexelWalk& start, int count, uint32_t tint);
void WalkBlendSpanSse2(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                       const TTexelWalk& start, int count, uint32_t tint);
void WalkBlendSpanAvx2(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                       const TTexelWalk& start, int count, uint32_t tint);

using TCopySpanFn = void (*)(uint32_t* dst, const uint32_t* src, int count);
TCopySpanFn CopySpanFunction(TSpanKernel kernel);
// Copies pixels with the top byte cleared, as every back-surface pixel has it.
void CopySpanMasked(uint32_t* dst, const uint32_t* src, int count);
void CopySpanMaskedAvx2(uint32_t* dst, const uint32_t* src, int count);
