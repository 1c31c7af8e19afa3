#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

struct TCpuTexels;

// A texture's texels in tiles of 4 x 4, for squares drawn turned, each
// texel in as few bytes as it needs. A turned square's row of pixels crosses
// the texture slantwise; in rows, nearly every pixel would bring in a cache
// line of its own, and near a quarter turn those lines, a power of two
// apart, would all fall into the same few cache sets. In tiles the
// neighbours in every direction share a line. A bubble frame reads the same
// three style textures for every bubble, so what decides its speed is
// whether they stay in the core's cache together: texels whose colour adds
// nothing are kept as their alpha alone, grey ones as grey and alpha.
struct TCpuTiledTexels {
  static constexpr int TileBits = 2;
  static constexpr int TileSide = 1 << TileBits;

  // Bytes per texel: alpha (colour Colour), grey then alpha, or 0xAARRGGBB.
  enum TLayout { Alpha = 1, GreyAlpha = 2, Full = 4 };

  int Width = 0;
  int Height = 0;
  // Tiles in one row of tiles.
  int TilesAcross = 0;
  TLayout Layout = Full;
  // The colour of every texel that is not clear, in the Alpha layout.
  uint32_t Colour = 0;

  // `alphaOnly`: the texels are only ever drawn under a black tint, where
  // their colour never shows.
  TCpuTiledTexels(const TCpuTexels& source, bool alphaOnly);
  const uint8_t* Bytes() const { return bytes_.get(); }
  // Which texel of the tiles (column, row) is.
  static size_t Index(int tilesAcross, int column, int row) {
    const size_t tile = static_cast<size_t>(row >> TileBits) * static_cast<size_t>(tilesAcross) +
                        static_cast<size_t>(column >> TileBits);
    return (tile << (2 * TileBits)) | static_cast<size_t>((row & (TileSide - 1)) << TileBits) |
           static_cast<size_t>(column & (TileSide - 1));
  }
  // The texel as 0xAARRGGBB; a clear one may come back with another colour.
  uint32_t At(int column, int row) const;

 private:
  static constexpr std::align_val_t CacheLine{64};
  struct TFree {
    void operator()(uint8_t* memory) const { ::operator delete[](memory, CacheLine); }
  };
  std::unique_ptr<uint8_t[], TFree> bytes_;
};
