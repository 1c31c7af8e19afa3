#pragma once
#include <cstdint>

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

// The kernel actually used for a request: Best and any set the processor
// lacks fall back to the best it has.
TSpanKernel ResolveSpanKernel(TSpanKernel wanted);
TBlendSpanFn BlendSpanFunction(TSpanKernel kernel);
TGatherSpanFn GatherSpanFunction(TSpanKernel kernel);
const char* SpanKernelName(TSpanKernel kernel);

void BlendSpanScalar(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void BlendSpanSse2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void BlendSpanAvx2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint);
void GatherSpanScalar(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count);
void GatherSpanAvx2(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count);

// Copies pixels with the top byte cleared, as every back-surface pixel has it.
void CopySpanMasked(uint32_t* dst, const uint32_t* src, int count);
