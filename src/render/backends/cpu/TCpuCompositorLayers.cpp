// The compositor's straight bubbles: runs of straight squares blended by
// alpha that make one bubble, drawn row by row together.
#include <algorithm>
#include <climits>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/TCpuCompositor.h"

// A bubble's straight squares (shadow, body, picture, front) overlap almost
// wholly: run together row by row, each row stays in the nearest cache from
// the first square to the last, where square by square every square would
// fetch the whole bubble again. Each pixel still sees the squares in the
// order they were drawn.
void TCpuCompositor::GroupLayers() {
  const auto layer = [](const TCommand& command) {
    return command.Kind == TKind::Rect && command.Scaled && command.Blend == TBlend::Alpha;
  };
  for (size_t i = 0; i < commands_.size();) {
    size_t end = i + 1;
    if (layer(commands_[i])) {
      TRect joined = commands_[i].Bounds;
      for (; end < commands_.size() && end - i < size_t(MaxLayers) && layer(commands_[end]) &&
             WorthJoining(joined, commands_[end].Bounds);
           ++end) {
        joined = Union(joined, commands_[end].Bounds);
      }
    }
    commands_[i].Layers = static_cast<int>(end - i);
    for (size_t k = i + 1; k < end; ++k) commands_[k].Layers = 0;
    i = end;
  }
}

void TCpuCompositor::RunLayers(const TCommand* first, int top, int bottom) {
  const int count = first->Layers;
  int rowsTop = INT32_MAX, rowsBottom = INT32_MIN;
  for (int k = 0; k < count; ++k) {
    rowsTop = std::min(rowsTop, first[k].Bounds.Top);
    rowsBottom = std::max(rowsBottom, first[k].Bounds.Bottom);
  }
  const int firstRow = std::max(top, rowsTop);
  const int lastRow = std::min(bottom, rowsBottom);
  // Most slices of a band miss most bubbles.
  if (firstRow >= lastRow) return;
  // Each layer's rows and what a row needs of it, worked out once: its
  // texture's row, visible texels and pixel columns, indexed by the row.
  struct TLayer {
    int Top, Bottom, Left, Right, X;
    const int32_t* First;
    const int32_t* Last;
    const uint32_t* Pixels;
    ptrdiff_t Width;
    uint32_t Tint;
  };
  TLayer layers[MaxLayers];
  for (int k = 0; k < count; ++k) {
    const TCommand& command = first[k];
    const TCpuTexels& texels = *command.Scaled;
    const ptrdiff_t width = texels.Width;
    layers[k] = TLayer{command.Bounds.Top,
                       command.Bounds.Bottom,
                       command.Bounds.Left - command.ScaledLeft,
                       command.Bounds.Right - command.ScaledLeft,
                       command.ScaledLeft,
                       texels.First.data() - command.ScaledTop,
                       texels.Last.data() - command.ScaledTop,
                       texels.Pixels.data() - command.ScaledTop * width,
                       width,
                       command.Color};
  }
  TLayerSpan spans[MaxLayers];
  for (int row = firstRow; row < lastRow; ++row) {
    int used = 0;
    for (int k = 0; k < count; ++k) {
      const TLayer& layer = layers[k];
      if (row < layer.Top || row >= layer.Bottom) continue;
      // Only the texels that are not fully transparent, as RunScaledRect.
      const int begin = std::max(layer.Left, layer.First[row]);
      const int end = std::min(layer.Right, layer.Last[row] + 1);
      if (begin >= end) continue;
      TLayerSpan& span = spans[used++];
      span.Texels = layer.Pixels + row * layer.Width + begin;
      span.Begin = layer.X + begin;
      span.End = layer.X + end;
      span.Tint = layer.Tint;
    }
    if (used > 0) layers_(MutableRow(row), spans, used);
  }
}
