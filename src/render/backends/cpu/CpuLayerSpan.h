#pragma once
#include <cstdint>

#include "render/backends/cpu/CpuSpan.h"

// Straight squares that overlap (one bubble's shadow, body, picture and
// front) blended one row at a time, layer after layer along the row: each
// pixel gets every layer that covers it, in order, by the rule of
// BlendSpan, so the bits are those of the squares drawn one by one.

// One layer's part of a row: pixels [Begin, End) show Texels[0 .. End -
// Begin), under Tint (0x..RRGGBB).
struct TLayerSpan {
  const uint32_t* Texels = nullptr;
  int Begin = 0;
  int End = 0;
  uint32_t Tint = 0;
};

// The most layers one call takes.
constexpr int MaxLayers = 8;

// Blends `count` (at most MaxLayers) layers, first to last, onto `row`, the
// row's pixel 0.
using TLayerSpanFn = void (*)(uint32_t* row, const TLayerSpan* layers, int count);

TLayerSpanFn LayerSpanFunction(TSpanKernel kernel);

void LayerSpanScalar(uint32_t* row, const TLayerSpan* layers, int count);
void LayerSpanSse2(uint32_t* row, const TLayerSpan* layers, int count);
void LayerSpanAvx2(uint32_t* row, const TLayerSpan* layers, int count);
