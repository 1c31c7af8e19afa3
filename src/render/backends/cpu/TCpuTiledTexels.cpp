#include "render/backends/cpu/TCpuTiledTexels.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "render/backends/cpu/TCpuTexels.h"

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;

// The narrowest layout that keeps every texel that can show.
TCpuTiledTexels::TLayout LayoutFor(const TCpuTexels& source, bool alphaOnly, uint32_t& colour) {
  colour = 0;
  if (alphaOnly) return TCpuTiledTexels::Alpha;
  bool single = true, grey = true, first = true;
  for (uint32_t texel : source.Pixels) {
    // Clear texels leave the surface as it was, whatever their colour.
    if ((texel >> 24) == 0) continue;
    const uint32_t rgb = texel & ColourMask;
    if (first) colour = rgb;
    first = false;
    single = single && rgb == colour;
    grey = grey && ((rgb >> 16) & 0xFF) == (rgb & 0xFF) && ((rgb >> 8) & 0xFF) == (rgb & 0xFF);
    if (!single && !grey) return TCpuTiledTexels::Full;
  }
  return single ? TCpuTiledTexels::Alpha : TCpuTiledTexels::GreyAlpha;
}

}  // namespace

TCpuTiledTexels::TCpuTiledTexels(const TCpuTexels& source, bool alphaOnly)
    : Width(source.Width),
      Height(source.Height),
      TilesAcross((source.Width + TileSide - 1) / TileSide) {
  Layout = LayoutFor(source, alphaOnly, Colour);
  const int tilesDown = (Height + TileSide - 1) / TileSide;
  // Vector reads take four bytes wherever a texel starts, so a few more lie
  // past the last one; tiles start on cache lines.
  const size_t texels = static_cast<size_t>(TilesAcross) * static_cast<size_t>(tilesDown) * TileSide * TileSide;
  const size_t line = static_cast<size_t>(CacheLine);
  const size_t bytes = (texels * Layout + sizeof(uint32_t) + line - 1) / line * line;
  bytes_.reset(static_cast<uint8_t*>(::operator new[](bytes, CacheLine)));
  std::memset(bytes_.get(), 0, bytes);
  for (int row = 0; row < Height; ++row) {
    const uint32_t* from = source.Row(row);
    for (int column = 0; column < Width; ++column) {
      uint8_t* to = bytes_.get() + Index(TilesAcross, column, row) * Layout;
      const uint32_t texel = from[column];
      switch (Layout) {
        case Alpha:
          to[0] = static_cast<uint8_t>(texel >> 24);
          break;
        case GreyAlpha:
          to[0] = static_cast<uint8_t>(texel);
          to[1] = static_cast<uint8_t>(texel >> 24);
          break;
        case Full:
          std::memcpy(to, &texel, sizeof(texel));
          break;
      }
    }
  }
}

uint32_t TCpuTiledTexels::At(int column, int row) const {
  const uint8_t* at = bytes_.get() + Index(TilesAcross, column, row) * Layout;
  switch (Layout) {
    case Alpha:
      return uint32_t(at[0]) << 24 | Colour;
    case GreyAlpha:
      return uint32_t(at[1]) << 24 | uint32_t(at[0]) * 0x010101u;
    default: {
      uint32_t texel;
      std::memcpy(&texel, at, sizeof(texel));
      return texel;
    }
  }
}
