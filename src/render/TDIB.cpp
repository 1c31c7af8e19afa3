#include "render/TDIB.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiBitfields = 3;
constexpr uint32_t BiAlphaBitfields = 6;
constexpr size_t FileHeaderSize = 14;
constexpr size_t CoreHeaderSize = 12;
constexpr size_t InfoHeaderSize = 40;
constexpr size_t MaskOffsetInHeader = 40;
constexpr uint16_t BmpSignature = 0x4D42;   // "BM"
constexpr char InvalidBitmap[] = "Bitmap image is not valid";

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(uint8_t(v >> (8 * i)));
    }
}

bool ValidBitCount(int32_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

void DefaultMasks(int32_t bitCount, uint32_t& r, uint32_t& g, uint32_t& b)
{
    if (bitCount == 16) {
        r = 0x7C00;
        g = 0x03E0;
        b = 0x001F;
    } else if (bitCount >= 24) {
        r = 0xFF0000;
        g = 0x00FF00;
        b = 0x0000FF;
    } else {
        r = g = b = 0;
    }
}

void GreyTable(std::array<TRGBQuad, 256>& table, int32_t bitCount)
{
    table.fill(TRGBQuad{});
    if (bitCount > 8) {
        return;
    }
    int entries = 1 << bitCount;
    for (int i = 0; i < entries; ++i) {
        uint8_t v = uint8_t(i * 255 / (entries - 1));
        table[i] = TRGBQuad{v, v, v, 0};
    }
}

bool ContiguousMask(uint32_t mask)
{
    if (mask == 0) {
        return false;
    }
    uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// A channel read by its mask, widened to 8 bits by repeating its high bits.
uint8_t ReadChannel(uint32_t value, uint32_t mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    uint32_t v = (value & mask) >> shift;
    if (bits >= 8) {
        return uint8_t(v >> (bits - 8));
    }
    uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += bits) {
        wide = (wide << bits) | v;
    }
    int total = ((8 + bits - 1) / bits) * bits;
    return uint8_t(wide >> (total - 8));
}

// An 8-bit channel narrowed into a mask by keeping its high bits.
uint32_t WriteChannel(uint8_t channel, uint32_t mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    uint32_t v = bits >= 8 ? uint32_t(channel) << (bits - 8) : uint32_t(channel) >> (8 - bits);
    return (v << shift) & mask;
}

uint32_t AlphaMaskOf(int32_t bitCount, uint32_t r, uint32_t g, uint32_t b)
{
    if (bitCount != 32) {
        return 0;
    }
    uint32_t rest = ~(r | g | b);
    return ContiguousMask(rest) ? rest : 0;
}

// Nearest source index for a destination index, sampling at pixel centres.
int32_t NearestSource(int32_t dest, int32_t destLength, int32_t sourceLength)
{
    return int32_t((int64_t(2 * int64_t(dest) + 1) * sourceLength) / (2 * int64_t(destLength)));
}

}

int32_t DIBWidthBytes(int32_t width, int32_t bitCount)
{
    int64_t bytes = ((int64_t(width) * bitCount + 31) / 32) * 4;
    return bytes > std::numeric_limits<int32_t>::max() ? 0 : int32_t(bytes);
}

void TDIB::SetSize(int32_t width, int32_t height, int32_t bitCount)
{
    if (!ValidBitCount(bitCount)) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    if (width < 0 || height < 0 || width > MaxSide || height > MaxSide ||
        uint64_t(width) * uint64_t(height) > MaxPixels) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    if (width == 0 || height == 0) {
        width = height = 0;
    }
    int32_t widthBytes = DIBWidthBytes(width, bitCount);
    std::vector<uint8_t> bits(size_t(widthBytes) * size_t(height), 0);
    bits_ = std::move(bits);
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    widthBytes_ = widthBytes;
    DefaultMasks(bitCount, redMask_, greenMask_, blueMask_);
    GreyTable(colorTable_, bitCount);
}

