#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "render/backends/cpu/TCpuTiledTexels.h"

// Two textures of one size drawn with the same corners, one over the other
// (a bubble's body and its front), in the tiles of TCpuTiledTexels with both
// texels of a position in one 32-bit word: first's grey, first's alpha,
// second's grey, second's alpha. Every pixel shows the same texel position
// of both, so one read serves the two draws. Only textures kept as alpha or
// as grey and alpha fit.
struct TCpuTiledPair {
  int Width = 0;
  int Height = 0;
  int TilesAcross = 0;
  // Whether each texture's colour is its grey byte; otherwise every texel
  // that is not clear has the colour given.
  bool FirstGrey = false, SecondGrey = false;
  uint32_t FirstColour = 0, SecondColour = 0;

  static bool Fits(const TCpuTiledTexels& first, const TCpuTiledTexels& second);
  // Only for textures that fit.
  TCpuTiledPair(std::shared_ptr<const TCpuTiledTexels> first, std::shared_ptr<const TCpuTiledTexels> second);
  const uint32_t* Words() const { return words_.get(); }
  // The texels as 0xAARRGGBB; a clear one may come back with another colour.
  uint32_t First(int column, int row) const;
  uint32_t Second(int column, int row) const;
  // The tiled forms it was made from, by identity.
  const TCpuTiledTexels* FirstSource() const { return first_.get(); }
  const TCpuTiledTexels* SecondSource() const { return second_.get(); }

 private:
  static constexpr std::align_val_t CacheLine{64};
  struct TFree {
    void operator()(uint32_t* memory) const { ::operator delete[](memory, CacheLine); }
  };
  std::unique_ptr<uint32_t[], TFree> words_;
  // Held so that no other texture takes their addresses while this is kept.
  std::shared_ptr<const TCpuTiledTexels> first_, second_;
};
