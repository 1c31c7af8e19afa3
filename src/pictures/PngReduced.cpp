#include "pictures/PngReduced.h"

#include <png.h>

#include <csetjmp>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "pictures/RowReducer.h"

namespace {

constexpr png_alloc_size_t ChunkMemoryLimit = 8u << 20;
constexpr png_byte IgnoredChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0";
constexpr int BytesPerPixel = 4;   // blue, green, red, alpha after the transforms
constexpr char InvalidPng[] = "PNG image is not valid";

// Everything the decode fills lives here, reached through a pointer, so that
// nothing of it is a register-held local when libpng jumps back on an error.
struct TDecode {
    const TPngReader* Read = nullptr;
    std::exception_ptr Error;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    int32_t BoxWidth = 0;
    int32_t BoxHeight = 0;
    uint64_t Budget = 0;
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    std::vector<uint8_t> Image;   // interlaced pictures only
    std::vector<png_bytep> ImageRows;
    std::vector<uint8_t> Row;
    std::vector<uint8_t> Bgr;
    std::optional<TRowReducer> Reducer;
};

void ReadData(png_structp png, png_bytep out, size_t length)
{
    auto* d = static_cast<TDecode*>(png_get_io_ptr(png));
    bool ended = false;
    try {
        while (length > 0 && !ended) {
            const size_t got = (*d->Read)(out, length);
            ended = got == 0;
            out += got;
            length -= got;
        }
    } catch (...) {
        d->Error = std::current_exception();
    }
    // Outside the handler: jumping out of one would leave the exception half-caught.
    if (d->Error || ended)
        png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

std::string TooLarge(png_uint_32 width, png_uint_32 height)
{
    return "The picture is too large to show (" + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}
void FailDecode(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// A pixel's colour drawn over black.
void OverBlack(const uint8_t* bgra, uint8_t* bgr, png_uint_32 width)
{
    for (png_uint_32 x = 0; x < width; ++x) {
        const unsigned alpha = bgra[4 * x + 3];
        for (int channel = 0; channel < 3; ++channel)
            bgr[3 * x + channel] = uint8_t((bgra[4 * x + channel] * alpha + 127) / 255);
    }
}

void Decode(TDecode* d)
{
    png_set_read_fn(d->Png, d, ReadData);
    png_set_user_limits(d->Png, TDIB::MaxSide, TDIB::MaxSide);
    png_set_chunk_malloc_max(d->Png, ChunkMemoryLimit);
    png_set_keep_unknown_chunks(d->Png, PNG_HANDLE_CHUNK_NEVER, IgnoredChunks, int(sizeof IgnoredChunks / 5));
    png_read_info(d->Png, d->Info);
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(d->Png, d->Info, &d->Width, &d->Height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    // Every kind of PNG becomes 8-bit blue, green, red, alpha.
    png_set_expand(d->Png);
    png_set_strip_16(d->Png);
    png_set_gray_to_rgb(d->Png);
    png_set_bgr(d->Png);
    png_set_add_alpha(d->Png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(d->Png);
    png_read_update_info(d->Png, d->Info);

    const size_t rowBytes = size_t(d->Width) * BytesPerPixel;
    if (passes > 1 && uint64_t(rowBytes) * d->Height > d->Budget)
        throw EPictureTooLarge(TooLarge(d->Width, d->Height) + ", interlaced)");
    const TReducedSize size = ReducedSize(int32_t(d->Width), int32_t(d->Height), d->BoxWidth, d->BoxHeight);
    d->Reducer.emplace(int32_t(d->Width), int32_t(d->Height), size.Width, size.Height);
    d->Bgr.resize(size_t(d->Width) * 3);
    if (passes > 1) {
        d->Image.resize(rowBytes * d->Height);
        d->ImageRows.resize(d->Height);
        for (png_uint_32 y = 0; y < d->Height; ++y)
            d->ImageRows[y] = d->Image.data() + rowBytes * y;
        png_read_image(d->Png, d->ImageRows.data());
        for (png_uint_32 y = 0; y < d->Height; ++y) {
            OverBlack(d->ImageRows[y], d->Bgr.data(), d->Width);
            d->Reducer->AddRow(d->Bgr.data());
        }
        return;
    }
    d->Row.resize(rowBytes);
    for (png_uint_32 y = 0; y < d->Height; ++y) {
        png_read_row(d->Png, d->Row.data(), nullptr);
        OverBlack(d->Row.data(), d->Bgr.data(), d->Width);
        d->Reducer->AddRow(d->Bgr.data());
    }
}

// Whether the decode ran to its end; the reader's or a row's exception is
// kept in d->Error.
bool RunDecode(TDecode* d)
{
    d->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailDecode, IgnoreWarning);
    if (d->Png == nullptr)
        return false;
    d->Info = png_create_info_struct(d->Png);
    bool ok = false;
    if (d->Info != nullptr && setjmp(png_jmpbuf(d->Png)) == 0) {
        try {
            Decode(d);
            ok = true;
        } catch (...) {
            d->Error = std::current_exception();
        }
    }
    png_destroy_read_struct(&d->Png, &d->Info, nullptr);
    return ok;
}

}

TDIB DecodePngReduced(const TPngReader& read, int32_t boxWidth, int32_t boxHeight, uint64_t budgetBytes,
                      int32_t& width, int32_t& height)
{
    TDecode decode;
    decode.Read = &read;
    decode.BoxWidth = boxWidth;
    decode.BoxHeight = boxHeight;
    decode.Budget = budgetBytes;
    if (!RunDecode(&decode)) {
        if (decode.Error)
            std::rethrow_exception(decode.Error);
        throw EInvalidGraphic(InvalidPng);
    }
    width = int32_t(decode.Width);
    height = int32_t(decode.Height);
    return std::move(decode.Reducer->Result());
}
