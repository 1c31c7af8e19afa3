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
             TDamageRegion::WorthJoining(joined, commands_[end].Bounds);
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
  TLayerSpan spans[MaxLayers];
  for (int row = firstRow; row < lastRow; ++row) {
    int used = 0;
    for (int k = 0; k < count; ++k) {
      const TCommand& command = first[k];
      if (row < command.Bounds.Top || row >= command.Bounds.Bottom) continue;
      // Only the texels that are not fully transparent, as RunScaledRect.
      const TCpuTexels& texels = *command.Scaled;
      const size_t texelRow = static_cast<size_t>(row - command.ScaledTop);
      const int begin = std::max(command.Bounds.Left - command.ScaledLeft, texels.First[texelRow]);
      const int end = std::min(command.Bounds.Right - command.ScaledLeft, texels.Last[texelRow] + 1);
      if (begin >= end) continue;
      spans[used++] = TLayerSpan{texels.Row(static_cast<int>(texelRow)) + begin, command.ScaledLeft + begin,
                                 command.ScaledLeft + end, command.Color};
    }
    if (used > 0) layers_(MutableRow(row), spans, used);
  }
}
