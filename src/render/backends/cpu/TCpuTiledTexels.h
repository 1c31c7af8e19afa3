#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct TCpuTexels;

// A texture's texels in tiles of 4 x 4, each tile one cache line, for
// squares drawn turned. A turned square's row of pixels crosses the texture
// slantwise; row by row, a texture in rows would then bring in a new cache
// line for nearly every pixel, and near a quarter turn its lines, a power of
// two apart, would all fall into the same few cache sets. In tiles the
// neighbours in every direction share a line.
struct TCpuTiledTexels {
  static constexpr int TileBits = 2;
  static constexpr int TileSide = 1 << TileBits;

  int Width = 0;
  int Height = 0;
  // Tiles in one row of tiles.
  int TilesAcross = 0;

  explicit TCpuTiledTexels(const TCpuTexels& source);
  const uint32_t* Pixels() const { return pixels_.get(); }
  // Where the texel at (column, row) of the texture lies.
  static size_t Index(int tilesAcross, int column, int row) {
    const size_t tile = static_cast<size_t>(row >> TileBits) * static_cast<size_t>(tilesAcross) +
                        static_cast<size_t>(column >> TileBits);
    return (tile << (2 * TileBits)) | static_cast<size_t>((row & (TileSide - 1)) << TileBits) |
           static_cast<size_t>(column & (TileSide - 1));
  }
  uint32_t At(int column, int row) const { return pixels_[Index(TilesAcross, column, row)]; }

 private:
  struct TFree {
    void operator()(uint32_t* memory) const { std::free(memory); }
  };
  std::unique_ptr<uint32_t[], TFree> pixels_;
};
