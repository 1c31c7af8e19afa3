#include <algorithm>

#include "render/backends/cpu/CpuTurnedBubble.h"

namespace {

// Pixels per piece: the texels made from the alphas stay in the first-level
// cache until they are blended.
constexpr int Piece = 64;

template <TBlendSpanFn blend>
void AlphasThenBlend(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint) {
  uint32_t texels[Piece];
  colour &= 0x00FFFFFFu;
  for (int i = 0; i < count; i += Piece) {
    const int n = std::min(Piece, count - i);
    for (int k = 0; k < n; ++k) texels[k] = uint32_t(alphas[i + k]) << 24 | colour;
    blend(dst + i, texels, n, tint);
  }
}

}  // namespace

void AlphaBlendSpanScalar(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint) {
  AlphasThenBlend<&BlendSpanScalar>(dst, alphas, count, colour, tint);
}

void AlphaBlendSpanSse2(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour, uint32_t tint) {
  AlphasThenBlend<&BlendSpanSse2>(dst, alphas, count, colour, tint);
}

TAlphaBlendSpanFn AlphaBlendSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &AlphaBlendSpanScalar, &AlphaBlendSpanSse2, &AlphaBlendSpanAvx2);
}
