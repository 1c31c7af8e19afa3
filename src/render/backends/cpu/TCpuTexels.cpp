#include "render/backends/cpu/TCpuTexels.h"

TCpuTexels::TCpuTexels(int width, int height)
    : Width(width),
      Height(height),
      Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0),
      First(static_cast<std::size_t>(height), width),
      Last(static_cast<std::size_t>(height), -1) {}

void TCpuTexels::Measure() {
  for (int y = 0; y < Height; ++y) {
    const uint32_t* row = Row(y);
    int first = 0;
    while (first < Width && (row[first] >> 24) == 0) ++first;
    int last = Width - 1;
    while (last >= first && (row[last] >> 24) == 0) --last;
    First[static_cast<std::size_t>(y)] = first;
    Last[static_cast<std::size_t>(y)] = last;
  }
}
