#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pictures/TBitmap.h"
#include "render/TMemoryStream.h"

// A PNG decoded but not yet drawn: what every pixel would put into a bitmap
// and how much of the bitmap's old content shows through it.
struct TPngImage {
    int32_t Width = 0;
    int32_t Height = 0;
    int ColorType = 0;
    int BitDepth = 0;
    // The bitmap format the image draws into: 1, 4, 8 (palette) or 24 bits.
    int32_t BitCount = 24;
    std::array<TRGBQuad, 256> Palette{};
    bool HasTransparentColor = false;
    uint32_t TransparentColor = 0;   // 0xRRGGBB
    // 0xAARRGGBB per pixel, rows top first; AA is the coverage: 255 drawn,
    // 0 not drawn, anything between blended over the old content.
    std::vector<uint32_t> Pixels;
    // Palette index per pixel for palette formats (drawn pixels keep it).
    std::vector<uint8_t> Indices;

    // Whether the image has an alpha channel that ends in bits 24 to 31.
    bool AlphaChannel() const { return ColorType == 4 || ColorType == 6; }
};

// Width and height from a PNG's header, without decoding; nothing when the
// bytes do not start like a PNG.
struct TPngSize {
    int32_t Width = 0;
    int32_t Height = 0;
};
std::optional<TPngSize> ReadPngSize(std::span<const uint8_t> bytes);

// Decodes a whole PNG; answers nothing when it cannot, for whatever reason.
// consumed, when given, receives the number of bytes the PNG took.
std::optional<TPngImage> DecodePng(std::span<const uint8_t> bytes, size_t* consumed = nullptr);

// Draws a decoded PNG over the bitmap's content: the bitmap takes the image's
// size (keeping its old pixels where they overlap, white elsewhere) and
// format; blended pixels mix with the old ones; an alpha channel then lands in
// bits 24 to 31 of a 32-bit bitmap.
void DrawPngImage(const TPngImage& image, TBitmap& bitmap);

// Decodes the PNG at the stream's position into the bitmap as above. Answers
// false and leaves the bitmap untouched when the stream holds no valid PNG.
bool PngStreamToBitmap(TMemoryStream& stream, TBitmap& bitmap);