void TDIB::Clear()
{
    width_ = height_ = bitCount_ = widthBytes_ = 0;
    redMask_ = greenMask_ = blueMask_ = 0;
    colorTable_.fill(TRGBQuad{});
    bits_.clear();
    bits_.shrink_to_fit();
}

void TDIB::SetMasks(uint32_t red, uint32_t green, uint32_t blue)
{
    if (bitCount_ != 16 && bitCount_ != 32) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    uint32_t limit = bitCount_ == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    if (!ContiguousMask(red) || !ContiguousMask(green) || !ContiguousMask(blue) ||
        ((red | green | blue) & ~limit) != 0 || (red & green) != 0 || (red & blue) != 0 || (green & blue) != 0) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    redMask_ = red;
    greenMask_ = green;
    blueMask_ = blue;
}

uint32_t TDIB::PixelValue(int32_t x, int32_t y) const
{
    const uint8_t* row = ScanLine(y);
    switch (bitCount_) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    case 8: return row[x];
    case 16: return Get16(row + 2 * x);
    case 24: return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default: return Get32(row + 4 * size_t(x));
    }
}

void TDIB::SetPixelValue(int32_t x, int32_t y, uint32_t value)
{
    uint8_t* row = ScanLine(y);
    switch (bitCount_) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = uint8_t((value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? uint8_t((b & 0xF0) | (value & 0x0F)) : uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8: row[x] = uint8_t(value); break;
    case 16:
        row[2 * x] = uint8_t(value);
        row[2 * x + 1] = uint8_t(value >> 8);
        break;
    case 24:
        row[3 * x] = uint8_t(value);
        row[3 * x + 1] = uint8_t(value >> 8);
        row[3 * x + 2] = uint8_t(value >> 16);
        break;
    default: std::memcpy(row + 4 * size_t(x), &value, 4); break;
    }
}

uint32_t TDIB::GetColor(int32_t x, int32_t y) const
{
    uint32_t value = PixelValue(x, y);
    if (bitCount_ <= 8) {
        const TRGBQuad& q = colorTable_[value];
        return (uint32_t(q.Red) << 16) | (uint32_t(q.Green) << 8) | q.Blue;
    }
    if (bitCount_ == 24) {
        return value;
    }
    uint32_t alphaMask = AlphaMaskOf(bitCount_, redMask_, greenMask_, blueMask_);
    return (uint32_t(ReadChannel(value, alphaMask)) << 24) | (uint32_t(ReadChannel(value, redMask_)) << 16) |
           (uint32_t(ReadChannel(value, greenMask_)) << 8) | ReadChannel(value, blueMask_);
}

void TDIB::SetColor(int32_t x, int32_t y, uint32_t argb)
{
    uint8_t r = uint8_t(argb >> 16), g = uint8_t(argb >> 8), b = uint8_t(argb);
    if (bitCount_ <= 8) {
        int entries = 1 << bitCount_;
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < entries && bestDistance > 0; ++i) {
            const TRGBQuad& q = colorTable_[i];
            int dr = q.Red - r, dg = q.Green - g, db = q.Blue - b;
            int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        SetPixelValue(x, y, uint32_t(best));
        return;
    }
    if (bitCount_ == 24) {
        SetPixelValue(x, y, argb & 0xFFFFFF);
        return;
    }
    uint32_t alphaMask = AlphaMaskOf(bitCount_, redMask_, greenMask_, blueMask_);
    SetPixelValue(x, y, WriteChannel(uint8_t(argb >> 24), alphaMask) | WriteChannel(r, redMask_) |
                            WriteChannel(g, greenMask_) | WriteChannel(b, blueMask_));
}

void TDIB::Fill(uint32_t argb)
{
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x) {
            SetColor(x, y, argb);
        }
    }
}

bool TDIB::HasOwnAlpha() const
{
    if (bitCount_ != 32) {
        return false;
    }
    uint32_t alphaMask = AlphaMaskOf(bitCount_, redMask_, greenMask_, blueMask_);
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* row = ScanLine(y);
        for (int32_t x = 0; x < width_; ++x) {
            if (Get32(row + 4 * size_t(x)) & alphaMask) {
                return true;
            }
        }
    }
    return false;
}

