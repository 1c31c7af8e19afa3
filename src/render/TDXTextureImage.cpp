#include "render/TDXTextureImage.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "render/TDIB.h"

namespace {

// The bits above the highest colour bit of a 32-bit pixel; only 32-bit
// bitmaps carry alpha, so the padding bit of a 5-5-5 bitmap never hides it.
uint32_t AlphaAbove(int bitCount, uint32_t colorMasks) {
  if (bitCount != 32 || colorMasks == 0) return 0;
  const int used = 32 - std::countl_zero(colorMasks);
  return used >= 32 ? 0 : ~((uint32_t{1} << used) - 1);
}

uint32_t ReadPacked(const uint8_t* row, int x, int bitCount) {
  switch (bitCount) {
    case 1:
    case 2:
    case 4: {
      const int bitOffset = x * bitCount;
      const int shift = 8 - bitCount - (bitOffset & 7);
      return (row[bitOffset >> 3] >> shift) & ((1u << bitCount) - 1);
    }
    case 8:
      return row[x];
    case 16:
      return row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
    case 24:
      return row[3 * x] | (uint32_t{row[3 * x + 1]} << 8) | (uint32_t{row[3 * x + 2]} << 16);
    default: {
      uint32_t value = 0;
      std::memcpy(&value, row + 4 * static_cast<size_t>(x), 4);
      return value;
    }
  }
}

void WritePacked(uint8_t* row, int x, int bitCount, uint32_t value) {
  switch (bitCount) {
    case 1:
    case 2:
    case 4: {
      const int bitOffset = x * bitCount;
      const int shift = 8 - bitCount - (bitOffset & 7);
      const uint8_t mask = static_cast<uint8_t>(((1u << bitCount) - 1) << shift);
      uint8_t& byte = row[bitOffset >> 3];
      byte = static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
      break;
    }
    case 8:
      row[x] = static_cast<uint8_t>(value);
      break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(value);
      row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
      break;
    default:
      std::memcpy(row + 4 * static_cast<size_t>(x), &value, 4);
      break;
  }
}

bool SameLayout(const TDXTextureImage& image, const TTexturePixelFormat& format) {
  if (image.BitCount != static_cast<int>(format.BitCount)) return false;
  if (image.ImageType == TDXTextureImageType::Palette) return format.IsPalette();
  return !format.IsPalette() && image.Red.Mask == format.RedMask && image.Green.Mask == format.GreenMask &&
         image.Blue.Mask == format.BlueMask && image.Alpha.Mask == format.AlphaMask;
}

}  // namespace

TTextureChannel TTextureChannel::FromMask(uint32_t mask) {
  TTextureChannel channel;
  channel.Mask = mask;
  if (mask != 0) {
    channel.Shift = std::countr_zero(mask);
    channel.BitCount = std::popcount(mask);
  }
  return channel;
}

uint8_t TTextureChannel::Read(uint32_t value) const {
  if (BitCount == 0) return 0;
  const uint32_t bits = (value & Mask) >> Shift;
  if (BitCount >= 8) return static_cast<uint8_t>(bits >> (BitCount - 8));
  uint32_t wide = 0;
  int filled = 0;
  while (filled < 8) {
    wide = (wide << BitCount) | bits;
    filled += BitCount;
  }
  return static_cast<uint8_t>(wide >> (filled - 8));
}

uint32_t TTextureChannel::Write(uint8_t value) const {
  if (BitCount == 0) return 0;
  const uint32_t bits = BitCount >= 8 ? uint32_t{value} << (BitCount - 8) : uint32_t{value} >> (8 - BitCount);
  return (bits << Shift) & Mask;
}

