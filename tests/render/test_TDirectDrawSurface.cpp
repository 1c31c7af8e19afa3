#include <gtest/gtest.h>

#include "render/RenderErrors.h"
#include "render/TDIB.h"
#include "render/TDirectDrawSurface.h"

namespace {

TEST(TDirectDrawSurface, SizingMakesAndReleasesPixels) {
  TDirectDrawSurface surface;
  EXPECT_FALSE(surface.HasPixels());
  surface.SetSurfaceSize(40, 30);
  EXPECT_TRUE(surface.HasPixels());
  EXPECT_EQ(surface.ClientRect(), (TRect{0, 0, 40, 30}));
  EXPECT_EQ(surface.BitCount(), 32);
  EXPECT_EQ(surface.ColorKey(), 0u);
  surface.SetSurfaceSize(0, 30);
  EXPECT_FALSE(surface.HasPixels());
  EXPECT_EQ(surface.Width(), 0);
  surface.SetSurfaceSize(-1, -1);
  EXPECT_FALSE(surface.HasPixels());
  EXPECT_THROW(surface.SetSurfaceSize(100000, 10), EDirectDrawSurfaceError);
}

TEST(TDirectDrawSurface, BltFastRefusesWithoutChanging) {
  TDirectDrawSurface source, empty, target;
  source.SetSurfaceSize(8, 8);
  source.FillColor(0x123456);
  // Onto a surface without pixels: false.
  EXPECT_FALSE(empty.BltFast(0, 0, source, source.ClientRect(), 0));
  EXPECT_FALSE(empty.FillColor(1));
  EXPECT_FALSE(empty.HasPixels());

  target.SetSurfaceSize(8, 8);
  target.FillColor(0xABCDEF);
  EXPECT_FALSE(target.BltFast(0, 0, empty, TRect{0, 0, 1, 1}, 0));
  EXPECT_FALSE(target.BltFast(1, 0, source, source.ClientRect(), 0));
  EXPECT_FALSE(target.BltFast(0, 0, source, TRect{-1, 0, 4, 4}, 0));
  EXPECT_FALSE(target.BltFast(0, 0, source, TRect{4, 4, 4, 8}, 0));
  EXPECT_FALSE(target.BltFast(0, 0, source, source.ClientRect(), 1));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(target.Pixel(x, y), 0xABCDEFu);
  }

  EXPECT_TRUE(target.BltFast(2, 3, source, TRect{0, 0, 2, 2}, 0));
  EXPECT_EQ(target.Pixel(2, 3), 0x123456u);
  EXPECT_EQ(target.Pixel(3, 4), 0x123456u);
  EXPECT_EQ(target.Pixel(4, 3), 0xABCDEFu);
}

TEST(TDirectDrawSurface, OverlappingCopyWithinOneSurface) {
  TDirectDrawSurface surface;
  surface.SetSurfaceSize(4, 1);
  for (int x = 0; x < 4; ++x) surface.ScanLine(0)[x] = uint32_t(x + 1);
  EXPECT_TRUE(surface.BltFast(1, 0, surface, TRect{0, 0, 3, 1}, 0));
  EXPECT_EQ(surface.Pixel(1, 0), 1u);
  EXPECT_EQ(surface.Pixel(2, 0), 2u);
  EXPECT_EQ(surface.Pixel(3, 0), 3u);
}

