#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "render/D3DTypes.h"
#include "render/TMemoryStream.h"

// A picture that cannot be read: damaged data, unsupported layout or size.
class EInvalidGraphic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One colour-table entry, in the byte order bitmaps store it.
struct TRGBQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
    bool operator==(const TRGBQuad&) const = default;
};

// The device-independent bitmap every picture travels through on its way to a
// texture: width × height pixels of 1, 4, 8, 16, 24 or 32 bits, bottom-up rows
// padded to 4 bytes, red/green/blue masks for 16 and 32 bits and a 256-entry
// colour table for 8 bits and fewer. In a 32-bit bitmap with 8-8-8 masks the
// bits 24 to 31 carry alpha, not premultiplied.
//
// Colours are exchanged as 0xAARRGGBB; AA is the pixel's bits outside the
// three masks (the alpha byte of 32-bit bitmaps) and 0 for every other format.
class TDIB {
public:
    static constexpr int32_t MaxSide = 1 << 16;
    static constexpr uint64_t MaxPixels = uint64_t(1) << 28;

    TDIB() = default;

    // Remakes the bitmap; every pixel becomes 0, the masks the format's usual
    // ones (5-5-5 for 16 bits, 8-8-8 for 24 and 32), the colour table a grey
    // ramp. A width or height of 0 leaves an empty bitmap.
    void SetSize(int32_t width, int32_t height, int32_t bitCount);
    void Clear();
    bool Empty() const { return width_ == 0 || height_ == 0; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t BitCount() const { return bitCount_; }
    TRect BoundsRect() const { return {0, 0, width_, height_}; }

    uint32_t RedMask() const { return redMask_; }
    uint32_t GreenMask() const { return greenMask_; }
    uint32_t BlueMask() const { return blueMask_; }
    // Only 16- and 32-bit bitmaps take masks of their own; each must be one
    // contiguous run of bits inside the pixel.
    void SetMasks(uint32_t red, uint32_t green, uint32_t blue);

    std::array<TRGBQuad, 256>& ColorTable() { return colorTable_; }
    const std::array<TRGBQuad, 256>& ColorTable() const { return colorTable_; }

    // Bytes per stored row (padded to 4) and the stored rows, bottom row first.
    int32_t WidthBytes() const { return widthBytes_; }
    uint8_t* Bits() { return bits_.data(); }
    const uint8_t* Bits() const { return bits_.data(); }
    size_t Size() const { return bits_.size(); }

    // Row y counted from the top of the picture.
    uint8_t* ScanLine(int32_t y) { return bits_.data() + size_t(height_ - 1 - y) * widthBytes_; }
    const uint8_t* ScanLine(int32_t y) const { return bits_.data() + size_t(height_ - 1 - y) * widthBytes_; }

    // The stored value of a pixel (palette index or packed bits).
    uint32_t PixelValue(int32_t x, int32_t y) const;
    void SetPixelValue(int32_t x, int32_t y, uint32_t value);

    uint32_t GetColor(int32_t x, int32_t y) const;
    // Palette bitmaps take the nearest colour of their table.
    void SetColor(int32_t x, int32_t y, uint32_t argb);
    void Fill(uint32_t argb);

    // Whether the bitmap carries alpha of its own: 32 bits and at least one
    // pixel whose top byte is not 0.
    bool HasOwnAlpha() const;

    // Makes this bitmap a copy of another.
    void Assign(const TDIB& source);

    // Remakes this bitmap at width × height in the source's format and
    // stretches the whole source over it.
    void StretchFrom(const TDIB& source, int32_t width, int32_t height);
    // Stretches the source rectangle over the destination rectangle of this
    // bitmap with nearest-pixel sampling; parts outside this bitmap are
    // skipped. Pixels keep their stored value when both formats are equal and
    // go through their colour otherwise.
    void StretchDraw(const TRect& dest, const TDIB& source, const TRect& sourceRect);

    // Changes the bit count keeping every pixel's colour (and alpha byte when
    // both formats have one).
    void ConvertTo(int32_t bitCount);

    // BMP file image: file header, info header, masks, colour table, rows.
    void SaveToStream(TMemoryStream& stream) const;
    // Reads a BMP file image (uncompressed or bit fields, any info header
    // version, top-down or bottom-up) from the stream's position. Throws
    // EInvalidGraphic and leaves this bitmap unchanged when it is not one.
    void LoadFromStream(TMemoryStream& stream);

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitCount_ = 0;
    int32_t widthBytes_ = 0;
    uint32_t redMask_ = 0;
    uint32_t greenMask_ = 0;
    uint32_t blueMask_ = 0;
    std::array<TRGBQuad, 256> colorTable_{};
    std::vector<uint8_t> bits_;
};

// Bytes in one stored row of a bitmap; 0 for sizes too large to store.
int32_t DIBWidthBytes(int32_t width, int32_t bitCount);