TDXTextureImage TDXTextureImage::FromDIB(const TDIB& dib) {
  TDXTextureImage image;
  image.Width = dib.Width();
  image.Height = dib.Height();
  image.BitCount = dib.BitCount();
  if (dib.Empty()) return image;
  image.Top = dib.ScanLine(0);
  image.Pitch = -dib.WidthBytes();
  if (dib.BitCount() <= 8) {
    image.ImageType = TDXTextureImageType::Palette;
    image.Index = TTextureChannel::FromMask((1u << dib.BitCount()) - 1);
    const auto& table = dib.ColorTable();
    for (size_t i = 0; i < table.size(); ++i) {
      image.Palette[i] = (uint32_t{table[i].Red} << 16) | (uint32_t{table[i].Green} << 8) | table[i].Blue;
    }
    return image;
  }
  image.ImageType = TDXTextureImageType::Rgb;
  image.Red = TTextureChannel::FromMask(dib.RedMask());
  image.Green = TTextureChannel::FromMask(dib.GreenMask());
  image.Blue = TTextureChannel::FromMask(dib.BlueMask());
  image.Alpha = TTextureChannel::FromMask(AlphaAbove(dib.BitCount(), dib.RedMask() | dib.GreenMask() | dib.BlueMask()));
  return image;
}

uint32_t TDXTextureImage::PixelValue(int x, int y) const {
  return ReadPacked(Top + static_cast<ptrdiff_t>(y) * Pitch, x, BitCount);
}

void ConvertTexturePixels(const TDXTextureImage& image, const TTexturePixelFormat& format, int width, int height,
                          uint8_t* out, int pitch) {
  for (int y = 0; y < height; ++y) std::memset(out + static_cast<ptrdiff_t>(y) * pitch, 0, static_cast<size_t>(pitch));
  const int rows = std::min(height, image.Height);
  const int columns = std::min(width, image.Width);
  if (rows <= 0 || columns <= 0) return;

  const int bitCount = static_cast<int>(format.BitCount);
  if (SameLayout(image, format)) {
    const size_t bytes = (static_cast<size_t>(columns) * bitCount + 7) / 8;
    for (int y = 0; y < rows; ++y) {
      std::memcpy(out + static_cast<ptrdiff_t>(y) * pitch, image.Top + static_cast<ptrdiff_t>(y) * image.Pitch, bytes);
    }
    return;
  }

  const auto red = TTextureChannel::FromMask(format.RedMask);
  const auto green = TTextureChannel::FromMask(format.GreenMask);
  const auto blue = TTextureChannel::FromMask(format.BlueMask);
  const auto alpha = TTextureChannel::FromMask(format.AlphaMask);
  const uint32_t pixelBits = bitCount >= 32 ? 0xFFFFFFFFu : (1u << bitCount) - 1;
  const uint32_t unused = pixelBits & ~(format.RedMask | format.GreenMask | format.BlueMask | format.AlphaMask);
  const bool toPalette = format.IsPalette();

  for (int y = 0; y < rows; ++y) {
    uint8_t* row = out + static_cast<ptrdiff_t>(y) * pitch;
    for (int x = 0; x < columns; ++x) {
      const uint32_t value = image.PixelValue(x, y);
      if (image.ImageType == TDXTextureImageType::Palette && toPalette) {
        WritePacked(row, x, bitCount, value & image.Index.Mask);
        continue;
      }
      uint8_t r, g, b, a;
      if (image.ImageType == TDXTextureImageType::Palette) {
        const uint32_t color = image.Palette[value & image.Index.Mask];
        r = static_cast<uint8_t>(color >> 16);
        g = static_cast<uint8_t>(color >> 8);
        b = static_cast<uint8_t>(color);
        a = 0xFF;
      } else {
        r = image.Red.Read(value);
        g = image.Green.Read(value);
        b = image.Blue.Read(value);
        a = image.HasAlpha() ? image.Alpha.Read(value) : 0xFF;
      }
      WritePacked(row, x, bitCount, red.Write(r) | green.Write(g) | blue.Write(b) | alpha.Write(a) | unused);
    }
  }
}
