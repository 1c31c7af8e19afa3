#include "pictures/PngAlpha.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

constexpr size_t SignatureSize = 8;
// No chunk this decoder reads needs more; a damaged length must not make
// libpng allocate and clear gigabytes.
constexpr png_alloc_size_t ChunkMemoryLimit = 8u << 20;
// Chunks that play no part in the picture, skipped unread.
constexpr png_byte IgnoredChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0";
constexpr size_t HeaderEnd = 24;   // signature, chunk length and type, width, height
constexpr uint8_t Opaque = 255;
// What a bitmap holds where it had no pixels before it grew: a new bitmap
// starts white, so white images with soft edges keep their colour.
constexpr uint32_t GrownAreaColour = 0xFFFFFF;

struct TReadSource {
    std::span<const uint8_t> Bytes;
    size_t Position = 0;
};

// Everything the decode fills lives here, reached through a pointer, so that
// nothing of it is a register-held local when libpng jumps back on an error.
struct TPngDecode {
    TReadSource Source;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::vector<uint8_t> Rows;
    std::vector<png_bytep> RowPointers;
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    int BitDepth = 0;
    int ColorType = 0;
    std::array<png_color, 256> Palette{};
    int PaletteSize = 0;
    std::array<uint8_t, 256> PaletteAlpha{};
    bool HasTrnsColor = false;
    png_color_16 TrnsColor{};
};

void ReadData(png_structp png, png_bytep out, size_t length)
{
    auto* source = static_cast<TReadSource*>(png_get_io_ptr(png));
    if (length > source->Bytes.size() - source->Position) {
        png_error(png, "PNG data ends early");
    }
    std::memcpy(out, source->Bytes.data() + source->Position, length);
    source->Position += length;
}

void IgnoreWarning(png_structp, png_const_charp) {}

void FailDecode(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ReadAll(TPngDecode* d)
{
    png_set_read_fn(d->Png, &d->Source, ReadData);
    png_set_user_limits(d->Png, TDIB::MaxSide, TDIB::MaxSide);
    png_set_chunk_malloc_max(d->Png, ChunkMemoryLimit);
    png_set_keep_unknown_chunks(d->Png, PNG_HANDLE_CHUNK_NEVER, IgnoredChunks, int(sizeof IgnoredChunks / 5));
    png_read_info(d->Png, d->Info);
    png_get_IHDR(d->Png, d->Info, &d->Width, &d->Height, &d->BitDepth, &d->ColorType, nullptr, nullptr, nullptr);
    if (uint64_t(d->Width) * d->Height > TDIB::MaxPixels) {
        png_error(d->Png, "PNG too large");
    }
    png_set_interlace_handling(d->Png);
    png_read_update_info(d->Png, d->Info);
    if (d->ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        if (png_get_PLTE(d->Png, d->Info, &palette, &d->PaletteSize) == 0 || d->PaletteSize > 256) {
            png_error(d->Png, "PNG palette missing");
        }
        std::copy(palette, palette + d->PaletteSize, d->Palette.begin());
    }
    d->PaletteAlpha.fill(Opaque);
    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
    if (png_get_tRNS(d->Png, d->Info, &transAlpha, &transCount, &transColor) != 0) {
        if (d->ColorType == PNG_COLOR_TYPE_PALETTE && transAlpha != nullptr) {
            std::copy(transAlpha, transAlpha + std::min(transCount, 256), d->PaletteAlpha.begin());
        } else if (transColor != nullptr) {
            d->HasTrnsColor = true;
            d->TrnsColor = *transColor;
        }
    }
    size_t rowBytes = png_get_rowbytes(d->Png, d->Info);
    d->Rows.resize(rowBytes * d->Height);
    d->RowPointers.resize(d->Height);
    for (png_uint_32 y = 0; y < d->Height; ++y) {
        d->RowPointers[y] = d->Rows.data() + rowBytes * y;
    }
    png_read_image(d->Png, d->RowPointers.data());
    png_read_end(d->Png, nullptr);
}

bool RunDecode(TPngDecode* d)
{
    d->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailDecode, IgnoreWarning);
    if (d->Png == nullptr) {
        return false;
    }
    d->Info = png_create_info_struct(d->Png);
    bool ok = false;
    if (d->Info != nullptr) {
        if (setjmp(png_jmpbuf(d->Png)) == 0) {
            ReadAll(d);
            ok = true;
        }
    }
    png_destroy_read_struct(&d->Png, &d->Info, nullptr);
    return ok;
}

