#include <gtest/gtest.h>

#include <vector>

#include "FakeRenderBackend.h"
#include "render/TDIB.h"
#include "render/TextureFormatChoice.h"

namespace {

TDXTextureImage ImageOf(int bitCount) {
  static TDIB dib;
  dib.SetSize(4, 4, bitCount);
  return TDXTextureImage::FromDIB(dib);
}

uint32_t Chosen(const TDXTextureImage& image, const std::vector<TTexturePixelFormat>& formats) {
  const int index = ChooseTextureFormat(image, formats);
  return index < 0 ? 0 : formats[index].BackendFormat;
}

TEST(TextureFormatChoice, RgbImagesTakeTheNearestRgbFormat) {
  const std::vector<TTexturePixelFormat> all = {FormatPalette(8, 8), Format565(), Format1555(), Format4444(),
                                                FormatX888(), Format8888()};
  // 24 bits: no alpha, so X888 matches exactly.
  EXPECT_EQ(Chosen(ImageOf(24), all), 888u);
  // 32 bits carry alpha and take 8888.
  EXPECT_EQ(Chosen(ImageOf(32), all), 8888u);
  // Among 16-bit formats only: alpha finds an alpha format, then the nearest of those.
  EXPECT_EQ(Chosen(ImageOf(32), {Format565(), Format1555(), Format4444()}), 4444u);
  EXPECT_EQ(Chosen(ImageOf(32), {Format565(), Format1555()}), 1555u);
  // A format without alpha never replaces one with it for an image with alpha.
  EXPECT_EQ(Chosen(ImageOf(32), {Format4444(), FormatX888()}), 4444u);
  // Without alpha the nearest by channel widths wins: 565 beats 1555 and 4444.
  EXPECT_EQ(Chosen(ImageOf(24), {Format4444(), Format1555(), Format565()}), 565u);
  EXPECT_EQ(Chosen(ImageOf(24), {Format565(), Format4444()}), 565u);
}

TEST(TextureFormatChoice, TiesGoToTheLaterFormat) {
  EXPECT_EQ(Chosen(ImageOf(24), {FormatX888(1), FormatX888(2)}), 2u);
  EXPECT_EQ(Chosen(ImageOf(32), {Format8888(1), Format8888(2), Format8888(3)}), 3u);
}

TEST(TextureFormatChoice, PaletteFormatsServeOnlyPaletteImages) {
  // An RGB image never takes a palette format.
  EXPECT_EQ(ChooseTextureFormat(ImageOf(24), {FormatPalette(8, 8)}), -1);
  // A palette format needs at least as many index bits as the image.
  EXPECT_EQ(ChooseTextureFormat(ImageOf(8), {FormatPalette(4, 4)}), -1);
  EXPECT_EQ(Chosen(ImageOf(4), {FormatPalette(8, 8), FormatPalette(4, 4)}), 4u);
  EXPECT_EQ(Chosen(ImageOf(1), {FormatPalette(8, 8), FormatPalette(2, 2)}), 2u);
  // A later direct-colour format displaces a palette one, and a later palette
  // format at least as close to the index width displaces a direct one.
  EXPECT_EQ(Chosen(ImageOf(8), {FormatPalette(8, 8), Format565()}), 565u);
  EXPECT_EQ(Chosen(ImageOf(8), {Format565(), FormatPalette(8, 8)}), 8u);
  // Formats that carry no colour are never considered.
  TTexturePixelFormat luminance = FormatX888(7);
  luminance.Rgb = false;
  EXPECT_EQ(ChooseTextureFormat(ImageOf(24), {luminance}), -1);
  // Nor are layouts no upload could write.
  EXPECT_EQ(ChooseTextureFormat(ImageOf(24), {RgbFormat(0, 0xFF0000, 0xFF00, 0xFF, 0, 1)}), -1);
}

TEST(TextureFormatChoice, SizeRules) {
  TTextureCaps caps;
  EXPECT_EQ(TextureSurfaceSize(300, 200, caps).Width, 300);
  caps.PowerOfTwoOnly = true;
  EXPECT_EQ(TextureSurfaceSize(300, 200, caps).Width, 256);
  EXPECT_EQ(TextureSurfaceSize(300, 200, caps).Height, 128);
  EXPECT_EQ(TextureSurfaceSize(0, 1, caps).Width, 1);
  caps.SquareOnly = true;
  EXPECT_EQ(TextureSurfaceSize(300, 200, caps).Height, 256);
  caps.MaxWidth = 64;
  caps.MinHeight = 512;
  const TTextureSize clamped = TextureSurfaceSize(300, 200, caps);
  EXPECT_EQ(clamped.Width, 64);
  EXPECT_EQ(clamped.Height, 512);
  // Every texture here is 256 x 256 and stays so.
  caps = TTextureCaps{true, true, 0, 0, 2048, 2048};
  EXPECT_EQ(TextureSurfaceSize(256, 256, caps).Width, 256);
}

// One pixel converted from a one-pixel DIB.
uint32_t Convert(const TDIB& dib, const TTexturePixelFormat& format) {
  uint8_t out[4] = {};
  ConvertTexturePixels(TDXTextureImage::FromDIB(dib), format, 1, 1, out, 4);
  return out[0] | (uint32_t{out[1]} << 8) | (uint32_t{out[2]} << 16) | (uint32_t{out[3]} << 24);
}

TEST(TextureUploadConversion, ChannelsNarrowAndWidenByTheirHighBits) {
  TDIB dib;
  dib.SetSize(1, 1, 24);
  dib.SetColor(0, 0, 0x00FF8C37);
  // 565 keeps the high 5, 6 and 5 bits.
  EXPECT_EQ(Convert(dib, Format565()), (0x1Fu << 11) | (0x23u << 5) | 0x06u);
  // 24 bits into an alpha format: full alpha.
  EXPECT_EQ(Convert(dib, Format8888()), 0xFFFF8C37u);
  EXPECT_EQ(Convert(dib, Format4444()) & 0xF000, 0xF000u);
  EXPECT_EQ(Convert(dib, Format1555()) & 0x8000, 0x8000u);

  // A 5-5-5 source widens by repeating its high bits: 0x10 -> 0x84.
  TDIB narrow;
  narrow.SetSize(1, 1, 16);
  narrow.SetPixelValue(0, 0, (0x10u << 10) | (0x1Fu << 5) | 0x01u);
  EXPECT_EQ(Convert(narrow, Format8888()), 0xFF84FF08u);
  // Its padding bit is not alpha: the texture is opaque.
  narrow.SetPixelValue(0, 0, 0x7FFF);
  EXPECT_EQ(Convert(narrow, Format8888()) >> 24, 0xFFu);
}

TEST(TextureUploadConversion, AlphaOfThirtyTwoBitSourcesIsKept) {
  TDIB dib;
  dib.SetSize(2, 1, 32);
  dib.SetColor(0, 0, 0x00FFFFFF);
  dib.SetColor(1, 0, 0x80102030);
  const TDXTextureImage image = TDXTextureImage::FromDIB(dib);
  EXPECT_EQ(image.Alpha.Mask, 0xFF000000u);
  EXPECT_FALSE(image.Transparent);
  uint8_t out[8] = {};
  // Same layout: rows are copied as they are, alpha 0 stays 0.
  ConvertTexturePixels(image, Format8888(), 2, 1, out, 8);
  EXPECT_EQ(out[3], 0);
  EXPECT_EQ(out[7], 0x80);
  // Into 4444 the alpha keeps its high bits too.
  uint8_t small[4] = {};
  ConvertTexturePixels(image, Format4444(), 2, 1, small, 4);
  EXPECT_EQ(small[1] >> 4, 0);
  EXPECT_EQ(small[3] >> 4, 0x8);
  // Into X888 the unused byte is set, so no renderer reads it as clear.
  EXPECT_EQ(Convert(dib, FormatX888()), 0xFFFFFFFFu);
}

TEST(TextureUploadConversion, PaletteImagesWriteIndicesOrColours) {
  TDIB dib;
  dib.SetSize(3, 2, 8);
  dib.ColorTable()[5] = TRGBQuad{0x30, 0x20, 0x10, 0};
  dib.SetPixelValue(1, 0, 5);
  const TDXTextureImage image = TDXTextureImage::FromDIB(dib);
  EXPECT_EQ(image.ImageType, TDXTextureImageType::Palette);
  EXPECT_EQ(image.Index.Mask, 0xFFu);
  EXPECT_EQ(image.Palette[5], 0x102030u);

  uint8_t indices[8] = {};
  ConvertTexturePixels(image, FormatPalette(8, 8), 3, 2, indices, 4);
  EXPECT_EQ(indices[1], 5);

  uint32_t colours[6] = {};
  ConvertTexturePixels(image, Format8888(), 3, 2, reinterpret_cast<uint8_t*>(colours), 12);
  EXPECT_EQ(colours[1], 0xFF102030u);
  // The top row of the picture is the first row written.
  dib.SetPixelValue(0, 1, 5);
  ConvertTexturePixels(TDXTextureImage::FromDIB(dib), Format8888(), 3, 2, reinterpret_cast<uint8_t*>(colours), 12);
  EXPECT_EQ(colours[3], 0xFF102030u);
  EXPECT_NE(colours[0], 0xFF102030u);
}

TEST(TextureUploadConversion, SurfaceLargerThanTheImageGetsZeroes) {
  TDIB dib;
  dib.SetSize(1, 1, 24);
  dib.Fill(0x00FFFFFF);
  uint32_t out[4];
  std::fill(std::begin(out), std::end(out), 0xDEADBEEFu);
  ConvertTexturePixels(TDXTextureImage::FromDIB(dib), Format8888(), 2, 2, reinterpret_cast<uint8_t*>(out), 8);
  EXPECT_EQ(out[0], 0xFFFFFFFFu);
  EXPECT_EQ(out[1], 0u);
  EXPECT_EQ(out[3], 0u);
}

}  // namespace
