#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "render/backends/cpu/TCpuTiledTexels.h"

// Two textures of one size drawn with the same corners, one over the other
// (a bubble's body and its front), in the tiles of TCpuTiledTexels with both
// texels of a position side by side: first's grey, first's alpha, second's
// grey, second's alpha; or, when neither is grey, first's alpha and
// second's alpha alone, so the pair takes no more cache than the two did.
// Every pixel shows the same texel position of both, so one read serves the
// two draws. Only textures kept as alpha or as grey and alpha fit.
struct TCpuTiledPair {
  int Width = 0;
  int Height = 0;
  int TilesAcross = 0;
  // Whether each texture's colour is its grey byte; otherwise every texel
  // that is not clear has the colour given.
  bool FirstGrey = false, SecondGrey = false;
  uint32_t FirstColour = 0, SecondColour = 0;
  // Whether the third texture's alpha comes along.
  bool HasThird = false;
  // 2 (two alphas), 3 (three) or 4 (grey and alpha twice).
  int Bytes = 4;

  static bool Fits(const TCpuTiledTexels& first, const TCpuTiledTexels& second);
  // Whether `third` can come along with a pair of these two that fit.
  static bool FitsThird(const TCpuTiledTexels& first, const TCpuTiledTexels& second, const TCpuTiledTexels& third);
  // Only for textures that fit; `third` may be null.
  TCpuTiledPair(std::shared_ptr<const TCpuTiledTexels> first, std::shared_ptr<const TCpuTiledTexels> second,
                std::shared_ptr<const TCpuTiledTexels> third = nullptr);
  // The texels; vector reads take four bytes wherever a texel starts.
  const uint8_t* Texels() const { return bytes_.get(); }
  // The texels as 0xAARRGGBB; a clear one may come back with another colour.
  uint32_t First(int column, int row) const;
  uint32_t Second(int column, int row) const;
  void Both(int column, int row, uint32_t& first, uint32_t& second) const {
    const uint32_t word = Word(column, row);
    first = Unpacked(word, FirstGrey, FirstColour);
    second = Unpacked(word >> 16, SecondGrey, SecondColour);
  }
  // The third texture's alpha (only with HasThird).
  uint8_t ThirdAlpha(int column, int row) const {
    return bytes_[TCpuTiledTexels::Index(TilesAcross, column, row) * static_cast<size_t>(Bytes) + 2];
  }
  // The tiled forms it was made from, by identity.
  const TCpuTiledTexels* FirstSource() const { return first_.get(); }
  const TCpuTiledTexels* SecondSource() const { return second_.get(); }

 private:
  static constexpr std::align_val_t CacheLine{64};
  struct TFree {
    void operator()(uint8_t* memory) const { ::operator delete[](memory, CacheLine); }
  };
  // Grey and alpha of both, the greys 0 when not kept.
  uint32_t Word(int column, int row) const {
    const uint8_t* at = bytes_.get() + TCpuTiledTexels::Index(TilesAcross, column, row) * static_cast<size_t>(Bytes);
    if (!FirstGrey && !SecondGrey) return uint32_t(at[0]) << 8 | uint32_t(at[1]) << 24;
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
  }
  // Grey and alpha in the low two bytes as 0xAARRGGBB.
  static uint32_t Unpacked(uint32_t bytes, bool grey, uint32_t colour) {
    const uint32_t alpha = (bytes >> 8) & 0xFF;
    return alpha << 24 | (grey ? (bytes & 0xFF) * 0x010101u : colour);
  }
  std::unique_ptr<uint8_t[], TFree> bytes_;
  // Held so that no other texture takes their addresses while this is kept.
  std::shared_ptr<const TCpuTiledTexels> first_, second_, third_;
};