TEST(TDirectDrawSurface, PicturesAreCopiedAndStretched) {
  TDIB dib;
  dib.SetSize(3, 2, 24);
  dib.SetColor(0, 0, 0x00FF0000);
  dib.SetColor(2, 1, 0x000000FF);
  TDirectDrawSurface surface;
  surface.CopyPicture(dib);
  EXPECT_EQ(surface.ClientRect(), (TRect{0, 0, 3, 2}));
  EXPECT_EQ(surface.ColorKey(), 0u);
  // Top-left stays top-left although the bitmap stores its rows bottom-up.
  EXPECT_EQ(surface.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(surface.Pixel(2, 1), 0x0000FFu);

  surface.StretchPicture(dib, 6, 4, TRect{0, 0, 3, 2});
  EXPECT_EQ(surface.Width(), 6);
  EXPECT_EQ(surface.Pixel(1, 1), 0xFF0000u);
  EXPECT_EQ(surface.Pixel(5, 3), 0x0000FFu);

  // 0 takes the source rectangle's size; a part of the picture fills the whole surface.
  surface.StretchPicture(dib, 0, 0, TRect{2, 1, 3, 2});
  EXPECT_EQ(surface.ClientRect(), (TRect{0, 0, 1, 1}));
  EXPECT_EQ(surface.Pixel(0, 0), 0x0000FFu);

  // Alpha and palette pictures give their colours.
  TDIB palette;
  palette.SetSize(2, 1, 8);
  palette.ColorTable()[3] = TRGBQuad{1, 2, 3, 0};
  palette.SetPixelValue(1, 0, 3);
  surface.CopyPicture(palette);
  EXPECT_EQ(surface.Pixel(1, 0), 0x030201u);
  EXPECT_THROW(surface.StretchPicture(palette, 4, 4, TRect{0, 0, 5, 1}), EDirectDrawSurfaceError);
}

// 24-bit rows are read a few pixels at a time: every pixel of a row, from
// any column on, must come out as its own colour.
TEST(TDirectDrawSurface, EveryPixelOfATrueColourRowKeepsItsColourWhereverTheRowStarts) {
  TDIB dib;
  dib.SetSize(13, 2, 24);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 13; ++x) {
      const uint32_t n = uint32_t(y * 13 + x);
      dib.SetColor(x, y, (n * 3 + 1) << 16 | (n * 5 + 2) << 8 | (n * 7 + 3));
    }
  }
  TDirectDrawSurface surface;
  surface.CopyPicture(dib);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 13; ++x) EXPECT_EQ(surface.Pixel(x, y), dib.GetColor(x, y) & 0xFFFFFF) << x << "," << y;
  }
  for (int32_t left = 1; left < 4; ++left) {
    surface.StretchPicture(dib, 0, 0, TRect{left, 0, 13, 2});
    for (int32_t y = 0; y < 2; ++y) {
      for (int32_t x = 0; x < 13 - left; ++x) {
        EXPECT_EQ(surface.Pixel(x, y), dib.GetColor(x + left, y) & 0xFFFFFF) << "from " << left << ": " << x << "," << y;
      }
    }
  }
}

TEST(TDirectDrawSurface, PicturesOfTheSurfacesOwnSizeReuseItsMemoryAndOverwriteEveryPixel) {
  TDIB dib;
  dib.SetSize(5, 3, 24);
  dib.SetColor(4, 2, 0x00ABCDEF);
  TDirectDrawSurface surface;
  surface.SetSurfaceSize(5, 3);
  surface.FillColor(0x777777);
  const uint32_t* memory = surface.ScanLine(0);
  surface.CopyPicture(dib);
  EXPECT_EQ(surface.ScanLine(0), memory);
  EXPECT_EQ(surface.Pixel(0, 0), 0u);
  EXPECT_EQ(surface.Pixel(4, 2), 0xABCDEFu);
  // Remade at its own size it is black again.
  surface.SetSurfaceSize(5, 3);
  EXPECT_EQ(surface.Pixel(4, 2), 0u);
}

TEST(TDirectDrawSurface, SwappingTradesPixelsOnlyBetweenPlainSurfacesOfOneSize) {
  TDirectDrawSurface a, b, small, empty;
  a.SetSurfaceSize(4, 2);
  b.SetSurfaceSize(4, 2);
  small.SetSurfaceSize(2, 2);
  a.FillColor(0x111111);
  b.FillColor(0x222222);
  small.FillColor(0x333333);
  const TPlainPixels before = a.PlainPixels();
  ASSERT_TRUE(a.SwapPixels(b));
  EXPECT_EQ(a.Pixel(3, 1), 0x222222u);
  EXPECT_EQ(b.Pixel(3, 1), 0x111111u);
  // The backend's copy cache must see new pixels under the same name.
  EXPECT_NE(a.PlainPixels().Version, before.Version);

  EXPECT_FALSE(a.SwapPixels(small));
  EXPECT_FALSE(a.SwapPixels(empty));
  EXPECT_FALSE(empty.SwapPixels(a));
  EXPECT_FALSE(a.SwapPixels(a));
  EXPECT_EQ(a.Pixel(0, 0), 0x222222u);
  EXPECT_EQ(small.Width(), 2);
  EXPECT_FALSE(empty.HasPixels());
}

}  // namespace
