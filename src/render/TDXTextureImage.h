#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "render/IRenderBackend.h"

class TDIB;

enum class TDXTextureImageType { Palette, Rgb };

// One channel of an image: its bit mask and what follows from it.
struct TTextureChannel {
  uint32_t Mask = 0;
  int BitCount = 0;
  int Shift = 0;

  static TTextureChannel FromMask(uint32_t mask);
  // The channel of a pixel value widened to 8 bits by repeating its high bits.
  uint8_t Read(uint32_t value) const;
  // An 8-bit value narrowed into the channel by keeping its high bits.
  uint32_t Write(uint8_t value) const;
};

// A picture's pixels as a texture reads them: a view into the source bitmap
// (rows top first; Pitch is negative for the bottom-up rows of a DIB) with
// its channel layout.
struct TDXTextureImage {
  TDXTextureImageType ImageType = TDXTextureImageType::Rgb;
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  int Pitch = 0;
  const uint8_t* Top = nullptr;
  TTextureChannel Red;
  TTextureChannel Green;
  TTextureChannel Blue;
  TTextureChannel Alpha;
  TTextureChannel Index;
  // 0x00RRGGBB per index, for palette images.
  std::array<uint32_t, 256> Palette{};
  bool Transparent = false;
  uint32_t TransparentColor = 0;

  // Bits 8 and fewer give a palette image over the colour table; more give an
  // RGB image with the bitmap's masks and, for 32 bits, an alpha channel of
  // every bit above them.
  static TDXTextureImage FromDIB(const TDIB& dib);

  bool HasAlpha() const { return ImageType == TDXTextureImageType::Rgb && Alpha.Mask != 0; }
  uint32_t PixelValue(int x, int y) const;
};

// Writes width x height pixels of `format` (rows top first, `pitch` bytes
// apart) from the image pixels at the same positions. Rows are copied as
// they are when the layouts agree; otherwise channels are widened and
// narrowed, an image without alpha writes full alpha, and bits no channel
// uses are set. Pixels outside the image are left 0.
void ConvertTexturePixels(const TDXTextureImage& image, const TTexturePixelFormat& format, int width,
                          int height, uint8_t* out, int pitch);