void TDIB::Assign(const TDIB& source)
{
    if (this != &source) {
        *this = source;
    }
}

void TDIB::StretchFrom(const TDIB& source, int32_t width, int32_t height)
{
    TDIB result;
    result.SetSize(width, height, source.bitCount_);
    result.redMask_ = source.redMask_;
    result.greenMask_ = source.greenMask_;
    result.blueMask_ = source.blueMask_;
    result.colorTable_ = source.colorTable_;
    result.StretchDraw(result.BoundsRect(), source, source.BoundsRect());
    *this = std::move(result);
}

void TDIB::StretchDraw(const TRect& dest, const TDIB& source, const TRect& sourceRect)
{
    int32_t dw = dest.Width(), dh = dest.Height();
    int32_t sw = sourceRect.Width(), sh = sourceRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.Empty() || Empty() || sourceRect.Left < 0 ||
        sourceRect.Top < 0 || sourceRect.Right > source.width_ || sourceRect.Bottom > source.height_) {
        return;
    }
    bool sameFormat = bitCount_ == source.bitCount_ && redMask_ == source.redMask_ &&
                      greenMask_ == source.greenMask_ && blueMask_ == source.blueMask_ &&
                      (bitCount_ > 8 || colorTable_ == source.colorTable_);
    int32_t x0 = std::max(dest.Left, 0), x1 = std::min(dest.Right, width_);
    int32_t y0 = std::max(dest.Top, 0), y1 = std::min(dest.Bottom, height_);
    int bytesPerPixel = bitCount_ / 8;
    for (int32_t y = y0; y < y1; ++y) {
        int32_t sy = sourceRect.Top + NearestSource(y - dest.Top, dh, sh);
        if (sameFormat && bitCount_ >= 8) {
            const uint8_t* from = source.ScanLine(sy);
            uint8_t* to = ScanLine(y);
            for (int32_t x = x0; x < x1; ++x) {
                int32_t sx = sourceRect.Left + NearestSource(x - dest.Left, dw, sw);
                std::memcpy(to + size_t(x) * bytesPerPixel, from + size_t(sx) * bytesPerPixel, bytesPerPixel);
            }
            continue;
        }
        for (int32_t x = x0; x < x1; ++x) {
            int32_t sx = sourceRect.Left + NearestSource(x - dest.Left, dw, sw);
            if (sameFormat) {
                SetPixelValue(x, y, source.PixelValue(sx, sy));
            } else {
                SetColor(x, y, source.GetColor(sx, sy));
            }
        }
    }
}

void TDIB::ConvertTo(int32_t bitCount)
{
    if (bitCount == bitCount_) {
        return;
    }
    TDIB result;
    result.SetSize(width_, height_, bitCount);
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x) {
            result.SetColor(x, y, GetColor(x, y));
        }
    }
    *this = std::move(result);
}

void TDIB::SaveToStream(TMemoryStream& stream) const
{
    uint32_t defR, defG, defB;
    DefaultMasks(bitCount_, defR, defG, defB);
    bool bitfields = (bitCount_ == 16 || bitCount_ == 32) &&
                     (redMask_ != defR || greenMask_ != defG || blueMask_ != defB);
    uint32_t tableEntries = bitCount_ <= 8 && bitCount_ > 0 ? (1u << bitCount_) : 0;
    uint32_t headerBytes = uint32_t(FileHeaderSize + InfoHeaderSize + (bitfields ? 12 : 0) + 4 * tableEntries);
    std::vector<uint8_t> header;
    header.reserve(headerBytes);
    Put16(header, BmpSignature);
    Put32(header, uint32_t(headerBytes + bits_.size()));
    Put32(header, 0);
    Put32(header, headerBytes);
    Put32(header, uint32_t(InfoHeaderSize));
    Put32(header, uint32_t(width_));
    Put32(header, uint32_t(height_));
    Put16(header, 1);
    Put16(header, uint16_t(bitCount_));
    Put32(header, bitfields ? BiBitfields : BiRgb);
    Put32(header, uint32_t(bits_.size()));
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, tableEntries);
    Put32(header, 0);
    if (bitfields) {
        Put32(header, redMask_);
        Put32(header, greenMask_);
        Put32(header, blueMask_);
    }
    for (uint32_t i = 0; i < tableEntries; ++i) {
        const TRGBQuad& q = colorTable_[i];
        header.insert(header.end(), {q.Blue, q.Green, q.Red, 0});
    }
    stream.Write(header.data(), header.size());
    stream.Write(bits_.data(), bits_.size());
}

