#include "render/backends/cpu/CpuLayerSpan.h"

namespace {

// Without a fused loop the layers are blended one after another along the
// row, which gives the same bits.
template <TBlendSpanFn blend>
void OneByOne(uint32_t* row, const TLayerSpan* layers, int count) {
  for (int i = 0; i < count; ++i) {
    const TLayerSpan& layer = layers[i];
    if (layer.Begin < layer.End) blend(row + layer.Begin, layer.Texels, layer.End - layer.Begin, layer.Tint);
  }
}

}  // namespace

void LayerSpanScalar(uint32_t* row, const TLayerSpan* layers, int count) {
  OneByOne<&BlendSpanScalar>(row, layers, count);
}

void LayerSpanSse2(uint32_t* row, const TLayerSpan* layers, int count) {
  OneByOne<&BlendSpanSse2>(row, layers, count);
}

TLayerSpanFn LayerSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &LayerSpanScalar, &LayerSpanSse2, &LayerSpanAvx2);
}
