#include "render/backends/cpu/TCpuTiledPair.h"

#include <cstring>

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;

bool Narrow(const TCpuTiledTexels& texels) {
  return texels.Layout == TCpuTiledTexels::Alpha || texels.Layout == TCpuTiledTexels::GreyAlpha;
}

// Grey and alpha of a texel in the two bytes the pair keeps.
uint32_t GreyAlphaOf(uint32_t texel) { return (texel & 0xFF) | (texel >> 24) << 8; }


}  // namespace

bool TCpuTiledPair::Fits(const TCpuTiledTexels& first, const TCpuTiledTexels& second) {
  return first.Width == second.Width && first.Height == second.Height && Narrow(first) && Narrow(second);
}

bool TCpuTiledPair::FitsThird(const TCpuTiledTexels& first, const TCpuTiledTexels& second,
                              const TCpuTiledTexels& third) {
  return first.Layout == TCpuTiledTexels::Alpha && second.Layout == TCpuTiledTexels::Alpha &&
         third.Layout == TCpuTiledTexels::Alpha && third.Width == first.Width && third.Height == first.Height;
}

TCpuTiledPair::TCpuTiledPair(std::shared_ptr<const TCpuTiledTexels> first,
                             std::shared_ptr<const TCpuTiledTexels> second,
                             std::shared_ptr<const TCpuTiledTexels> third)
    : Width(first->Width),
      Height(first->Height),
      TilesAcross(first->TilesAcross),
      FirstGrey(first->Layout == TCpuTiledTexels::GreyAlpha),
      SecondGrey(second->Layout == TCpuTiledTexels::GreyAlpha),
      FirstColour(first->Colour & ColourMask),
      SecondColour(second->Colour & ColourMask),
      HasThird(third != nullptr),
      Bytes(FirstGrey || SecondGrey ? 4 : third ? 3 : 2),
      first_(std::move(first)),
      second_(std::move(second)),
      third_(std::move(third)) {
  const int tilesDown = (Height + TCpuTiledTexels::TileSide - 1) / TCpuTiledTexels::TileSide;
  const size_t texels = static_cast<size_t>(TilesAcross) * static_cast<size_t>(tilesDown) *
                        TCpuTiledTexels::TileSide * TCpuTiledTexels::TileSide;
  const size_t line = static_cast<size_t>(CacheLine);
  const size_t bytes = (texels * static_cast<size_t>(Bytes) + sizeof(uint32_t) + line - 1) / line * line;
  bytes_.reset(static_cast<uint8_t*>(::operator new[](bytes, CacheLine)));
  std::memset(bytes_.get(), 0, bytes);
  for (int row = 0; row < Height; ++row) {
    for (int column = 0; column < Width; ++column) {
      const uint32_t a = first_->At(column, row), b = second_->At(column, row);
      uint32_t word = GreyAlphaOf(a) | GreyAlphaOf(b) << 16;
      if (!FirstGrey && !SecondGrey) {
        const uint32_t c = HasThird ? third_->At(column, row) : 0;
        word = (a >> 24) | (b >> 24) << 8 | (c >> 24) << 16;
      }
      std::memcpy(bytes_.get() + TCpuTiledTexels::Index(TilesAcross, column, row) * static_cast<size_t>(Bytes), &word,
                  static_cast<size_t>(Bytes));
    }
  }
}

uint32_t TCpuTiledPair::First(int column, int row) const {
  return Unpacked(Word(column, row), FirstGrey, FirstColour);
}

uint32_t TCpuTiledPair::Second(int column, int row) const {
  return Unpacked(Word(column, row) >> 16, SecondGrey, SecondColour);
}