// Sample i of a row at the image's bit depth.
uint32_t Sample(const uint8_t* row, size_t i, int depth)
{
    switch (depth) {
    case 1: return (row[i >> 3] >> (7 - (i & 7))) & 0x01;
    case 2: return (row[i >> 2] >> (6 - 2 * (i & 3))) & 0x03;
    case 4: return (row[i >> 1] >> ((i & 1) ? 0 : 4)) & 0x0F;
    case 8: return row[i];
    default: return (uint32_t(row[2 * i]) << 8) | row[2 * i + 1];
    }
}

uint8_t To8(uint32_t sample, int depth)
{
    return depth == 16 ? uint8_t(sample >> 8) : uint8_t(sample);
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

TPngImage BuildImage(const TPngDecode& d)
{
    TPngImage image;
    image.Width = int32_t(d.Width);
    image.Height = int32_t(d.Height);
    image.ColorType = d.ColorType;
    image.BitDepth = d.BitDepth;
    bool indexed = d.ColorType == PNG_COLOR_TYPE_PALETTE || (d.ColorType == PNG_COLOR_TYPE_GRAY && d.BitDepth < 8);
    image.BitCount = !indexed ? 24 : d.BitDepth == 1 ? 1 : d.BitDepth <= 4 ? 4 : 8;
    if (d.ColorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < d.PaletteSize; ++i) {
            image.Palette[i] = TRGBQuad{d.Palette[i].blue, d.Palette[i].green, d.Palette[i].red, 0};
        }
    } else if (indexed) {
        int levels = 1 << d.BitDepth;
        for (int i = 0; i < levels; ++i) {
            uint8_t v = uint8_t(i * 255 / (levels - 1));
            image.Palette[i] = TRGBQuad{v, v, v, 0};
        }
    }
    if (d.HasTrnsColor) {
        image.HasTransparentColor = true;
        if (d.ColorType == PNG_COLOR_TYPE_RGB) {
            image.TransparentColor = Rgb(To8(d.TrnsColor.red, d.BitDepth), To8(d.TrnsColor.green, d.BitDepth),
                                         To8(d.TrnsColor.blue, d.BitDepth));
        } else {
            uint32_t grey = indexed ? image.Palette[d.TrnsColor.gray & 0xFF].Red : To8(d.TrnsColor.gray, d.BitDepth);
            image.TransparentColor = Rgb(uint8_t(grey), uint8_t(grey), uint8_t(grey));
        }
    } else if (d.ColorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < d.PaletteSize; ++i) {
            if (d.PaletteAlpha[i] == 0) {
                image.HasTransparentColor = true;
                image.TransparentColor = Rgb(d.Palette[i].red, d.Palette[i].green, d.Palette[i].blue);
                break;
            }
        }
    }

    size_t count = size_t(d.Width) * d.Height;
    image.Pixels.resize(count);
    if (indexed) {
        image.Indices.resize(count);
    }
    int depth = d.BitDepth;
    for (png_uint_32 y = 0; y < d.Height; ++y) {
        const uint8_t* row = d.RowPointers[y];
        uint32_t* out = image.Pixels.data() + size_t(y) * d.Width;
        for (png_uint_32 x = 0; x < d.Width; ++x) {
            uint32_t colour = 0;
            uint32_t coverage = Opaque;
            switch (d.ColorType) {
            case PNG_COLOR_TYPE_GRAY: {
                uint32_t v = Sample(row, x, depth);
                uint8_t grey = indexed ? image.Palette[v].Red : To8(v, depth);
                colour = Rgb(grey, grey, grey);
                if (d.HasTrnsColor && v == d.TrnsColor.gray) {
                    coverage = 0;
                }
                if (indexed) {
                    image.Indices[size_t(y) * d.Width + x] = uint8_t(v);
                }
                break;
            }
            case PNG_COLOR_TYPE_PALETTE: {
                uint32_t index = Sample(row, x, depth);
                if (index >= uint32_t(d.PaletteSize)) {
                    index = 0;
                }
                const TRGBQuad& q = image.Palette[index];
                colour = Rgb(q.Red, q.Green, q.Blue);
                coverage = d.PaletteAlpha[index];
                image.Indices[size_t(y) * d.Width + x] = uint8_t(index);
                break;
            }
            case PNG_COLOR_TYPE_RGB: {
                uint32_t r = Sample(row, 3 * size_t(x), depth), g = Sample(row, 3 * size_t(x) + 1, depth),
                         b = Sample(row, 3 * size_t(x) + 2, depth);
                colour = Rgb(To8(r, depth), To8(g, depth), To8(b, depth));
                if (d.HasTrnsColor && r == d.TrnsColor.red && g == d.TrnsColor.green && b == d.TrnsColor.blue) {
                    coverage = 0;
                }
                break;
            }
            case PNG_COLOR_TYPE_GRAY_ALPHA: {
                uint8_t grey = To8(Sample(row, 2 * size_t(x), depth), depth);
                colour = Rgb(grey, grey, grey);
                coverage = To8(Sample(row, 2 * size_t(x) + 1, depth), depth);
                break;
            }
            default: {
                colour = Rgb(To8(Sample(row, 4 * size_t(x), depth), depth),
                             To8(Sample(row, 4 * size_t(x) + 1, depth), depth),
                             To8(Sample(row, 4 * size_t(x) + 2, depth), depth));
                coverage = To8(Sample(row, 4 * size_t(x) + 3, depth), depth);
                break;
            }
            }
            out[x] = (coverage << 24) | colour;
        }
    }
    return image;
}

