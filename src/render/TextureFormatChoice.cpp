#include "render/TextureFormatChoice.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace {

constexpr int PaletteImageChannelBits = 8;

struct TChannelBits {
  int Red = 0;
  int Green = 0;
  int Blue = 0;
  int Alpha = 0;
};

TChannelBits ImageBits(const TDXTextureImage& image) {
  if (image.ImageType == TDXTextureImageType::Palette) {
    return {PaletteImageChannelBits, PaletteImageChannelBits, PaletteImageChannelBits, 0};
  }
  return {image.Red.BitCount, image.Green.BitCount, image.Blue.BitCount, image.Alpha.BitCount};
}

int Distance(const TTexturePixelFormat& format, const TChannelBits& bits) {
  const auto squared = [](int formatBits, int imageBits) { return (formatBits - imageBits) * (formatBits - imageBits); };
  return squared(std::popcount(format.RedMask), bits.Red) + squared(std::popcount(format.GreenMask), bits.Green) +
         squared(std::popcount(format.BlueMask), bits.Blue) + squared(std::popcount(format.AlphaMask), bits.Alpha);
}

// Layouts the upload can write: whole bytes up to 32 bits, or palette indices.
bool Writable(const TTexturePixelFormat& format) {
  if (format.IsPalette()) {
    return format.BitCount == format.PaletteBits &&
           (format.BitCount == 1 || format.BitCount == 2 || format.BitCount == 4 || format.BitCount == 8);
  }
  return format.BitCount != 0 && format.BitCount % 8 == 0 && format.BitCount <= 32;
}

bool Acceptable(const TDXTextureImage& image, const TTexturePixelFormat& format) {
  if (!format.Rgb || !Writable(format)) return false;
  if (!format.IsPalette()) return true;
  return image.ImageType == TDXTextureImageType::Palette &&
         static_cast<int>(format.PaletteBits) >= image.BitCount;
}

bool HasAlpha(const TTexturePixelFormat& format) { return format.AlphaMask != 0; }

bool Replaces(const TDXTextureImage& image, const TChannelBits& bits, const TTexturePixelFormat& taken,
              const TTexturePixelFormat& candidate) {
  const bool imageAlpha = image.HasAlpha();
  if (candidate.IsPalette() && !imageAlpha) {
    const int indexBits = image.BitCount;
    if (std::abs(static_cast<int>(candidate.BitCount) - indexBits) <=
        std::abs(static_cast<int>(taken.BitCount) - indexBits)) {
      return true;
    }
  }
  if (!candidate.IsPalette() && taken.IsPalette()) return true;
  if (imageAlpha && !HasAlpha(taken) && HasAlpha(candidate)) return true;
  if (!candidate.IsPalette() && !taken.IsPalette()) {
    const bool losesAlpha = imageAlpha && HasAlpha(taken) && !HasAlpha(candidate);
    if (!losesAlpha && Distance(candidate, bits) <= Distance(taken, bits)) return true;
  }
  return false;
}

int LargestPowerOfTwoNotAbove(int value) {
  if (value <= 1) return 1;
  return static_cast<int>(std::bit_floor(static_cast<unsigned>(value)));
}

int Clamp(int value, int low, int high) {
  if (low > 0) value = std::max(value, low);
  if (high > 0) value = std::min(value, high);
  return value;
}

}  // namespace

int ChooseTextureFormat(const TDXTextureImage& image, const std::vector<TTexturePixelFormat>& formats) {
  const TChannelBits bits = ImageBits(image);
  int taken = -1;
  for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
    if (!Acceptable(image, formats[i])) continue;
    if (taken < 0 || Replaces(image, bits, formats[taken], formats[i])) taken = i;
  }
  return taken;
}

TTextureSize TextureSurfaceSize(int imageWidth, int imageHeight, const TTextureCaps& caps) {
  TTextureSize size{imageWidth, imageHeight};
  if (caps.PowerOfTwoOnly) {
    size.Width = LargestPowerOfTwoNotAbove(size.Width);
    size.Height = LargestPowerOfTwoNotAbove(size.Height);
  }
  if (caps.SquareOnly) size.Width = size.Height = std::max(size.Width, size.Height);
  size.Width = Clamp(size.Width, caps.MinWidth, caps.MaxWidth);
  size.Height = Clamp(size.Height, caps.MinHeight, caps.MaxHeight);
  return size;
}
