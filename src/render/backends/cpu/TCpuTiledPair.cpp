#include "render/backends/cpu/TCpuTiledPair.h"

#include <cstring>

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;

bool Narrow(const TCpuTiledTexels& texels) {
  return texels.Layout == TCpuTiledTexels::Alpha || texels.Layout == TCpuTiledTexels::GreyAlpha;
}

// Grey and alpha of a texel in the two bytes the pair keeps.
uint32_t GreyAlphaOf(uint32_t texel) { return (texel & 0xFF) | (texel >> 24) << 8; }

uint32_t Unpacked(uint32_t bytes, bool grey, uint32_t colour) {
  const uint32_t alpha = (bytes >> 8) & 0xFF;
  return alpha << 24 | (grey ? (bytes & 0xFF) * 0x010101u : colour);
}

}  // namespace

bool TCpuTiledPair::Fits(const TCpuTiledTexels& first, const TCpuTiledTexels& second) {
  return first.Width == second.Width && first.Height == second.Height && Narrow(first) && Narrow(second);
}

TCpuTiledPair::TCpuTiledPair(std::shared_ptr<const TCpuTiledTexels> first,
                             std::shared_ptr<const TCpuTiledTexels> second)
    : Width(first->Width),
      Height(first->Height),
      TilesAcross(first->TilesAcross),
      FirstGrey(first->Layout == TCpuTiledTexels::GreyAlpha),
      SecondGrey(second->Layout == TCpuTiledTexels::GreyAlpha),
      FirstColour(first->Colour & ColourMask),
      SecondColour(second->Colour & ColourMask),
      first_(std::move(first)),
      second_(std::move(second)) {
  const int tilesDown = (Height + TCpuTiledTexels::TileSide - 1) / TCpuTiledTexels::TileSide;
  const size_t words = static_cast<size_t>(TilesAcross) * static_cast<size_t>(tilesDown) * TCpuTiledTexels::TileSide *
                       TCpuTiledTexels::TileSide;
  const size_t line = static_cast<size_t>(CacheLine);
  const size_t bytes = (words * sizeof(uint32_t) + line - 1) / line * line;
  words_.reset(static_cast<uint32_t*>(::operator new[](bytes, CacheLine)));
  std::memset(words_.get(), 0, bytes);
  for (int row = 0; row < Height; ++row) {
    for (int column = 0; column < Width; ++column) {
      words_[TCpuTiledTexels::Index(TilesAcross, column, row)] =
          GreyAlphaOf(first_->At(column, row)) | GreyAlphaOf(second_->At(column, row)) << 16;
    }
  }
}

uint32_t TCpuTiledPair::First(int column, int row) const {
  return Unpacked(words_[TCpuTiledTexels::Index(TilesAcross, column, row)], FirstGrey, FirstColour);
}

uint32_t TCpuTiledPair::Second(int column, int row) const {
  return Unpacked(words_[TCpuTiledTexels::Index(TilesAcross, column, row)] >> 16, SecondGrey, SecondColour);
}