uint8_t Blend(uint32_t source, uint32_t old, uint32_t alpha)
{
    return uint8_t((source * alpha + old * (255 - alpha) + 255) / 256);
}

}

std::optional<TPngSize> ReadPngSize(std::span<const uint8_t> bytes)
{
    if (bytes.size() < HeaderEnd || png_sig_cmp(bytes.data(), 0, SignatureSize) != 0 ||
        std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
        return std::nullopt;
    }
    auto get32 = [&](size_t at) {
        return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
    };
    uint32_t width = get32(16), height = get32(20);
    if (width == 0 || height == 0 || width > uint32_t(TDIB::MaxSide) || height > uint32_t(TDIB::MaxSide)) {
        return std::nullopt;
    }
    return TPngSize{int32_t(width), int32_t(height)};
}

std::optional<TPngImage> DecodePng(std::span<const uint8_t> bytes, size_t* consumed)
{
    if (bytes.size() < SignatureSize || png_sig_cmp(bytes.data(), 0, SignatureSize) != 0) {
        return std::nullopt;
    }
    TPngDecode decode;
    decode.Source.Bytes = bytes;
    if (!RunDecode(&decode)) {
        return std::nullopt;
    }
    if (consumed != nullptr) {
        *consumed = decode.Source.Position;
    }
    return BuildImage(decode);
}

void DrawPngImage(const TPngImage& image, TBitmap& bitmap)
{
    TDIB old = std::move(bitmap.Dib);
    TDIB& dib = bitmap.Dib;
    dib.SetSize(image.Width, image.Height, image.AlphaChannel() ? 32 : image.BitCount);
    bool indexed = image.BitCount <= 8;
    if (indexed) {
        dib.ColorTable() = image.Palette;
    }
    auto oldColour = [&](int32_t x, int32_t y) -> uint32_t {
        return x < old.Width() && y < old.Height() ? old.GetColor(x, y) & 0xFFFFFF : GrownAreaColour;
    };
    for (int32_t y = 0; y < image.Height; ++y) {
        const uint32_t* in = image.Pixels.data() + size_t(y) * image.Width;
        uint8_t* row = dib.ScanLine(y);
        for (int32_t x = 0; x < image.Width; ++x) {
            uint32_t pixel = in[x];
            uint32_t coverage = pixel >> 24;
            if (indexed) {
                if (coverage == Opaque) {
                    dib.SetPixelValue(x, y, image.Indices[size_t(y) * image.Width + x]);
                    continue;
                }
            }
            uint32_t colour = pixel & 0xFFFFFF;
            if (coverage != Opaque) {
                uint32_t back = oldColour(x, y);
                colour = coverage == 0 && !image.AlphaChannel()
                             ? back
                             : Rgb(Blend(colour >> 16, back >> 16, coverage),
                                   Blend((colour >> 8) & 0xFF, (back >> 8) & 0xFF, coverage),
                                   Blend(colour & 0xFF, back & 0xFF, coverage));
            }
            if (indexed) {
                dib.SetColor(x, y, colour);
            } else if (image.AlphaChannel()) {
                uint32_t value = (coverage << 24) | colour;
                std::memcpy(row + 4 * size_t(x), &value, 4);
            } else {
                row[3 * size_t(x)] = uint8_t(colour);
                row[3 * size_t(x) + 1] = uint8_t(colour >> 8);
                row[3 * size_t(x) + 2] = uint8_t(colour >> 16);
            }
        }
    }
    bitmap.Transparent = image.HasTransparentColor;
    bitmap.TransparentColor = image.TransparentColor;
}

bool PngStreamToBitmap(TMemoryStream& stream, TBitmap& bitmap)
{
    size_t consumed = 0;
    std::optional<TPngImage> image = DecodePng(stream.Remaining(), &consumed);
    if (!image) {
        return false;
    }
    stream.SetPosition(stream.Position() + consumed);
    DrawPngImage(*image, bitmap);
    return true;
}