void TDIB::LoadFromStream(TMemoryStream& stream)
{
    std::span<const uint8_t> data = stream.Remaining();
    auto require = [&](size_t end) {
        if (end > data.size()) {
            throw EInvalidGraphic(InvalidBitmap);
        }
    };
    require(FileHeaderSize + 4);
    if (Get16(data.data()) != BmpSignature) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    uint32_t offBits = Get32(data.data() + 10);
    const uint8_t* info = data.data() + FileHeaderSize;
    uint32_t headerSize = Get32(info);
    int64_t width, height;
    uint32_t bitCount, compression = BiRgb, colorsUsed = 0;
    size_t tableEntrySize = 4;
    if (headerSize == CoreHeaderSize) {
        require(FileHeaderSize + CoreHeaderSize);
        width = Get16(info + 4);
        height = int16_t(Get16(info + 6));
        bitCount = Get16(info + 10);
        tableEntrySize = 3;
    } else if (headerSize >= InfoHeaderSize && headerSize <= 1024) {
        require(FileHeaderSize + headerSize);
        width = int32_t(Get32(info + 4));
        height = int32_t(Get32(info + 8));
        bitCount = Get16(info + 14);
        compression = Get32(info + 16);
        colorsUsed = Get32(info + 32);
    } else {
        throw EInvalidGraphic(InvalidBitmap);
    }
    bool topDown = height < 0;
    height = topDown ? -height : height;
    if (!ValidBitCount(int32_t(bitCount)) || width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) {
        throw EInvalidGraphic(InvalidBitmap);
    }
    bool bitfields = compression == BiBitfields || compression == BiAlphaBitfields;
    if ((compression != BiRgb && !bitfields) || (bitfields && bitCount != 16 && bitCount != 32)) {
        throw EInvalidGraphic(InvalidBitmap);
    }

    TDIB result;
    result.SetSize(int32_t(width), int32_t(height), int32_t(bitCount));
    size_t tableStart = FileHeaderSize + headerSize;
    if (bitfields) {
        size_t maskAt = FileHeaderSize + MaskOffsetInHeader;
        require(maskAt + 12);
        if (headerSize == InfoHeaderSize) {
            tableStart += compression == BiAlphaBitfields ? 16 : 12;
        }
        result.SetMasks(Get32(data.data() + maskAt), Get32(data.data() + maskAt + 4), Get32(data.data() + maskAt + 8));
    }
    if (bitCount <= 8) {
        uint32_t entries = colorsUsed == 0 || colorsUsed > (1u << bitCount) ? (1u << bitCount) : colorsUsed;
        require(tableStart + entries * tableEntrySize);
        result.colorTable_.fill(TRGBQuad{});
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = data.data() + tableStart + i * tableEntrySize;
            result.colorTable_[i] = TRGBQuad{e[0], e[1], e[2], 0};
        }
        tableStart += entries * tableEntrySize;
    }
    size_t pixelsAt = offBits >= tableStart && offBits < data.size() ? offBits : tableStart;
    size_t rowBytes = size_t(result.widthBytes_);
    require(pixelsAt + rowBytes * size_t(height));
    const uint8_t* pixels = data.data() + pixelsAt;
    if (topDown) {
        for (int64_t y = 0; y < height; ++y) {
            std::memcpy(result.ScanLine(int32_t(y)), pixels + size_t(y) * rowBytes, rowBytes);
        }
    } else {
        std::memcpy(result.bits_.data(), pixels, result.bits_.size());
    }
    stream.SetPosition(stream.Position() + pixelsAt + rowBytes * size_t(height));
    *this = std::move(result);
}
