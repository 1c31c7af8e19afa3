#include "render/backends/cpu/TCpuTiledTexels.h"

#include <algorithm>
#include <new>

#include "render/backends/cpu/TCpuTexels.h"

namespace {

constexpr size_t CacheLine = 64;

}  // namespace

TCpuTiledTexels::TCpuTiledTexels(const TCpuTexels& source)
    : Width(source.Width),
      Height(source.Height),
      TilesAcross((source.Width + TileSide - 1) / TileSide) {
  const int tilesDown = (Height + TileSide - 1) / TileSide;
  const size_t bytes = static_cast<size_t>(TilesAcross) * static_cast<size_t>(tilesDown) * TileSide * TileSide *
                       sizeof(uint32_t);
  // Tiles start on cache lines; the padding of edge tiles is never read.
  pixels_.reset(static_cast<uint32_t*>(std::aligned_alloc(CacheLine, std::max(bytes, CacheLine))));
  if (!pixels_) throw std::bad_alloc();
  for (int row = 0; row < Height; ++row) {
    const uint32_t* from = source.Row(row);
    for (int column = 0; column < Width; ++column) pixels_[Index(TilesAcross, column, row)] = from[column];
  }
}
